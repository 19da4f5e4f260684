#pragma once
// The start-up steps that run before any window, as plain functions so that each can
// be tested on its own. Every step tolerates failure: a step that cannot complete
// leaves the program running with whatever state it reached, and shows nothing.

#include "app/AppInfo.h"

#include <QString>

namespace tv::app {

class Settings;

// The name of the logged-on user as the system reports it ("" when it cannot).
QString LogonUserName();

// DefaultNick for a user name: the name cut at its first NUL and to 255 characters,
// or "Talvora" when the result is empty or no valid nickname.
QString DefaultNickFor(const QString &userName);

// Deletes the settings file when its stored version differs from `version` (also on
// the first run), then stores `version`.
void ApplyVersionReset(const Settings &settings, const QString &version);

// Converts the old two-lines-per-channel "AutoJoinChannel.txt" into "CHList.txt" and
// deletes the old file. The old file is kept when the new one cannot be written.
// Returns true when a conversion took place.
bool MigrateChannelList(const QString &appFolder);

// Steps 2 to 8: the program folder, the title tag and version, the version reset,
// the default nickname and the channel-list conversion.
AppInfo RunStartUp(const QString &programDir, const QString &userName);

}  // namespace tv::app
