#pragma once
// The rich-text view of the chat logs, the all-chat log, the old-log viewer and the
// rich-message composer. It reads and writes RTF through the library's own reader and
// writer, never loads a resource by name, pastes only text or RTF, and offers what the
// logs need: appending with redrawing suspended while keeping a reader who scrolled
// back in place, link detection, and the underline state at the caret.

#include "platform/richtext/RtfReader.h"

#include <QTextEdit>

namespace tv::richtext {

class SafeDocument;
class UrlHighlighter;

class RichTextView : public QTextEdit {
  Q_OBJECT
 public:
  // Read-only and selectable, without undo history, until the owner says otherwise.
  explicit RichTextView(QWidget *parent = nullptr);

  // Number of characters; a paragraph end counts as one.
  int textLength() const;

  // Inserting at the caret, replacing the selection. CR LF, CR and LF end paragraphs.
  void insertText(const QString &text, const QTextCharFormat &format);
  // RTF at the caret. Input that is not RTF is inserted as CP932 text in the current
  // format; RTF over the limits inserts nothing and says so in the result.
  RtfReadResult insertRtf(QByteArrayView rtf, const RtfLimits &limits = {});
  // A picture file (PNG, JPEG, BMP, GIF or a Windows metafile with a bitmap) at the
  // caret. False when it did not decode; a placeholder is shown instead.
  bool insertPicture(QByteArrayView fileData, qint64 maxPixels = RtfLimits().maxPicturePixels);

  // The same at the end of the text, leaving the caret and the selection alone.
  void appendText(const QString &text, const QTextCharFormat &format);
  RtfReadResult appendRtf(QByteArrayView rtf, const RtfLimits &limits = {});
  void moveCaretToEnd();

  QByteArray rtf(int start, int end) const;
  QByteArray selectedRtf() const;
  QByteArray toRtf() const;
  QString plainText(int start, int end) const;  // paragraphs end in CR LF

  bool saveRtf(const QString &path, QString *error = nullptr) const;
  bool saveText(const QString &path, QString *error = nullptr) const;
  RtfReadResult loadRtf(const QString &path, const RtfLimits &limits = {});
  bool loadText(const QString &path);

  // Link detection: web addresses are shown underlined.
  void setUrlDetect(bool on);
  bool urlDetect() const { return highlighter_ != nullptr; }

  // Underline state as the view reports it for an empty selection at `position`: that
  // of the character before it (the first character at position 0); detected links
  // count as underlined. Paragraph ends are never underlined.
  bool underlinedBefore(int position) const;
  bool caretUnderlined() const { return underlinedBefore(textCursor().position()); }

  struct ScrollState {
    int position = 0;
    int pageStep = 0;
    int maximum = 0;
    // The reader has scrolled away from the end.
    bool scrolledBack() const { return maximum - position > pageStep + 2; }
  };
  ScrollState scrollState() const;

  // Copies and drags carry plain text only (otherwise also RTF).
  void setPlainTextCopy(bool on) { plainCopy_ = on; }
  // Dropped files are reported through filesDropped instead of being inserted.
  void setFileDrop(bool on);

 Q_SIGNALS:
  void mouseReleased(Qt::MouseButton button, const QPoint &globalPos);
  // The context-menu key or Shift+F10: the owner shows its menu there.
  void menuKeyPressed(const QPoint &globalPos);
  void filesDropped(const QStringList &paths);

 protected:
  QVariant loadResource(int type, const QUrl &name) override;
  bool canInsertFromMimeData(const QMimeData *source) const override;
  void insertFromMimeData(const QMimeData *source) override;
  QMimeData *createMimeDataFromSelection() const override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;

 private:
  RtfReadResult insertRtfAt(QTextCursor &cursor, QByteArrayView rtf, const RtfLimits &limits);

  SafeDocument *doc_;
  UrlHighlighter *highlighter_ = nullptr;
  bool plainCopy_ = false;
  bool fileDrop_ = false;
  friend class AppendScope;
  int appendDepth_ = 0;  // AppendScopes open on this view
};

// Appending to a log view: suspends redrawing for its lifetime and remembers the
// scroll state and the selection. At its end, a reader who had scrolled back keeps
// the selection and the scroll position; otherwise the caret goes to the end so the
// view follows the new text. Then the view redraws.
class AppendScope {
 public:
  explicit AppendScope(RichTextView &view);
  ~AppendScope();
  AppendScope(const AppendScope &) = delete;
  AppendScope &operator=(const AppendScope &) = delete;

  const RichTextView::ScrollState &before() const { return before_; }

 private:
  RichTextView &view_;
  RichTextView::ScrollState before_;
  QTextCursor selection_;
  QTextCursor edit_;  // holds one edit block: the document lays out once, at the end
  bool updates_;
  bool outer_;
};

}  // namespace tv::richtext
