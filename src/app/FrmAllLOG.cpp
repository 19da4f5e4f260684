#include "app/FrmAllLOG.h"

#include "app/AppInfo.h"
#include "app/Fonts.h"
#include "app/LinkRoutines.h"
#include "platform/richtext/RichTextView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

namespace tv::app {
namespace {
constexpr int kMinTwips = 2000;
constexpr int kKeep = std::numeric_limits<int>::min();  // placeFrame: leave as it is
// Time one turn of the event loop spends appending waiting lines (a single long line
// may take longer).
constexpr qint64 kAppendSliceMs = 8;
}  // namespace

FrmAllLOG::FrmAllLOG(const AppInfo &info, const Settings &settings, UrlOpener opener,
                     QWidget *parent)
    : QWidget(parent, Qt::Window),
      opener_(std::move(opener)),
      placement_(this, settings, QStringLiteral("frmAllLOG"), QSize(7000, 6000)) {
  setObjectName(QStringLiteral("frmAllLOG"));
  setWindowTitle(info.titleTag + QStringLiteral("全チャット受信ログ"));

  txtLOG_ = new richtext::RichTextView(this);
  txtLOG_->setObjectName(QStringLiteral("txtLOG"));
  txtLOG_->setAccessibleName(QStringLiteral("全チャット受信ログ"));
  txtLOG_->document()->setDefaultFont(LogFont(9));
  txtLOG_->setPlainTextCopy(true);
  // As in the chat views: no second layout when the scroll bar would first appear.
  txtLOG_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  EnableUrlDetect(txtLOG_);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(txtLOG_);
  setMinimumSize(TwipsToPixels(this, kMinTwips), TwipsToPixels(this, kMinTwips));

  menu_ = new QMenu(this);
  copyAction_ = menu_->addAction(QStringLiteral("コピー(&C)"), this, &FrmAllLOG::copySelection);
  copyAction_->setShortcut(QKeySequence::Copy);
  copyAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(copyAction_);
  menu_->addSeparator();
  struct Command {
    const char16_t *caption;
    void (*apply)(FrmAllLOG *, const QRect &);
  };
  static const Command kCommands[] = {
      {u"このウィンドウの幅をディスプレイの幅と同じにする",
       [](FrmAllLOG *w, const QRect &s) { w->placeFrame(s.left(), kKeep, s.width(), kKeep); }},
      {u"このウィンドウの高さをディスプレイの高さと同じにする",
       [](FrmAllLOG *w, const QRect &s) { w->placeFrame(kKeep, s.top(), kKeep, s.height()); }},
      {u"このウィンドウをディスプレイの一番上に移動する",
       [](FrmAllLOG *w, const QRect &s) { w->placeFrame(kKeep, s.top(), kKeep, kKeep); }},
      {u"このウィンドウをディスプレイの一番下に移動する",
       [](FrmAllLOG *w, const QRect &s) {
         w->placeFrame(kKeep, s.top() + s.height() - w->frameGeometry().height(), kKeep, kKeep);
       }},
      {u"このウィンドウをディスプレイの一番左に移動する",
       [](FrmAllLOG *w, const QRect &s) { w->placeFrame(s.left(), kKeep, kKeep, kKeep); }},
      {u"このウィンドウをディスプレイの一番右に移動する",
       [](FrmAllLOG *w, const QRect &s) {
         w->placeFrame(s.left() + s.width() - w->frameGeometry().width(), kKeep, kKeep, kKeep);
       }},
  };
  for (const Command &command : kCommands) {
    const auto apply = command.apply;
    menu_->addAction(QString::fromUtf16(command.caption), this, [this, apply] {
      const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
      apply(this, screen ? screen->geometry() : QRect(0, 0, 1024, 768));
    });
  }

  connect(txtLOG_, &richtext::RichTextView::mouseReleased, this,
          [this](Qt::MouseButton button, const QPoint &globalPos) {
            if (button == Qt::LeftButton)
              OpenLinkAtCaret(txtLOG_, opener_);
            else if (button == Qt::RightButton)
              showPopup(globalPos);
          });
  connect(txtLOG_, &richtext::RichTextView::menuKeyPressed, this, &FrmAllLOG::showPopup);

  appendTimer_ = new QTimer(this);
  appendTimer_->setSingleShot(true);
  appendTimer_->setInterval(0);
  connect(appendTimer_, &QTimer::timeout, this, &FrmAllLOG::appendSome);

  placement_.load();
}

QList<QAction *> FrmAllLOG::menuActions() const {
  QList<QAction *> actions;
  for (QAction *a : menu_->actions())
    if (!a->isSeparator()) actions.append(a);
  return actions;
}

void FrmAllLOG::AddLog(QByteArrayView rtf, const QString &source) {
  AddLog(LogLine(rtf.toByteArray()), source);
}

void FrmAllLOG::AddLog(const QList<LogRun> &runs, const QString &source) {
  AddLog(LogLine(runs), source);
}

void FrmAllLOG::AddLog(const LogLine &line, const QString &source) {
  pending_.push_back({line, source});
  appendTimer_->start();
}

void FrmAllLOG::AppendPending() {
  appendTimer_->stop();
  while (!pending_.empty()) {
    const Pending next = std::move(pending_.front());
    pending_.pop_front();
    appendLine(next);
  }
}

void FrmAllLOG::appendSome() {
  QElapsedTimer slice;
  slice.start();
  while (!pending_.empty() && !slice.hasExpired(kAppendSliceMs)) {
    const Pending next = std::move(pending_.front());
    pending_.pop_front();
    appendLine(next);
  }
  if (!pending_.empty()) appendTimer_->start();
}

void FrmAllLOG::appendLine(const Pending &pending) {
  richtext::AppendScope scope(*txtLOG_);
  if (!pending.source.isEmpty()) {
    // Formats go with the appended text only: setting the view's current format would
    // re-format whatever the reader has selected.
    QTextCharFormat plain;
    plain.setFontWeight(QFont::Normal);
    plain.setFontItalic(false);
    plain.setFontUnderline(false);
    plain.setFontStrikeOut(false);
    plain.setForeground(QColor(0, 0, 0));
    txtLOG_->appendText(pending.source + u'>', plain);
  }
  if (pending.line.rtf.isEmpty()) {
    for (const LogRun &run : pending.line.runs) txtLOG_->appendText(run.text, run.format);
  } else {
    txtLOG_->appendRtf(pending.line.rtf);
  }
}

void FrmAllLOG::GoUnload() {
  unloading_ = true;
  close();
}

void FrmAllLOG::closeEvent(QCloseEvent *event) {
  if (!unloading_) {
    event->ignore();
    hide();
    return;
  }
  placement_.save();
  event->accept();
}

void FrmAllLOG::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  placement_.remember();
}

void FrmAllLOG::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (!(windowState() & Qt::WindowMinimized)) placement_.remember();
}

void FrmAllLOG::mouseReleaseEvent(QMouseEvent *event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::RightButton) showPopup(event->globalPosition().toPoint());
}

void FrmAllLOG::copySelection() {
  QClipboard *clipboard = QApplication::clipboard();
  clipboard->clear();
  const QTextCursor c = txtLOG_->textCursor();
  QString text = txtLOG_->plainText(c.selectionStart(), c.selectionEnd());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  clipboard->setText(text);
}

void FrmAllLOG::showPopup(const QPoint &globalPos) { menu_->popup(globalPos); }

void FrmAllLOG::placeFrame(int left, int top, int width, int height) {
  // Positions and sizes are of the outer frame, as the user sees the window.
  const QRect frame = frameGeometry();
  const QSize extra = frame.size() - size();
  if (width != kKeep || height != kKeep)
    resize(width != kKeep ? width - extra.width() : this->width(),
           height != kKeep ? height - extra.height() : this->height());
  move(left != kKeep ? left : frame.left(), top != kKeep ? top : frame.top());
}

}  // namespace tv::app
