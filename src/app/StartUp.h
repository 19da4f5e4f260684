#pragma once
// The start-up steps that run before any window, as plain functions so that each can
// be tested on its own. Every step tolerates failure: a step that cannot complete
// leaves the program running with whatever state it reached, and shows nothing.

#include "app/AppInfo.h"

#include <QString>

namespace tv::app {

class ProblemReport;
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
// deletes the old file. When the old file cannot be read (unreadable, too large) or
// the new one cannot be written, both files stay as they were and the problem goes to
// `problems`. Returns true when a conversion took place.
bool MigrateChannelList(const QString &appFolder, ProblemReport *problems = nullptr);

// The folder the suite keeps its data in (settings, list files, Log/, IMG/): the
// program folder when it is writable (a build tree, a copied folder), otherwise, as
// for an installed copy, `userDataHome` + "/Talvora/", created when missing. Falls back
// to the program folder when that cannot be created either. Ends in "/".
QString DataFolderFor(const QString &programDir, const QString &userDataHome);

// Steps 2 to 8: the program and data folders, the title tag and version, the version
// reset, the default nickname and the channel-list conversion. `userDataHome` is
// $XDG_DATA_HOME (~/.local/share by default). What the user must hear about goes to
// `problems`, to be shown once the information log exists.
AppInfo RunStartUp(const QString &programDir, const QString &userName,
                   const QString &userDataHome = {}, ProblemReport *problems = nullptr);

}  // namespace tv::app
