#include "mainwindow/FrmConVOI.h"

#include "app/Fonts.h"
#include "app/ModChk.h"
#include "app/RecentList.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "session/Pacer.h"
#include "session/VoiceCollections.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace tv::mainwindow {

namespace {

const QString kNickFile = QStringLiteral("NickVOICE.txt");
const QString kAddressFile = QStringLiteral("IPVoice.txt");
constexpr char16_t kSection[] = u"VOICE";

// Layout in twips.
constexpr int kLeft = 120;
constexpr int kLabelTwips = 240;
constexpr int kComboTwips = 300;
constexpr int kButtonTwips = 375;
constexpr int kButtonMinWidth = 1800;
constexpr int kNickLabelTop = 120;
constexpr int kNickTop = 360;
constexpr int kDeviceLabelTop = 780;
constexpr int kDeviceTop = 1020;
constexpr int kDeviceTwips = 900;
constexpr int kTcpOnlyTop = 1980;
constexpr int kThirdLabelTop = 2340;
constexpr int kThirdTop = 2580;
constexpr int kCodecTwips = 1800;
constexpr int kJoinButtonTop = kThirdTop + kComboTwips + 120;
constexpr int kHostButtonTop = kThirdTop + kCodecTwips + 120;
constexpr int kBottomMargin = 120;

const QString kCaptions[FrmConVOI::kTitleCount] = {
    QStringLiteral("(1)ニックネームを決める"),
    QStringLiteral("(2)通信機器を決める（よく解らない場合はそのままにしてください）"),
    QStringLiteral("(3)ホストのアドレスを入力する"),
    QStringLiteral("(3)音声レートを決める"),
    QStringLiteral("(TCP/IP以外は動作保証しません)"),
};

QListWidget *makeList(const QString &objectName, const QString &accessible, QWidget *parent) {
  auto *l = new QListWidget(parent);
  l->setObjectName(objectName);
  l->setAccessibleName(accessible);
  l->setSelectionMode(QAbstractItemView::SingleSelection);
  return l;
}

void fillList(QListWidget *list, const QStringList &entries, int position) {
  list->clear();
  list->addItems(entries);
  if (position >= 0 && position < list->count()) list->setCurrentRow(position);
}

}  // namespace

FrmConVOI::FrmConVOI(const app::AppInfo &info, const app::Settings &settings,
                     VoiceDialogServices services, QWidget *mainWindow)
    : QDialog(mainWindow), info_(info), settings_(settings), services_(std::move(services)) {
  setObjectName(QStringLiteral("frmConVOI"));
  setFont(app::LogFont(9));
  setModal(false);

  for (int i = 0; i < kTitleCount; ++i) {
    auto *l = new QLabel(kCaptions[i], this);
    l->setObjectName(app::ArrayName(QStringLiteral("Title"), i));
    l->setTextFormat(Qt::PlainText);
    l->setAccessibleName(kCaptions[i]);
    titles_[static_cast<size_t>(i)] = l;
  }
  cboNICK_ = app::MakeHistoryCombo(QStringLiteral("cboNICK"), QStringLiteral("ニックネーム"), this);
  cboIP_ = app::MakeHistoryCombo(QStringLiteral("cboIP"), QStringLiteral("ホストのアドレス"), this);
  lstDEVICE_ = makeList(QStringLiteral("lstDEVICE"), QStringLiteral("通信機器"), this);
  lstCODEC_ = makeList(QStringLiteral("lstCODEC"), QStringLiteral("音声レート"), this);
  btnHOST_ = app::MakeButton(QStringLiteral("btnHOST"), QStringLiteral("音声ホストになる"), this);
  btnJOIN_ = app::MakeButton(QStringLiteral("btnJOIN"), QStringLiteral("音声に参加する"), this);
  btnCANCEL_ = app::MakeButton(QStringLiteral("btnCANCEL"), QStringLiteral("キャンセル"), this);
  titles_[kTitleNick]->setBuddy(cboNICK_);
  titles_[kTitleDevice]->setBuddy(lstDEVICE_);
  titles_[kTitleAddress]->setBuddy(cboIP_);
  titles_[kTitleCodec]->setBuddy(lstCODEC_);

  connect(lstDEVICE_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem *item) { lstDEVICE_->setToolTip(item->text()); });
  connect(btnHOST_, &QPushButton::clicked, this, &FrmConVOI::btnHOST_Click);
  connect(btnJOIN_, &QPushButton::clicked, this, &FrmConVOI::btnJOIN_Click);
  connect(btnCANCEL_, &QPushButton::clicked, this, &FrmConVOI::reject);
}

int FrmConVOI::px(int twips) const { return app::TwipsToPixels(this, twips); }

void FrmConVOI::Load() {
  if (loaded_) return;
  loaded_ = true;
  // The device label is the widest: the window is as wide as it needs.
  int widest = 0;
  for (QLabel *l : titles_) {
    l->adjustSize();
    widest = std::max(widest, l->width());
  }
  const int inner = std::max(widest, px(2 * kButtonMinWidth + kLeft));
  setFixedWidth(inner + 2 * px(kLeft));
  for (QWidget *w : {static_cast<QWidget *>(cboNICK_), static_cast<QWidget *>(cboIP_),
                     static_cast<QWidget *>(lstDEVICE_), static_cast<QWidget *>(lstCODEC_)})
    w->setFixedWidth(inner);

  const QStringList &devices = services_.lists->Devices();
  fillList(
      lstDEVICE_, devices,
      session::ResolveStoredPosition(settings_.ReadIniNumber(kSection, u"DeviceIndex", u"-1"),
                                     int(devices.size()), session::DefaultDevicePosition(devices)));
  const QStringList &codecs = services_.lists->Codecs();
  fillList(
      lstCODEC_, codecs,
      session::ResolveStoredPosition(settings_.ReadIniNumber(kSection, u"CodecIndex", u"-1"),
                                     int(codecs.size()), session::DefaultCodecPosition(codecs)));
}

void FrmConVOI::layoutFor(Mode mode) {
  const bool host = mode == Mode::Host;
  auto place = [this](QWidget *w, int top, int heightTwips) {
    w->move(px(kLeft), px(top));
    w->setFixedHeight(px(heightTwips));
  };
  place(Title(kTitleNick), kNickLabelTop, kLabelTwips);
  place(cboNICK_, kNickTop, kComboTwips);
  place(Title(kTitleDevice), kDeviceLabelTop, kLabelTwips);
  place(lstDEVICE_, kDeviceTop, kDeviceTwips);
  place(Title(kTitleTcpOnly), kTcpOnlyTop, kLabelTwips);
  place(Title(host ? kTitleCodec : kTitleAddress), kThirdLabelTop, kLabelTwips);
  if (host)
    place(lstCODEC_, kThirdTop, kCodecTwips);
  else
    place(cboIP_, kThirdTop, kComboTwips);

  Title(kTitleAddress)->setVisible(!host);
  cboIP_->setVisible(!host);
  btnJOIN_->setVisible(!host);
  Title(kTitleCodec)->setVisible(host);
  lstCODEC_->setVisible(host);
  btnHOST_->setVisible(host);

  QPushButton *go = host ? btnHOST_ : btnJOIN_;
  const int buttonTop = host ? kHostButtonTop : kJoinButtonTop;
  const int buttonWidth =
      std::max({px(kButtonMinWidth), go->sizeHint().width(), btnCANCEL_->sizeHint().width()});
  for (QPushButton *b : {btnHOST_, btnJOIN_, btnCANCEL_})
    b->setFixedSize(buttonWidth, px(kButtonTwips));
  go->move(px(kLeft), px(buttonTop));
  btnCANCEL_->move(px(kLeft) + buttonWidth + px(kLeft), px(buttonTop));
  btnHOST_->setDefault(host);
  btnJOIN_->setDefault(!host);
  // The window ends just below btnCANCEL.
  setFixedHeight(btnCANCEL_->y() + btnCANCEL_->height() + px(kBottomMargin));
}

void FrmConVOI::Open(Mode mode) {
  ++openings_;
  Load();
  app::LoadListFile(cboNICK_, info_.filePath(kNickFile));
  cboNICK_->setEditText(cboNICK_->count() > 0 ? cboNICK_->itemText(0) : info_.defaultNick);
  if (mode == Mode::Join) {
    app::LoadListFile(cboIP_, info_.filePath(kAddressFile));
    cboIP_->setEditText(cboIP_->count() > 0 ? cboIP_->itemText(0) : QString());
  }
  Title(kTitleNick)->setText(kCaptions[kTitleNick]);
  layoutFor(mode);
  setWindowTitle(info_.titleTag +
                 (mode == Mode::Host ? QStringLiteral("音声ホスト") : QStringLiteral("音声参加")));
  // Focus first: showing a dialog makes the focused push button its default one.
  QPushButton *go = mode == Mode::Host ? btnHOST_ : btnJOIN_;
  go->setFocus();
  show();
  raise();
  activateWindow();
  go->setFocus();
}

void FrmConVOI::OpenHOST() { Open(Mode::Host); }

void FrmConVOI::OpenJOIN() { Open(Mode::Join); }

void FrmConVOI::OpenOnlyName(const QString &strIP) {
  Open(Mode::Join);
  cboIP_->setEditText(strIP);
}

void FrmConVOI::Unload() {
  hide();
  cboNICK_->clear();
  cboNICK_->clearEditText();
  cboIP_->clear();
  cboIP_->clearEditText();
  lstDEVICE_->clear();
  lstDEVICE_->setToolTip(QString());
  lstCODEC_->clear();
  loaded_ = false;
}

void FrmConVOI::reject() { Unload(); }

bool FrmConVOI::CheckNickname() {
  const QString nick = cboNICK_->currentText();
  if (nick.isEmpty()) {
    services_.messages->ViewMSG(QStringLiteral("ニックネームが入力されていません。"),
                                info_.titleTag + QStringLiteral("ニックネームを入力してください"));
    return false;
  }
  return !app::IsReservedNickname(nick, services_.messages);
}

bool FrmConVOI::CheckAddress() {
  if (!cboIP_->currentText().isEmpty()) return true;
  services_.messages->ViewMSG(
      QStringLiteral("音声ホストのアドレスが入力されていません。"),
      info_.titleTag + QStringLiteral("音声ホストのアドレス入力してください"));
  return false;
}

void FrmConVOI::reportFailure(const QString &what, const QString &path) {
  if (!services_.log) return;
  for (const QString &line : app::SaveFailureLines(what, path))
    services_.log(QStringLiteral("ERR"), line);
}

void FrmConVOI::storeHistory(QComboBox *combo, const QString &entry, const QString &fileName) {
  const QString path = info_.filePath(fileName);
  if (!app::StoreRecentEntry(combo, entry, path)) reportFailure(fileName, path);
}

void FrmConVOI::HandOver(const std::function<void()> &storeAndSend) {
  const quint64 opening = openings_;
  hide();
  services_.pacer->Pump();
  storeAndSend();
  if (openings_ == opening) Unload();
}

void FrmConVOI::btnHOST_Click() {
  if (!CheckNickname()) return;
  // What was chosen, taken before events run.
  const QString nick = cboNICK_->currentText();
  const int codec = lstCODEC_->currentRow();
  const int device = lstDEVICE_->currentRow();
  HandOver([&] {
    storeHistory(cboNICK_, nick, kNickFile);
    settings_.WriteIni(kSection, u"CodecIndex", codec);  // a failure reports itself
    Q_EMIT EvHOST(nick, quint32(codec + 1), quint32(device + 1));
  });
}

void FrmConVOI::btnJOIN_Click() {
  if (!CheckNickname() || !CheckAddress()) return;
  const QString nick = cboNICK_->currentText();
  const QString address = cboIP_->currentText();
  const int device = lstDEVICE_->currentRow();
  HandOver([&] {
    storeHistory(cboNICK_, nick, kNickFile);
    storeHistory(cboIP_, address, kAddressFile);
    Q_EMIT EvJOIN(nick, address, quint32(device + 1));
  });
}

}  // namespace tv::mainwindow
