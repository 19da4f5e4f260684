#pragma once
// What main() gives every IRC pane. Every pointer outlives the panes.

#include "app/UiRoutines.h"
#include "dcc/DdeEndpoint.h"

#include <QString>
#include <QTime>

#include <functional>
#include <memory>

namespace tv::app {
struct AppInfo;
class FrmAllLOG;
class MessageSink;
class Settings;
}  // namespace tv::app
namespace tv::dcc {
class DdeHandles;
}
namespace tv::session {
class TvDccLauncher;
}

namespace tv::irc {

class IrcLink;

struct IrcPaneServices {
  const app::AppInfo *info = nullptr;
  const app::Settings *settings = nullptr;
  // Every log line goes there too, with the slot's name as its source.
  app::FrmAllLOG *allLog = nullptr;
  // Makes the pane's link to its connection component (a new TvIRC object).
  std::function<std::unique_ptr<IrcLink>()> makeLink;
  // Direct file transfers. Each pane takes the next link handle (the main window has
  // the first) and serves its hand-off endpoint on `bus`, the connection owning the
  // program's bus name, to the callers ddeCallerCheck admits; without a bus it serves
  // none. `dcc` starts TvDcc for ISEND and IREC; without it nothing starts.
  dcc::DdeHandles *ddeHandles = nullptr;
  QDBusConnection *bus = nullptr;
  dcc::DdeEndpoint::CallerCheck ddeCallerCheck;
  session::TvDccLauncher *dcc = nullptr;
  // The program's message box, once it exists (rule explanations: channel names,
  // nicknames).
  std::function<app::MessageSink *()> messages;
  app::UrlOpener openUrl;               // links clicked in a log (the desktop's when empty)
  std::function<QTime()> clock;         // time stamps of log lines (the local time when empty)
  std::function<qint64()> monotonicMs;  // limits on offers and PONGs (a steady clock when empty)
};

}  // namespace tv::irc
