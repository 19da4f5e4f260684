#pragma once
// A chat log view: the voice chat log txtLOG, and each IRC slot's log. Every line is
// stamped with the time in blue, followed by an optional name header and the body in
// the line's colour; the first "http://" of a plain line is shown as a blue underlined
// link. Each appended line is handed on to the line sink (the all-chat log): a plain
// line as its runs, which cost nothing to copy, a rich line as RTF. A reader who
// scrolled back stays where they are. The log copies plain text, opens links on a
// click, offers its selection as the topic, and reports
// dropped files.

#include "app/FrmAllLOG.h"
#include "app/UiRoutines.h"
#include "platform/richtext/RichTextView.h"

#include <QTime>

#include <functional>

class QMenu;

namespace tv::mainwindow {

class ChatLogView : public richtext::RichTextView {
  Q_OBJECT
 public:
  using Clock = std::function<QTime()>;
  using LineSink = std::function<void(const app::LogLine &line)>;

  // How a log view presents itself. The defaults make the voice chat log.
  struct Setup {
    QString objectName = QStringLiteral("txtLOG");
    QString accessibleName = QStringLiteral("音声チャットログ");
    QString toolTip = QStringLiteral(
        "ログ表示画面(ここに画像ファイルをドロップしても画像を送信することができます。)");
    bool fileDrop = true;
    // A menu of the owner's, shared by several views: the view enables its entries
    // btnMenuSelTOPIC and btnMenuSelCOPY (where present) for its selection and pops it
    // up; the owner acts on them. Null: the view's own menu with those two entries.
    QMenu *menu = nullptr;
  };

  explicit ChatLogView(QWidget *parent = nullptr) : ChatLogView(Setup(), parent) {}
  explicit ChatLogView(const Setup &setup, QWidget *parent = nullptr);

  void setClock(Clock clock) { clock_ = std::move(clock); }
  void setLineSink(LineSink sink) { sink_ = std::move(sink); }
  void setUrlOpener(app::UrlOpener opener) { opener_ = std::move(opener); }

  // Appends one line. With `rtf` the body is an RTF fragment (CP932 for any raw bytes).
  void appendLine(const QString &header, const QString &body, const QColor &colour, bool rtf);
  // A line without header, in black.
  void appendSystemLine(const QString &text) { appendLine(QString(), text, Qt::black, false); }
  void appendSystemLines(const QStringList &lines);

  // A picture on a line of its own, at its size.
  void appendPicture(const QImage &image);
  // The line for a picture that cannot be shown: the placeholder box and
  // "表示できない画像: " + the file's name. Returns the key under which
  // replacePlaceholder puts a picture in the line's place.
  QString appendPicturePlaceholder(const QString &fileName);
  // Replaces the placeholder line with the picture where it still is; false when the
  // line has gone (the log was cleared).
  bool replacePlaceholder(const QString &key, const QImage &image);

  // The selection as plain text, lines ending in CR LF.
  QString selectedPlainText() const;
  // Clears the clipboard and puts the selection on it as plain text.
  void copySelection();

  // The menu the view pops up (its own, or the owner's).
  QMenu *btnLogRoot() const { return menu_; }
  // Enables the menu's entries for the current selection and opens it.
  void showMenu(const QPoint &globalPos);

 Q_SIGNALS:
  // "選択範囲をトピックにする": the selection, a leading ":" made full-width.
  void topicFromSelection(const QString &topic);
  // Exactly one file was dropped on the log.
  void fileDropped(const QString &path);

 protected:
  void keyPressEvent(QKeyEvent *event) override;

 private:
  void onFilesDropped(const QStringList &paths);

  Clock clock_;
  LineSink sink_;
  app::UrlOpener opener_;
  QMenu *menu_;
};

}  // namespace tv::mainwindow
