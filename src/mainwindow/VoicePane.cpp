#include "mainwindow/VoicePane.h"

#include "app/UiRoutines.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/FlowLayout.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/TopicLine.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace tv::mainwindow {
namespace {

// Design sizes in twips.
constexpr int kUserListTwips = 2400;
constexpr int kGapTwips = 60;
constexpr int kInputRowTwips = 300;

const QStringList kMikeMuteModes = {
    QStringLiteral("マイクミュートボタンを使用"),  QStringLiteral("CapsLock  がON の時ミュート"),
    QStringLiteral("CapsLock  がOFFの時ミュート"), QStringLiteral("NumLock   がON の時ミュート"),
    QStringLiteral("NumLock   がOFFの時ミュート"), QStringLiteral("ScrollLockがON の時ミュート"),
    QStringLiteral("ScrollLockがOFFの時ミュート"), QStringLiteral("左CTRL キーによるトグル"),
    QStringLiteral("右CTRL キーによるトグル"),     QStringLiteral("左SHIFTキーによるトグル"),
    QStringLiteral("右SHIFTキーによるトグル"),     QStringLiteral("左ALT  キーによるトグル"),
    QStringLiteral("右ALT  キーによるトグル"),     QStringLiteral("Insert キーによるトグル"),
    QStringLiteral("Home   キーによるトグル"),
};

// A label and its control, kept together when the strip wraps.
QWidget *pair(QLabel *label, QWidget *control) {
  auto *box = new QWidget;
  auto *layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(label);
  layout->addWidget(control);
  label->setBuddy(control);
  return box;
}

QComboBox *selector(const QString &name, const QString &accessible, const QStringList &entries) {
  auto *combo = new QComboBox;
  combo->setObjectName(name);
  combo->setAccessibleName(accessible);
  combo->addItems(entries);
  return combo;
}

QToolButton *button(const QString &name, const QString &caption, const QString &tip) {
  auto *b = new QToolButton;
  b->setText(caption);
  b->setAccessibleName(caption);
  b->setObjectName(name);
  if (!tip.isEmpty()) b->setToolTip(tip);
  return b;
}

QAction *menuEntry(QMenu *menu, const QString &name, const QString &caption) {
  QAction *a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

}  // namespace

VoicePane::VoicePane(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("fraVOICE"));
  strip_ = buildControlStrip();
  strip_->setParent(this);

  lblUserNum_ = new QLabel(this);
  lblUserNum_->setObjectName(QStringLiteral("lblUserNum"));
  lblUserNum_->setAccessibleName(QStringLiteral("参加人数"));
  lblUserNum_->setToolTip(QStringLiteral("クリックで人数制限を設定します"));
  // Focusable so that the limit menu can be opened from the keyboard too.
  lblUserNum_->setFocusPolicy(Qt::TabFocus);
  lblUserNum_->installEventFilter(this);
  lblTOPIC_ = new QLabel(QStringLiteral("TOPIC"), this);
  txtTOPIC_ = new TopicLine(this);
  lblTOPIC_->setBuddy(txtTOPIC_);
  btnVEXIT_ = button(QStringLiteral("btnVEXIT"), QStringLiteral("退出"),
                     QStringLiteral("音声チャットを終了します"));
  btnVEXIT_->setParent(this);
  lstUSER_ = new ParticipantList(this);
  txtLOG_ = new ChatLogView(this);

  userMenu_ = new QMenu(this);
  userMenu_->setObjectName(QStringLiteral("btnUserListRoot"));
  userMenu_->setAccessibleName(QStringLiteral("参加者メニュー"));
  menuEntry(userMenu_, QStringLiteral("btnKICK"), QStringLiteral("この人を追放する"));
  menuEntry(userMenu_, QStringLiteral("btnDccSend"), QStringLiteral("この人にファイルを送る"));
  limitMenu_ = new QMenu(this);
  limitMenu_->setObjectName(QStringLiteral("btnLimitRoot"));
  limitMenu_->setAccessibleName(QStringLiteral("人数制限メニュー"));
  menuEntry(limitMenu_, QStringLiteral("btnLimitPlus"), QStringLiteral("人数を制限する"));
  menuEntry(limitMenu_, QStringLiteral("btnLimitMinus"), QStringLiteral("人数制限を解除する"));
  mikeMenu_ = new QMenu(this);
  mikeMenu_->setObjectName(QStringLiteral("btnMikeRoot"));
  mikeMenu_->setAccessibleName(QStringLiteral("マイクメニュー"));
  menuEntry(mikeMenu_, QStringLiteral("btnMKSetup"), QStringLiteral("マイクを自動調整する"));

  connect(lstUSER_, &ParticipantList::mouseReleased, this,
          [this](Qt::MouseButton button, const QPoint &globalPos) {
            if (button == Qt::RightButton) userMenu_->popup(globalPos);
          });
  connect(lstUSER_, &ParticipantList::menuKeyPressed, userMenu_,
          [this](const QPoint &globalPos) { userMenu_->popup(globalPos); });
  btnMuteMK_->installEventFilter(this);
  sldMK_->installEventFilter(this);
}

QWidget *VoicePane::buildControlStrip() {
  auto *strip = new QWidget;
  auto *flow = new FlowLayout(strip, app::TwipsToPixels(this, 180), app::TwipsToPixels(this, 45));

  lblMyColor_ = new QLabel(QStringLiteral("通常発言"));
  lblMyColor_->setObjectName(QStringLiteral("lblMyColor"));
  cboMyColor_ = new QComboBox;
  cboMyColor_->setObjectName(QStringLiteral("cboMyColor"));
  cboMyColor_->setAccessibleName(QStringLiteral("自分の発言色"));
  for (int n = 0; n < kColourCount; ++n) cboMyColor_->addItem(ColourSwatch(n), ColourName(n));
  flow->addWidget(pair(lblMyColor_, cboMyColor_));

  const QStringList digits = {QStringLiteral("１"), QStringLiteral("２"), QStringLiteral("３"),
                              QStringLiteral("４")};
  cboMyTeam_ = selector(QStringLiteral("cboMyTeam"), QStringLiteral("所属音声チーム"),
                        QStringList{QStringLiteral("－")} + digits);
  flow->addWidget(pair(new QLabel(QStringLiteral("所属音声チーム")), cboMyTeam_));
  cboTxTeam_ = selector(QStringLiteral("cboTxTeam"), QStringLiteral("送信先音声チーム"),
                        QStringList{QStringLiteral("全員")} + digits);
  flow->addWidget(pair(new QLabel(QStringLiteral("送信先音声チーム")), cboTxTeam_));

  // Volume, mute and level of one direction: the mute button beside the slider, the
  // level meter as a thin bar under the slider.
  auto volume = [this](QToolButton *mute, QSlider *&slider, QProgressBar *&meter,
                       const QString &sliderName, const QString &sliderTip,
                       const QString &meterName, const QString &meterLabel) {
    mute->setCheckable(true);
    slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(sliderName);
    slider->setAccessibleName(sliderTip);
    slider->setToolTip(sliderTip);
    slider->setRange(-10000, 0);
    slider->setPageStep(500);
    slider->setSingleStep(100);
    slider->setTickInterval(500);
    // A drag changes the value once, when the thumb is let go: every change pauses.
    slider->setTracking(false);
    slider->setFixedWidth(app::TwipsToPixels(this, 1100));
    meter = new QProgressBar;
    meter->setObjectName(meterName);
    meter->setAccessibleName(meterLabel);
    meter->setRange(0, 99);
    meter->setValue(0);
    meter->setTextVisible(false);
    meter->setFixedHeight(app::TwipsToPixels(this, 75));
    meter->setFixedWidth(app::TwipsToPixels(this, 1100));
    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    column->addWidget(slider);
    column->addWidget(meter);
    auto *box = new QWidget;
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(mute);
    row->addLayout(column);
    return box;
  };
  btnMuteSP_ = button(QStringLiteral("btnMuteSP"), QStringLiteral("スピーカ"),
                      QStringLiteral("スピーカミュート"));
  flow->addWidget(volume(btnMuteSP_, sldSP_, prgSP_, QStringLiteral("sldSP"),
                         QStringLiteral("スピーカボリューム"), QStringLiteral("prgSP"),
                         QStringLiteral("スピーカ出力レベル")));
  btnMuteMK_ = button(QStringLiteral("btnMuteMK"), QStringLiteral("マイク"),
                      QStringLiteral("マイクミュート(右クリックで自動マイク調整)"));
  flow->addWidget(volume(btnMuteMK_, sldMK_, prgMK_, QStringLiteral("sldMK"),
                         QStringLiteral("マイクボリューム"), QStringLiteral("prgMK"),
                         QStringLiteral("マイク入力レベル")));

  cboMikeMute_ = selector(QStringLiteral("cboMikeMute"),
                          QStringLiteral("マイクミュート方法切替リスト"), kMikeMuteModes);
  cboMikeMute_->setToolTip(QStringLiteral("マイクミュート方法切替リスト"));
  // Shown when the chosen key is seen only while a Talvora window has the focus.
  const QString note =
      QStringLiteral("このキーはTalvoraのウィンドウが選ばれている間だけ働きます。");
  lblMikeMuteNote_ = new QLabel(note);
  lblMikeMuteNote_->setObjectName(QStringLiteral("lblMikeMuteNote"));
  lblMikeMuteNote_->setAccessibleName(note);
  lblMikeMuteNote_->setAccessibleDescription(note);
  lblMikeMuteNote_->hide();
  auto *muteBox = new QWidget;
  auto *muteColumn = new QVBoxLayout(muteBox);
  muteColumn->setContentsMargins(0, 0, 0, 0);
  muteColumn->setSpacing(1);
  muteColumn->addWidget(cboMikeMute_);
  muteColumn->addWidget(lblMikeMuteNote_);
  flow->addWidget(muteBox);

  btnRichChat_ = button(QStringLiteral("btnRichChat"), QStringLiteral("書式付き発言"),
                        QStringLiteral("書式をいろいろ設定して発言します"));
  btnPIC_ = button(QStringLiteral("btnPIC"), QStringLiteral("画像送信"),
                   QStringLiteral("チャット画面で画像を送信します"));
  auto *buttons = new QWidget;
  auto *buttonRow = new QHBoxLayout(buttons);
  buttonRow->setContentsMargins(0, 0, 0, 0);
  buttonRow->setSpacing(4);
  buttonRow->addWidget(btnRichChat_);
  buttonRow->addWidget(btnPIC_);
  flow->addWidget(buttons);
  return strip;
}

void VoicePane::showOwnColour(int number) {
  QPalette palette = lblMyColor_->palette();
  palette.setColor(QPalette::WindowText, ColourFromValue(ColourValue(number)));
  lblMyColor_->setPalette(palette);
  cboMyColor_->setCurrentIndex(number);
}

QAction *VoicePane::action(const QString &name) const { return findChild<QAction *>(name); }

void VoicePane::setInputRowHeight(int pixels) {
  inputRowHeight_ = pixels;
  layoutPane();
}

QRect VoicePane::inputRect() const { return arrange(size()).input; }

void VoicePane::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  layoutPane();
}

bool VoicePane::event(QEvent *event) {
  if (event->type() == QEvent::LayoutRequest) layoutPane();
  return QWidget::event(event);
}

VoicePane::Arrangement VoicePane::arrange(const QSize &size) const {
  const int w = size.width(), h = size.height();
  const int gap = app::TwipsToPixels(this, kGapTwips);
  const int userWidth = app::TwipsToPixels(this, kUserListTwips);
  Arrangement a;
  a.strip = QRect(0, 0, w, strip_->layout()->heightForWidth(w));

  // Topic row: the member count over the list, the topic up to the exit button.
  const int rowTop = a.strip.height() + gap;
  const int rowHeight = std::max({txtTOPIC_->sizeHint().height(), btnVEXIT_->sizeHint().height(),
                                  lblUserNum_->sizeHint().height()});
  a.userNum = QRect(0, rowTop, userWidth, rowHeight);
  const int exitWidth = btnVEXIT_->sizeHint().width();
  a.exit = QRect(w - exitWidth, rowTop, exitWidth, rowHeight);
  const int topicLeft = userWidth + gap;
  const int labelWidth = lblTOPIC_->sizeHint().width();
  a.topicLabel = QRect(topicLeft, rowTop, labelWidth, rowHeight);
  const int editLeft = topicLeft + labelWidth + gap;
  a.topic = QRect(editLeft, rowTop, std::max(0, w - exitWidth - gap - editLeft), rowHeight);

  // The list reaches the bottom edge; the log leaves the input line's row free.
  const int bodyTop = rowTop + rowHeight + gap;
  const int inputRow = std::max(app::TwipsToPixels(this, kInputRowTwips), inputRowHeight_);
  a.users = QRect(0, bodyTop, userWidth, std::max(0, h - bodyTop));
  a.log =
      QRect(topicLeft, bodyTop, std::max(0, w - topicLeft), std::max(0, h - inputRow - bodyTop));
  // In a window too small for everything the input line still stays inside the pane.
  a.input = QRect(a.log.left(), std::max(0, h - inputRow), a.log.width(), inputRow);
  return a;
}

void VoicePane::layoutPane() {
  const Arrangement a = arrange(size());
  strip_->setGeometry(a.strip);
  lblUserNum_->setGeometry(a.userNum);
  btnVEXIT_->setGeometry(a.exit);
  lblTOPIC_->setGeometry(a.topicLabel);
  txtTOPIC_->setGeometry(a.topic);
  lstUSER_->setGeometry(a.users);
  txtLOG_->setGeometry(a.log);
}

bool VoicePane::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint at = mouse->globalPosition().toPoint();
    if (watched == lblUserNum_) {
      limitMenu_->popup(at);
    } else if ((watched == btnMuteMK_ || watched == sldMK_) && mouse->button() == Qt::RightButton) {
      mikeMenu_->popup(at);
    }
  } else if (event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    auto *widget = static_cast<QWidget *>(watched);
    const QPoint at = widget->mapToGlobal(widget->rect().bottomLeft());
    const bool press =
        key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
    if (watched == lblUserNum_ && (press || app::IsMenuKey(*key))) {
      limitMenu_->popup(at);
      return true;
    }
    if ((watched == btnMuteMK_ || watched == sldMK_) && app::IsMenuKey(*key)) {
      mikeMenu_->popup(at);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tv::mainwindow
