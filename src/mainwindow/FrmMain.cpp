#include "mainwindow/FrmMain.h"

#include "app/FrmAllLOG.h"
#include "app/LocalAddress.h"
#include "app/Settings.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/InputLine.h"
#include "mainwindow/OldLogPane.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/TopicLine.h"
#include "mainwindow/VoicePane.h"
#include "platform/keystate/KeyState.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tv::mainwindow {
namespace {

// Design sizes in twips.
constexpr int kMinWidthTwips = 5000;
constexpr int kMinHeightTwips = 3000;
constexpr int kPaneLeftTwips = 120;  // pane origin inside the tab strip
constexpr int kPaneTopTwips = 360;
constexpr int kPaneMarginTwips = 120;  // right and bottom of the panes

const QString kVoice = QStringLiteral("VOICE");

QToolButton *frameButton(const QString &name, const QString &caption, const QString &tip) {
  auto *b = new QToolButton;
  b->setText(caption);
  b->setObjectName(name);
  b->setToolTip(tip);
  b->setFocusPolicy(Qt::TabFocus);
  b->setAccessibleName(caption);
  return b;
}

}  // namespace

FrmMain::FrmMain(const app::AppInfo &info, const app::Settings &settings, Services services,
                 QWidget *parent)
    : QWidget(parent),
      info_(info),
      settings_(settings),
      services_(std::move(services)),
      placement_(this, settings, QStringLiteral("frmMain"), QSize(7000, 6000)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(info_.titleTag);
  setMinimumSize(app::TwipsToPixels(this, kMinWidthTwips),
                 app::TwipsToPixels(this, kMinHeightTwips));

  tabFrame_ = new QFrame(this);
  tabFrame_->setFrameShape(QFrame::StyledPanel);
  tabMAIN_ = new QTabBar(this);
  tabMAIN_->setObjectName(QStringLiteral("tabMAIN"));
  tabMAIN_->setAccessibleName(QStringLiteral("画面切り替え"));
  tabMAIN_->setExpanding(false);
  tabMAIN_->setUsesScrollButtons(true);
  tabMAIN_->setDrawBase(false);
  frameButtons_ = buildFrameButtons();
  frameButtons_->setParent(this);

  fraINF_ = buildInfoPane();
  fraINF_->setParent(this);
  OldLogPane::Services logServices;
  logServices.report = [this](const QString &kind, const QString &message) {
    addINF(QStringLiteral("TV"), kind, message);
  };
  fraLOG_ = new OldLogPane(info_, settings_, std::move(logServices), this);
  fraVOICE_ = new VoicePane(this);
  cboTX_ = new InputLine(this);
  fraVOICE_->setInputRowHeight(cboTX_->sizeHint().height());

  statusBar_ = new QStatusBar(this);
  statusBar_->setObjectName(QStringLiteral("stbMAIN"));
  statusPanel_ = new QLabel(QStringLiteral("Status"));
  statusPanel_->setObjectName(app::ArrayName(QStringLiteral("stbPanel"), 0));
  statusPanel_->setAccessibleName(QStringLiteral("状態"));
  statusPanel_->setTextFormat(Qt::PlainText);
  statusBar_->addWidget(statusPanel_, 1);

  timEND_ = new QTimer(this);
  timEND_->setObjectName(QStringLiteral("timEND"));
  timEND_->setInterval(50);
  connect(timEND_, &QTimer::timeout, this, &FrmMain::onEndTick);

  // Recent input lines, then the two fixed tabs; INFO is shown, the rest hidden.
  cboTX_->loadHistory(info_.filePath(QStringLiteral("ChatTxLog.txt")));
  appendTab(QStringLiteral("INFO"), QStringLiteral("INFO"));
  appendTab(QStringLiteral("OldLog"), QStringLiteral("過去ログ"));
  tabMAIN_->setCurrentIndex(0);
  viewKey_ = tabMAIN_->tabData(0).toString();
  fraLOG_->hide();
  fraVOICE_->hide();
  cboTX_->hide();
  if (services_.makeIrcPane) adoptIrcPane(services_.makeIrcPane());
  connect(tabMAIN_, &QTabBar::currentChanged, this, [this] { SyncSelectedTab(); });

  UpdateVoiceButtons();
  connectMicControls();
  applyStoredChoices();

  // Chat log, input line and topic line.
  ChatLogView *log = txtLOG();
  if (services_.clock) log->setClock(services_.clock);
  log->setUrlOpener(services_.openUrl);
  log->setLineSink([this](const app::LogLine &line) {
    if (services_.allLog) services_.allLog->AddLog(line, kVoice);
  });
  connect(log, &ChatLogView::topicFromSelection, this, &FrmMain::commitTopic);
  connect(log, &ChatLogView::fileDropped, this, &FrmMain::pictureSendRequested);
  connect(fraVOICE_->txtTOPIC(), &TopicLine::topicEntered, this, &FrmMain::commitTopic);
  cboTX_->setEnterHandler(
      [this](const QString &text, bool ctrl) { return onInputEnter(text, ctrl); });
  connect(fraVOICE_->btnVEXIT(), &QAbstractButton::clicked, this, [this] {
    if (session_) session_->EndVoiceChat();
  });
  connect(fraVOICE_->btnRichChat(), &QAbstractButton::clicked, this,
          &FrmMain::richComposerRequested);
  connect(fraVOICE_->btnPIC(), &QAbstractButton::clicked, this, &FrmMain::pictureWindowRequested);
  connectParticipantTools();
  setUpPictures();

  placement_.load();
  layoutWindow();
}

FrmMain::~FrmMain() = default;

QWidget *FrmMain::buildInfoPane() {
  auto *pane = new QWidget;
  pane->setObjectName(QStringLiteral("fraINF"));
  lstINF_ = new InfoLog;
  auto *caption = new QLabel(QStringLiteral("このパソコンのIPアドレス"));
  lblIP_ = new QLabel;
  lblIP_->setObjectName(QStringLiteral("lblIP"));
  lblIP_->setAccessibleName(QStringLiteral("このパソコンのIPアドレス"));
  lblIP_->setTextFormat(Qt::PlainText);
  lblIP_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblIP_->setText(services_.localAddress ? services_.localAddress() : app::LocalIpAddress());
  auto *btnCopyIP = new QPushButton(QStringLiteral("←クリップボードにコピー"));
  btnCopyIP->setObjectName(QStringLiteral("btnCopyIP"));
  connect(btnCopyIP, &QAbstractButton::clicked, this, [this] {
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(lblIP_->text());
  });
  auto *row = new QHBoxLayout;
  row->addWidget(caption);
  row->addWidget(lblIP_);
  row->addWidget(btnCopyIP);
  row->addStretch(1);
  auto *layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row);
  layout->addWidget(lstINF_, 1);
  return pane;
}

QWidget *FrmMain::buildFrameButtons() {
  auto *box = new QWidget;
  auto *layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  auto *btnIRC = frameButton(QStringLiteral("btnIRC"), QStringLiteral("接続"),
                             QStringLiteral("IRCサーバに接続します"));
  auto *btnSetIRC = frameButton(QStringLiteral("btnSetIRC"), QStringLiteral("IRC設定"),
                                QStringLiteral("IRCの挨拶メッセージを設定します"));
  btnVHOST_ = frameButton(QStringLiteral("btnVHOST"), QStringLiteral("ホスト"),
                          QStringLiteral("音声チャットのホストになります"));
  btnVJOIN_ = frameButton(QStringLiteral("btnVJOIN"), QStringLiteral("参加"),
                          QStringLiteral("音声チャットに参加します"));
  btnStopJOIN_ = frameButton(QStringLiteral("btnStopJOIN"), QStringLiteral("中止"),
                             QStringLiteral("ホストの検索を中止します"));
  btnVTEST_ = frameButton(QStringLiteral("btnVTEST"), QStringLiteral("テスト"),
                          QStringLiteral("マイクとスピーカのテストをします"));
  auto *btnAllLog = frameButton(QStringLiteral("btnAllLog"), QStringLiteral("全ﾛｸﾞ"),
                                QStringLiteral("全チャット受信ログを表示します"));
  for (QAbstractButton *b :
       {static_cast<QAbstractButton *>(btnIRC), static_cast<QAbstractButton *>(btnSetIRC),
        btnVHOST_, btnVJOIN_, btnStopJOIN_, btnVTEST_, static_cast<QAbstractButton *>(btnAllLog)})
    layout->addWidget(b);
  connect(btnIRC, &QAbstractButton::clicked, this, &FrmMain::ircDialogRequested);
  connect(btnSetIRC, &QAbstractButton::clicked, this, &FrmMain::ircSettingsRequested);
  connect(btnVHOST_, &QAbstractButton::clicked, this,
          [this] { Q_EMIT voiceDialogRequested(true); });
  connect(btnVJOIN_, &QAbstractButton::clicked, this,
          [this] { Q_EMIT voiceDialogRequested(false); });
  connect(btnStopJOIN_, &QAbstractButton::clicked, this, &FrmMain::stopHostSearch);
  connect(btnVTEST_, &QAbstractButton::clicked, this, &FrmMain::btnVTEST_Click);
  connect(btnAllLog, &QAbstractButton::clicked, this, [this] {
    if (!services_.allLog) return;
    services_.allLog->show();
    services_.allLog->raise();
    services_.allLog->activateWindow();
  });
  return box;
}

void FrmMain::applyStoredChoices() {
  ownColour_ = ClampColourNumber(settings_.ReadIniNumber(u"VOICE", u"MyColor", u"0"));
  fraVOICE_->showOwnColour(ownColour_);
  QComboBox *mute = fraVOICE_->cboMikeMute();
  const qint64 mode = settings_.ReadIniNumber(u"VOICE", u"MikeMuteNo", u"0");
  const int index = mode >= 0 && mode < mute->count() ? int(mode) : 0;
  {
    const QSignalBlocker block(mute);
    mute->setCurrentIndex(index);
  }
  cboMikeMute_Click(index);
}

void FrmMain::attachSession(SessionLink *session) {
  session_ = session;
  UpdateVoiceButtons();
}

ChatLogView *FrmMain::txtLOG() const { return fraVOICE_->txtLOG(); }
ParticipantList *FrmMain::lstUSER() const { return fraVOICE_->lstUSER(); }

void FrmMain::addINF(const QString &funcClass, const QString &msgClass, const QString &message) {
  lstINF_->addRow(funcClass, msgClass, message);
}

void FrmMain::addIINF(const QString &msgClass, const QString &message) {
  addINF(QStringLiteral("IRC"), msgClass, message);
}

void FrmMain::LogVoiceInfo(const QString &kind, const QString &text) {
  addINF(QStringLiteral("音声"), kind, text);
}

void FrmMain::SetStatusText(const QString &text) { statusPanel_->setText(text); }

void FrmMain::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  placement_.remember();
}

void FrmMain::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (windowState() & Qt::WindowMinimized) return;
  placement_.remember();
  layoutWindow();
}

QRect FrmMain::paneRect() const {
  // The panes sit inside the tab strip's frame, below the tabs.
  const int top = std::max(app::TwipsToPixels(this, kPaneTopTwips),
                           tabFrame_->y() + app::TwipsToPixels(this, 60));
  const int left = app::TwipsToPixels(this, kPaneLeftTwips);
  const int margin = app::TwipsToPixels(this, kPaneMarginTwips);
  return QRect(left, top, std::max(0, width() - left - margin),
               std::max(0, statusBar_->y() - top - margin));
}

void FrmMain::layoutWindow() {
  const int statusHeight = statusBar_->sizeHint().height();
  statusBar_->setGeometry(0, height() - statusHeight, width(), statusHeight);

  // Tabs on the left of the top row, the frame's buttons on its right.
  const QSize buttons = frameButtons_->sizeHint();
  const int tabHeight = std::max(tabMAIN_->sizeHint().height(), buttons.height());
  const int gap = app::TwipsToPixels(this, 60);
  frameButtons_->setGeometry(width() - buttons.width() - gap, (tabHeight - buttons.height()) / 2,
                             buttons.width(), buttons.height());
  tabMAIN_->setGeometry(gap, tabHeight - tabMAIN_->sizeHint().height(),
                        std::min(tabMAIN_->sizeHint().width(), frameButtons_->x() - 2 * gap),
                        tabMAIN_->sizeHint().height());
  tabFrame_->setGeometry(0, tabHeight - 1, width(), statusBar_->y() - tabHeight + 1);

  const QRect pane = paneRect();
  for (QWidget *w : {fraINF_, static_cast<QWidget *>(fraLOG_), static_cast<QWidget *>(fraVOICE_)})
    w->setGeometry(pane);
  for (IrcPane *p : std::as_const(panes_)) p->setGeometry(pane);
  placeInputLine(viewKey_);
}

}  // namespace tv::mainwindow
