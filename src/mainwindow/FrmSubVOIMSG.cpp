#include "mainwindow/FrmSubVOIMSG.h"

#include "app/Fonts.h"
#include "app/UiRoutines.h"
#include "mainwindow/ColourTable.h"
#include "platform/richtext/RichTextView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace tv::mainwindow {
namespace {

constexpr int kMinWidthTwips = 8000;
constexpr int kMinHeightTwips = 2000;
constexpr int kSmallestSize = 8;
constexpr int kLargestSize = 2160;
constexpr int kDefaultSizeIndex = 1;  // 9 points

// A list that may shrink to `minimumTwips` in a narrow window.
QComboBox *list(const QString &name, const QString &accessible, int minimumTwips) {
  auto *combo = new QComboBox;
  combo->setObjectName(name);
  combo->setAccessibleName(accessible);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(1);
  combo->setMinimumWidth(app::TwipsToPixels(combo, minimumTwips));
  return combo;
}

// Formatting buttons leave the keyboard focus in the text when clicked.
QToolButton *formatButton(const QString &name, const QString &caption,
                          const QString &accessible = {}) {
  auto *b = new QToolButton;
  b->setText(caption);
  b->setObjectName(name);
  b->setAccessibleName(accessible.isEmpty() ? caption : accessible);
  b->setFocusPolicy(Qt::TabFocus);
  return b;
}

// A list's caption, just before it: screen readers name lists by their labels (a list
// itself reads out its chosen entry).
QLabel *caption(const QString &text, QWidget *list) {
  auto *label = new QLabel(text);
  label->setBuddy(list);
  return label;
}

}  // namespace

FrmSubVOIMSG::FrmSubVOIMSG(const app::AppInfo &info, const app::Settings &settings, SendRich send,
                           QWidget *parent)
    : QWidget(parent, Qt::Window),
      send_(std::move(send)),
      placement_(this, settings, QStringLiteral("frmSubVOIMSG"),
                 QSize(kMinWidthTwips, kMinHeightTwips)) {
  setObjectName(QStringLiteral("frmSubVOIMSG"));
  setWindowTitle(info.titleTag + QStringLiteral("リッチメッセージ送信"));
  setAttribute(Qt::WA_DeleteOnClose);

  txtRICH_ = new richtext::RichTextView;
  txtRICH_->setObjectName(QStringLiteral("txtRICH"));
  txtRICH_->setAccessibleName(QStringLiteral("書式付き発言の入力"));
  txtRICH_->setReadOnly(false);
  txtRICH_->setTextInteractionFlags(Qt::TextEditorInteraction);
  txtRICH_->document()->setUndoRedoEnabled(true);
  txtRICH_->document()->setDefaultFont(app::LogFont(9));
  txtRICH_->installEventFilter(this);

  auto *layout = new QVBoxLayout(this);
  const int gap = app::TwipsToPixels(this, 60);
  layout->setContentsMargins(gap, gap, gap, gap);
  layout->setSpacing(gap);
  layout->addWidget(buildControls());
  layout->addWidget(txtRICH_, 1);
  setMinimumSize(app::TwipsToPixels(this, kMinWidthTwips),
                 app::TwipsToPixels(this, kMinHeightTwips));

  resetNextFormat(cboSIZE_->currentText().toDouble());
  placement_.load();
  txtRICH_->setFocus();
}

QWidget *FrmSubVOIMSG::buildControls() {
  // The suite's logical font leads the list when it is mapped to an installed font
  // (it is no family the system reports), then the system's families in its order.
  cboFONT_ = list(QStringLiteral("cboFONT"), QStringLiteral("フォント"), 675);
  if (!QFont::substitutes(app::kLogFontName).isEmpty()) cboFONT_->addItem(app::kLogFontName);
  cboFONT_->addItems(QFontDatabase::families());
  cboFONT_->setCurrentIndex(cboFONT_->findText(app::kLogFontName, Qt::MatchExactly));

  cboSIZE_ = list(QStringLiteral("cboSIZE"), QStringLiteral("サイズ"), 675);
  for (int size = kSmallestSize; size <= kLargestSize; ++size)
    cboSIZE_->addItem(QString::number(size));
  cboSIZE_->setCurrentIndex(kDefaultSizeIndex);

  cboForeColor_ = list(QStringLiteral("cboForeColor"), QStringLiteral("文字色"), 675);
  for (int n = 0; n < kColourCount; ++n) cboForeColor_->addItem(ColourSwatch(n), ColourName(n));
  cboForeColor_->setCurrentIndex(0);  // black

  auto *btnFONT = formatButton(QStringLiteral("btnFONT"), QStringLiteral("フォント変更"));
  auto *btnSIZE = formatButton(QStringLiteral("btnSIZE"), QStringLiteral("サイズ変更"));
  auto *btnCOLOR = formatButton(QStringLiteral("btnCOLOR"), QStringLiteral("文字色変更"));
  connect(btnFONT, &QAbstractButton::clicked, this, [this] {
    if (cboFONT_->currentIndex() < 0) return;
    QTextCharFormat f;
    f.setFontFamilies({cboFONT_->currentText()});
    applyToSelection(f);
  });
  connect(btnSIZE, &QAbstractButton::clicked, this, [this] {
    if (cboSIZE_->currentIndex() < 0) return;
    QTextCharFormat f;
    f.setFontPointSize(cboSIZE_->currentText().toInt());
    applyToSelection(f);
  });
  connect(btnCOLOR, &QAbstractButton::clicked, this, [this] {
    if (cboForeColor_->currentIndex() < 0) return;
    QTextCharFormat f;
    f.setForeground(ColourFromValue(ColourValue(cboForeColor_->currentIndex())));
    applyToSelection(f);
  });

  // Tight rows: the window's smallest width holds them.
  const int spacing = app::TwipsToPixels(this, 30);
  auto *top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(spacing);
  top->addWidget(caption(QStringLiteral("フォント"), cboFONT_));
  top->addWidget(cboFONT_, 3);
  top->addWidget(btnFONT);
  top->addWidget(caption(QStringLiteral("サイズ"), cboSIZE_));
  top->addWidget(cboSIZE_, 1);
  top->addWidget(btnSIZE);
  top->addWidget(caption(QStringLiteral("文字色"), cboForeColor_));
  top->addWidget(cboForeColor_, 2);
  top->addWidget(btnCOLOR);

  // Emphasis on and off: caption, its off button's accessible name, how it is set.
  struct Emphasis {
    const char16_t *on, *off, *caption, *offName;
    void (*set)(QTextCharFormat &, bool);
  };
  static const Emphasis kEmphases[] = {
      {u"btnBold", u"btnNOTBOLD", u"太字", u"太字解除",
       [](QTextCharFormat &f, bool on) { f.setFontWeight(on ? QFont::Bold : QFont::Normal); }},
      {u"btnITALIC", u"btnNOTITALIC", u"斜体", u"斜体解除",
       [](QTextCharFormat &f, bool on) { f.setFontItalic(on); }},
      {u"btnUNDERLINE", u"btnNOTUNDERLINE", u"下線", u"下線解除",
       [](QTextCharFormat &f, bool on) { f.setFontUnderline(on); }},
      {u"btnSTRIKE", u"btnNOTSTRIKE", u"取消", u"取消線解除",
       [](QTextCharFormat &f, bool on) { f.setFontStrikeOut(on); }},
  };
  auto *bottom = new QHBoxLayout;
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->setSpacing(spacing);
  for (const Emphasis &e : kEmphases) {
    for (const bool on : {true, false}) {
      auto *b = on ? formatButton(QString::fromUtf16(e.on), QString::fromUtf16(e.caption))
                   : formatButton(QString::fromUtf16(e.off), QStringLiteral("解除"),
                                  QString::fromUtf16(e.offName));
      const auto set = e.set;
      connect(b, &QAbstractButton::clicked, this, [this, set, on] {
        QTextCharFormat f;
        set(f, on);
        applyToSelection(f);
      });
      bottom->addWidget(b);
    }
  }
  bottom->addStretch(1);

  auto *controls = new QWidget;
  auto *rows = new QVBoxLayout(controls);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(app::TwipsToPixels(this, 45));
  rows->addLayout(top);
  rows->addLayout(bottom);
  return controls;
}

QAbstractButton *FrmSubVOIMSG::button(const QString &name) const {
  return findChild<QAbstractButton *>(name);
}

void FrmSubVOIMSG::applyToSelection(const QTextCharFormat &format) {
  // On the selection, or with none on the format of the text typed next.
  txtRICH_->mergeCurrentCharFormat(format);
}

void FrmSubVOIMSG::resetNextFormat(double pointSize) {
  QTextCharFormat f;
  f.setFontFamilies({app::kLogFontName});
  f.setFontPointSize(pointSize > 0 ? pointSize : 9);
  f.setFontWeight(QFont::Normal);
  f.setFontItalic(false);
  f.setFontUnderline(false);
  f.setFontStrikeOut(false);
  f.setForeground(QColor(Qt::black));
  txtRICH_->setCurrentCharFormat(f);
}

void FrmSubVOIMSG::sendContent() {
  if (txtRICH_->document()->isEmpty()) return;
  if (!send_ || !send_(QString::fromLatin1(txtRICH_->toRtf()))) return;
  const double size = txtRICH_->currentCharFormat().fontPointSize();
  txtRICH_->clear();
  resetNextFormat(size);
}

bool FrmSubVOIMSG::eventFilter(QObject *watched, QEvent *event) {
  // Enter, with any modifiers and on the keypad, sends and never breaks the line. An
  // Enter that confirms an input-method conversion reaches the text as the input
  // method's commit, not as a key press, so it never sends.
  if (watched == txtRICH_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      sendContent();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FrmSubVOIMSG::closeEvent(QCloseEvent *event) {
  placement_.save();
  event->accept();
}

void FrmSubVOIMSG::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  placement_.remember();
}

void FrmSubVOIMSG::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (!(windowState() & Qt::WindowMinimized)) placement_.remember();
}

}  // namespace tv::mainwindow
