#pragma once
// The all-chat log window frmAllLOG: every line shown in any chat view, voice and IRC
// alike, labelled with its source, in one scrolling view for the whole run of the
// program. Closing it by its frame only hides it; GoUnload closes it for real and
// saves its place.
//
// Lines handed over are appended on a later turn of the event loop, in the order they
// were handed over from every source: the chat view that showed a line has returned
// by then, so a long line costs the UI thread one layout per turn, not two in a row.
// UI thread only.

#include "app/UiRoutines.h"
#include "app/WindowPlacement.h"

#include <QList>
#include <QTextCharFormat>
#include <QWidget>

#include <deque>

class QAction;
class QMenu;
class QTimer;

namespace tv::richtext {
class RichTextView;
}

namespace tv::app {

struct AppInfo;
class Settings;

// One run of a line as a chat view showed it: text and format. Plain lines reach the
// all-chat log as runs, which it appends as they are; only rich content needs RTF.
struct LogRun {
  QString text;
  QTextCharFormat format;
};

// A line for the all-chat log: its runs when it is plain, else its RTF.
struct LogLine {
  explicit LogLine(QList<LogRun> lineRuns) : runs(std::move(lineRuns)) {}
  explicit LogLine(QByteArray lineRtf) : rtf(std::move(lineRtf)) {}
  QList<LogRun> runs;
  QByteArray rtf;
};

class FrmAllLOG : public QWidget {
  Q_OBJECT
 public:
  // `opener` opens links (the desktop's handler when empty; tests pass their own).
  FrmAllLOG(const AppInfo &info, const Settings &settings, UrlOpener opener = {},
            QWidget *parent = nullptr);

  // Appends one RTF fragment, after source + ">" when source is not empty. A reader
  // who scrolled back is not moved; otherwise the view follows the new line. Neither
  // the reader's selection nor its formatting is touched.
  void AddLog(QByteArrayView rtf, const QString &source);
  // The same for a line given as runs, or as either.
  void AddLog(const QList<LogRun> &runs, const QString &source);
  void AddLog(const LogLine &line, const QString &source);
  // Appends at once every line still waiting for its turn.
  void AppendPending();
  // Lets the window close, saving its place in section "frmAllLOG".
  void GoUnload();

  richtext::RichTextView *txtLOG() const { return txtLOG_; }
  QMenu *popupMenu() const { return menu_; }
  // "コピー(&C)" and the six window commands, in menu order.
  QList<QAction *> menuActions() const;

 protected:
  void closeEvent(QCloseEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

 private:
  struct Pending {
    LogLine line;
    QString source;
  };
  void appendLine(const Pending &pending);
  // Appends waiting lines for a few milliseconds, then leaves the rest to the next turn.
  void appendSome();
  void copySelection();
  void showPopup(const QPoint &globalPos);
  void placeFrame(int left, int top, int width, int height);

  richtext::RichTextView *txtLOG_;
  QMenu *menu_;
  QAction *copyAction_;
  UrlOpener opener_;
  WindowPlacement placement_;
  bool unloading_ = false;
  std::deque<Pending> pending_;
  QTimer *appendTimer_;
};

}  // namespace tv::app
