#include "platform/richtext/RichTextView.h"

#include "platform/richtext/RichTextFiles.h"
#include "platform/richtext/RtfPicture.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/SafeDocument.h"
#include "platform/richtext/UrlHighlighter.h"
#include "platform/text/Cp932.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QUrl>

namespace tv::richtext {
namespace {

const QString kRtfMime = QStringLiteral("text/rtf");
const QString kRtfMimeAlt = QStringLiteral("application/rtf");

QString normalizedLineEnds(const QString &text) {
  QString out = text;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(u'\r', u'\n');
  return out;
}

bool looksLikeWmf(QByteArrayView data) {
  if (data.startsWith("\xD7\xCD\xC6\x9A")) return true;
  return data.size() >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 &&
         data[3] == 0;
}

}  // namespace

RichTextView::RichTextView(QWidget *parent) : QTextEdit(parent), doc_(new SafeDocument(this)) {
  doc_->setUndoRedoEnabled(false);
  setDocument(doc_);
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setAcceptRichText(false);
}

int RichTextView::textLength() const { return std::max(0, doc_->characterCount() - 1); }

void RichTextView::insertText(const QString &text, const QTextCharFormat &format) {
  QTextCursor cursor = textCursor();
  cursor.insertText(normalizedLineEnds(text), format);
  setTextCursor(cursor);
}

void RichTextView::appendText(const QString &text, const QTextCharFormat &format) {
  QTextCursor cursor(doc_);
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(normalizedLineEnds(text), format);
}

RtfReadResult RichTextView::insertRtfAt(QTextCursor &cursor, QByteArrayView rtf,
                                        const RtfLimits &limits) {
  if (!looksLikeRtf(rtf)) {
    RtfReadResult result;
    if (rtf.size() > limits.maxInputBytes) {
      result.status = RtfStatus::TooLarge;
      return result;
    }
    cursor.insertText(normalizedLineEnds(text::decodeCp932(rtf)), cursor.charFormat());
    return result;
  }
  return readRtf(rtf, cursor, limits);
}

RtfReadResult RichTextView::insertRtf(QByteArrayView rtf, const RtfLimits &limits) {
  QTextCursor cursor = textCursor();
  const RtfReadResult result = insertRtfAt(cursor, rtf, limits);
  setTextCursor(cursor);
  return result;
}

RtfReadResult RichTextView::appendRtf(QByteArrayView rtf, const RtfLimits &limits) {
  QTextCursor cursor(doc_);
  cursor.movePosition(QTextCursor::End);
  return insertRtfAt(cursor, rtf, limits);
}

bool RichTextView::insertPicture(QByteArrayView fileData, qint64 maxPixels) {
  DocumentPicture picture;
  picture.kind = sniffPictureKind(fileData);
  if (picture.kind == PictureKind::Unknown && looksLikeWmf(fileData)) {
    picture.kind = PictureKind::Wmf;
    picture.image = decodePicture(PictureKind::Wmf, fileData, maxPixels);
  } else {
    picture.image = decodePictureFile(fileData, maxPixels);
  }
  if (picture.kind != PictureKind::Unknown) picture.data = fileData.toByteArray();
  const bool decoded = !picture.image.isNull();
  if (!decoded) {
    picture.placeholder = true;
    picture.image = placeholderPicture(QSize(48, 48));
  }
  QTextCursor cursor = textCursor();
  richtext::insertPicture(cursor, picture);
  setTextCursor(cursor);
  return decoded;
}

void RichTextView::moveCaretToEnd() {
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
}

QByteArray RichTextView::rtf(int start, int end) const { return writeRtf(*doc_, start, end); }

QByteArray RichTextView::selectedRtf() const {
  const QTextCursor c = textCursor();
  return writeRtf(*doc_, c.selectionStart(), c.selectionEnd());
}

QByteArray RichTextView::toRtf() const { return writeRtf(*doc_); }

QString RichTextView::plainText(int start, int end) const { return plainTextOf(*doc_, start, end); }

bool RichTextView::saveRtf(const QString &path, QString *error) const {
  return saveRtfFile(*doc_, path, error);
}

bool RichTextView::saveText(const QString &path, QString *error) const {
  return saveTextFile(*doc_, path, error);
}

RtfReadResult RichTextView::loadRtf(const QString &path, const RtfLimits &limits) {
  const RtfReadResult result = loadRtfFile(*doc_, path, limits);
  moveCaretToEnd();
  return result;
}

bool RichTextView::loadText(const QString &path) {
  const bool ok = loadTextFile(*doc_, path);
  moveCaretToEnd();
  return ok;
}

void RichTextView::setUrlDetect(bool on) {
  if (on == urlDetect()) return;
  if (on) {
    highlighter_ = new UrlHighlighter(doc_);
  } else {
    delete highlighter_;
    highlighter_ = nullptr;
  }
}

bool RichTextView::underlinedBefore(int position) const {
  const int c = position > 0 ? position - 1 : 0;
  if (c < 0 || c >= textLength()) return false;
  if (doc_->characterAt(c) == QChar::ParagraphSeparator) return false;
  QTextCursor cursor(doc_);
  cursor.setPosition(c + 1);
  if (cursor.charFormat().fontUnderline()) return true;
  const QTextBlock block = doc_->findBlock(c);
  const int offset = c - block.position();
  if (const QTextLayout *layout = block.layout()) {
    for (const QTextLayout::FormatRange &r : layout->formats()) {
      if (offset >= r.start && offset < r.start + r.length && r.format.fontUnderline()) return true;
    }
  }
  return false;
}

RichTextView::ScrollState RichTextView::scrollState() const {
  const QScrollBar *bar = verticalScrollBar();
  return {bar->value(), bar->pageStep(), bar->maximum()};
}

void RichTextView::setFileDrop(bool on) {
  fileDrop_ = on;
  setAcceptDrops(on || !isReadOnly());
}

QVariant RichTextView::loadResource(int, const QUrl &) { return {}; }

bool RichTextView::canInsertFromMimeData(const QMimeData *source) const {
  return source->hasText() || source->hasFormat(kRtfMime) || source->hasFormat(kRtfMimeAlt);
}

void RichTextView::insertFromMimeData(const QMimeData *source) {
  for (const QString &mime : {kRtfMime, kRtfMimeAlt}) {
    if (source->hasFormat(mime)) {
      if (insertRtf(source->data(mime)).ok()) return;
    }
  }
  if (source->hasText()) insertText(source->text(), currentCharFormat());
}

QMimeData *RichTextView::createMimeDataFromSelection() const {
  auto *data = new QMimeData;
  const QTextCursor c = textCursor();
  QString text = plainText(c.selectionStart(), c.selectionEnd());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // desktop clipboards use LF
  data->setText(text);
  if (!plainCopy_) {
    const QByteArray rtf = selectedRtf();
    data->setData(kRtfMime, rtf);
    data->setData(kRtfMimeAlt, rtf);
  }
  return data;
}

void RichTextView::mouseReleaseEvent(QMouseEvent *event) {
  QTextEdit::mouseReleaseEvent(event);
  Q_EMIT mouseReleased(event->button(), event->globalPosition().toPoint());
}

void RichTextView::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Menu ||
      (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
    Q_EMIT menuKeyPressed(viewport()->mapToGlobal(cursorRect().bottomLeft()));
    event->accept();
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void RichTextView::dragEnterEvent(QDragEnterEvent *event) {
  if (fileDrop_ && event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
    return;
  }
  QTextEdit::dragEnterEvent(event);
}

void RichTextView::dragMoveEvent(QDragMoveEvent *event) {
  if (fileDrop_ && event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
    return;
  }
  QTextEdit::dragMoveEvent(event);
}

void RichTextView::dropEvent(QDropEvent *event) {
  if (fileDrop_ && event->mimeData()->hasUrls()) {
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
      if (url.isLocalFile()) paths.append(url.toLocalFile());
    event->acceptProposedAction();
    Q_EMIT filesDropped(paths);
    return;
  }
  QTextEdit::dropEvent(event);
}

AppendScope::AppendScope(RichTextView &view)
    : view_(view), updates_(view.updatesEnabled()), outer_(view.appendDepth_++ == 0) {
  if (!outer_) return;
  before_ = view.scrollState();
  selection_ = view.textCursor();
  view_.setUpdatesEnabled(false);
  edit_ = QTextCursor(view.document());
  edit_.beginEditBlock();
}

AppendScope::~AppendScope() {
  --view_.appendDepth_;
  if (!outer_) return;
  edit_.endEditBlock();
  if (before_.scrolledBack()) {
    view_.setTextCursor(selection_);
    view_.verticalScrollBar()->setValue(before_.position);
  } else {
    view_.moveCaretToEnd();
    view_.ensureCursorVisible();
    QScrollBar *bar = view_.verticalScrollBar();
    bar->setValue(bar->maximum());
  }
  view_.setUpdatesEnabled(updates_);
  view_.viewport()->update();
}

}  // namespace tv::richtext
