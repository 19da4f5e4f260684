#pragma once
// What main() gives every IRC pane. Every pointer outlives the panes.

#include "app/UiRoutines.h"

#include <QString>
#include <QTime>

#include <functional>
#include <memory>

namespace tv::app {
struct AppInfo;
class FrmAllLOG;
class Settings;
}  // namespace tv::app

namespace tv::irc {

class IrcLink;

struct IrcPaneServices {
  const app::AppInfo *info = nullptr;
  const app::Settings *settings = nullptr;
  // Every log line goes there too, with the slot's name as its source.
  app::FrmAllLOG *allLog = nullptr;
  // Makes the pane's link to its connection component (a new TvIRC object).
  std::function<std::unique_ptr<IrcLink>()> makeLink;
  // Starts the file receiver (TvDcc IREC) for a checked-by-the-caller offer: the
  // pane's hand-off number, the sender, "file address port size". Returns why nothing
  // started, or "" when it started.
  std::function<QString(const QString &handle, const QString &sender, const QString &offer)>
      startReceiver;
  app::UrlOpener openUrl;               // links clicked in a log (the desktop's when empty)
  std::function<QTime()> clock;         // time stamps of log lines (the local time when empty)
  std::function<qint64()> monotonicMs;  // limits on offers and PONGs (a steady clock when empty)
};

}  // namespace tv::irc
