#include "mainwindow/ChatLogView.h"

#include "app/Fonts.h"
#include "app/LinkRoutines.h"
#include "mainwindow/ChatPicture.h"
#include "mainwindow/ChatText.h"
#include "platform/richtext/RtfPicture.h"
#include "platform/text/Cp932.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextImageFormat>

namespace tv::mainwindow {
namespace {

const QColor kBlue(0, 0, 255);
// Shown instead of a rich line the reader refuses (not RTF, too deep, over a limit).
const QString kUnshowableRichLine = QStringLiteral("（表示できない書式付き発言）");
const QSize kPlaceholderSize(48, 48);

// Every inserted run starts from this: the log font, 9 point, no emphasis.
QTextCharFormat baseFormat(const QColor &colour, bool underline = false) {
  QTextCharFormat f;
  f.setFontFamilies({app::kLogFontName});
  f.setFontPointSize(9);
  f.setFontWeight(QFont::Normal);
  f.setFontItalic(false);
  f.setFontStrikeOut(false);
  f.setFontUnderline(underline);
  f.setForeground(colour);
  return f;
}

}  // namespace

ChatLogView::ChatLogView(const Setup &setup, QWidget *parent)
    : RichTextView(parent), clock_([] { return QTime::currentTime(); }) {
  setObjectName(setup.objectName);
  setAccessibleName(setup.accessibleName);
  setToolTip(setup.toolTip);
  document()->setDefaultFont(app::LogFont(9));
  setPlainTextCopy(true);
  // A scroll bar that appeared with the first long line would lay the whole log out
  // a second time, for the narrower width.
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFileDrop(setup.fileDrop);
  app::EnableUrlDetect(this);

  if (setup.menu) {
    menu_ = setup.menu;
  } else {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("btnLogRoot"));
    menu_->setAccessibleName(QStringLiteral("チャットログメニュー"));
    QAction *selTopic = menu_->addAction(QStringLiteral("選択範囲をトピックにする"));
    selTopic->setObjectName(QStringLiteral("btnMenuSelTOPIC"));
    QAction *selCopy = menu_->addAction(QStringLiteral("選択範囲をコピーする"));
    selCopy->setObjectName(QStringLiteral("btnMenuSelCOPY"));
    connect(selCopy, &QAction::triggered, this, &ChatLogView::copySelection);
    connect(selTopic, &QAction::triggered, this,
            [this] { Q_EMIT topicFromSelection(TopicFromSelection(selectedPlainText())); });
  }

  connect(this, &RichTextView::mouseReleased, this,
          [this](Qt::MouseButton button, const QPoint &globalPos) {
            if (button == Qt::LeftButton)
              app::OpenLinkAtCaret(this, opener_);
            else if (button == Qt::RightButton)
              showMenu(globalPos);
          });
  connect(this, &RichTextView::menuKeyPressed, this, &ChatLogView::showMenu);
  connect(this, &RichTextView::filesDropped, this, &ChatLogView::onFilesDropped);
}

void ChatLogView::appendLine(const QString &header, const QString &body, const QColor &colour,
                             bool rtf) {
  const int start = textLength();
  const QTextCharFormat line = baseFormat(colour);
  QList<app::LogRun> runs{{TimeOfDayText(clock_()) + u' ', baseFormat(kBlue)}};
  if (!header.isEmpty()) runs.append({header, line});
  if (!rtf)
    for (const ChatRun &run : SplitChatBody(body))
      runs.append({run.text, run.link ? baseFormat(kBlue, true) : line});
  {
    richtext::AppendScope scope(*this);
    for (const app::LogRun &run : std::as_const(runs)) appendText(run.text, run.format);
    if (rtf) {
      // Raw bytes of an RTF text are in its code page, 932 for every peer.
      const QByteArray bytes = text::encodeCp932(body);
      if (!richtext::looksLikeRtf(bytes) || !appendRtf(bytes).ok())
        appendText(kUnshowableRichLine, line);
      appendText(QStringLiteral("\r\n"), line);
    }
  }
  if (!sink_) return;
  sink_(rtf ? app::LogLine(this->rtf(start, textLength())) : app::LogLine(runs));
}

void ChatLogView::appendSystemLines(const QStringList &lines) {
  for (const QString &line : lines) appendSystemLine(line);
}

void ChatLogView::appendPicture(const QImage &image) {
  richtext::AppendScope scope(*this);
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  richtext::DocumentPicture picture;
  picture.image = image;
  richtext::insertPicture(cursor, picture);
  appendText(QStringLiteral("\r\n"), baseFormat(Qt::black));
}

QString ChatLogView::appendPicturePlaceholder(const QString &fileName) {
  richtext::AppendScope scope(*this);
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  richtext::DocumentPicture picture;
  picture.image = richtext::placeholderPicture(kPlaceholderSize);
  picture.placeholder = true;
  richtext::insertPicture(cursor, picture);
  const QString key = cursor.charFormat().toImageFormat().name();
  appendText(UndecodablePictureLine(fileName) + QStringLiteral("\r\n"), baseFormat(Qt::black));
  return key;
}

bool ChatLogView::replacePlaceholder(const QString &key, const QImage &image) {
  // The placeholder opens its own paragraph; later lines only ever follow it, so the
  // search starts from the end.
  for (QTextBlock block = document()->lastBlock(); block.isValid(); block = block.previous()) {
    QTextCursor first(block);
    first.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    if (!first.charFormat().isImageFormat() || first.charFormat().toImageFormat().name() != key)
      continue;
    richtext::AppendScope scope(*this);
    QTextCursor line(block);
    line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    line.removeSelectedText();
    richtext::DocumentPicture picture;
    picture.image = image;
    richtext::insertPicture(line, picture);
    return true;
  }
  return false;
}

QString ChatLogView::selectedPlainText() const {
  const QTextCursor c = textCursor();
  return plainText(c.selectionStart(), c.selectionEnd());
}

void ChatLogView::copySelection() {
  QClipboard *clipboard = QApplication::clipboard();
  clipboard->clear();
  QString text = selectedPlainText();
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // desktop clipboards use LF
  clipboard->setText(text);
}

void ChatLogView::showMenu(const QPoint &globalPos) {
  const bool usable = SelectionFitsOneLine(selectedPlainText());
  // An owner's menu may gain entries after the view was made: looked up each time.
  for (const char16_t *name : {u"btnMenuSelTOPIC", u"btnMenuSelCOPY"})
    for (QAction *entry : menu_->actions())
      if (entry->objectName() == QStringView(name)) entry->setEnabled(usable);
  menu_->popup(globalPos);
}

void ChatLogView::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_C && (event->modifiers() & Qt::ControlModifier)) {
    copySelection();
    event->accept();
    return;
  }
  RichTextView::keyPressEvent(event);
}

void ChatLogView::onFilesDropped(const QStringList &paths) {
  // A drop that carries no local file (text, a web address) is not a picture to send.
  if (paths.size() == 1)
    Q_EMIT fileDropped(paths.first());
  else if (paths.size() > 1)
    appendSystemLines(MultipleDropLines());
}

}  // namespace tv::mainwindow
