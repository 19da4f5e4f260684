#include "dcc/FrmSend.h"

#include "app/FileRoutines.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "dcc/AddressText.h"
#include "dcc/DccStatusBar.h"
#include "dcc/DccWidgets.h"
#include "dcc/NatChecks.h"
#include "dcc/OfferLine.h"
#include "dcc/OfferName.h"
#include "dcc/ValueLabel.h"
#include "platform/text/LeadingNumber.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTime>
#include <QToolButton>

#include <algorithm>

namespace tv::dcc {

namespace {

constexpr char16_t kSection[] = u"DCC";
const QString kCaption = QStringLiteral("ファイル送信(DCC SEND)");
const QString kTcpError = QStringLiteral("エラーが発生したため、TCP/IPを切断しました。");

// Layout in twips; the notice spans the window's width at the bottom.
constexpr int kCaptionLeft = 60, kValueLeft = 1410, kValueWidth = 1800;
constexpr int kCaption2Left = 3330, kValue2Left = 4680, kValue2Width = 1200;
constexpr int kWideWidth = kValue2Left + kValue2Width - kValueLeft;
constexpr int kButtonLeft = 6000;
constexpr int kLineWidth = kButtonLeft - 2 * kCaptionLeft;
constexpr int kMinWidth = 7350;
constexpr int kNoticeTop = 3540, kNoticeHeight = 2040;

QString noticeText(const QString &localAddress) {
  return QStringList{
      QStringLiteral("＜NAT設定使用方法＞(ルータを使用している場合にご使用ください)"),
      QStringLiteral("(1)　ルータのインターネット側のIPアドレスを調べてください。"),
      QStringLiteral("(2)　(1)を上の入力ボックスに入力してください｡ "),
      QStringLiteral("(3)　ルータのインターネット側の未使用ポート番号を調べてください｡"),
      QStringLiteral("(4)　(3)を上の入力ボックスに入力してください｡ "),
      QStringLiteral("(5)　(3)に対する接続要求をこのパソコンのIPアドレス（") + localAddress +
          QStringLiteral("）に転送するように、"),
      QStringLiteral("　　　ルータに設定してください。"),
      QStringLiteral("※ルータを使用していない方は本機能を使用しないでください。")}
      .join(QStringLiteral("\r\n"));
}

QString socketErrorText(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::AddressInUseError:
      return QStringLiteral("ポートが使用中です");
    case QAbstractSocket::SocketAccessError:
      return QStringLiteral("アクセスが拒否されました");
    case QAbstractSocket::SocketResourceError:
      return QStringLiteral("システムの資源が足りません");
    default:
      return QStringLiteral("エラー番号 %1").arg(int(error));
  }
}

QLineEdit *field(const QString &objectName, const QString &accessible, QWidget *parent) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(objectName);
  edit->setAccessibleName(accessible);
  return edit;
}

}  // namespace

FrmSend::FrmSend(const SendRequest &request, const app::Settings &settings, QString localAddress,
                 HandOff handOff, QWidget *parent)
    : DccWindow(QStringLiteral("frmSend"), kCaption, parent),
      settings_(settings),
      request_(request),
      localAddress_(std::move(localAddress)),
      handOff_(std::move(handOff)) {
  buildWindow();
  lblNick_->setValue(request_.nick);
  const QString path = settings_.ReadIni(kSection, u"Path", u"");
  lblFPath_->setValue(path);
  if (app::FileExists(path)) {
    lblFName_->setValue(FileNameOf(path));
    lblFSize_->setValue(QString::number(QFileInfo(path).size()));
  }
  lblTxedFSize_->setValue(QStringLiteral("0"));
  lblLocalIP_->setValue(localAddress_);
  chkClose_->setChecked(settings_.ReadIniNumber(kSection, u"chkClose", u"1") != 0);
  chkNAT_->setChecked(settings_.ReadIniNumber(kSection, u"chkNAT", u"1") != 0);
  applyNatSwitch();
  IpTxt_->setText(settings_.ReadIni(kSection, u"NatIP", u""));
  PortTxt_->setText(QString::number(settings_.ReadIniNumber(kSection, u"NatPORT", u"0")));
  lblNotice_->setText(noticeText(localAddress_));
  fitToNotice();

  connect(&sender_, &FileSender::accepted, this, &FrmSend::onAccepted);
  connect(&sender_, &FileSender::progressed, this,
          [this](qint64 sent) { showProgress(lblTxedFSize_, sent, sender_.size(), false); });
  connect(&sender_, &FileSender::finished, this, &FrmSend::onFinished);
  connect(&sender_, &FileSender::failed, this, [this] { status_->setStatus(kTcpError); });
}

FrmSend::~FrmSend() = default;

void FrmSend::buildWindow() {
  const auto value = [this](const QString &name, const QString &caption, int top, bool second,
                            int width) {
    return valueRow(name, caption, second ? kCaption2Left : kCaptionLeft,
                    second ? kValue2Left : kValueLeft, top, width);
  };
  lblNick_ = value(QStringLiteral("lblNick"), QStringLiteral("送信先"), 45, false, kWideWidth);
  lblFName_ =
      value(QStringLiteral("lblFName"), QStringLiteral("送信ファイル"), 285, false, kWideWidth);
  lblFPath_ =
      new ValueLabel(QStringLiteral("lblFPath"), QStringLiteral("送信ファイルのパス"), this);
  place(lblFPath_, kValueLeft, 525, kWideWidth, kRow);
  lblFSize_ =
      value(QStringLiteral("lblFSize"), QStringLiteral("ファイルサイズ"), 765, false, kValueWidth);
  lblTxedFSize_ = value(QStringLiteral("lblTxedFSize"), QStringLiteral("送信済みサイズ"), 765, true,
                        kValue2Width);
  lblStartTime_ =
      value(QStringLiteral("lblStartTime"), QStringLiteral("送信開始"), 1005, false, kValueWidth);
  lblFinishTime_ =
      value(QStringLiteral("lblFinishTime"), QStringLiteral("送信完了"), 1005, true, kValue2Width);
  lblLocalIP_ = value(QStringLiteral("lblLocalIP"), QStringLiteral("自分のIP"), 1245, false, 1200);
  btnCopyIP_ = new QPushButton(QStringLiteral("←クリップボードにコピーする"), this);
  btnCopyIP_->setObjectName(QStringLiteral("btnCopyIP"));
  place(btnCopyIP_, kValueLeft + 1260, 1215, 2760, 300);
  lblLocalPort_ =
      value(QStringLiteral("lblLocalPort"), QStringLiteral("自分のPort"), 1545, false, kValueWidth);
  lblRemoteIP_ =
      value(QStringLiteral("lblRemoteIP"), QStringLiteral("接続先IP"), 1785, false, kValueWidth);
  lblRemotePort_ = value(QStringLiteral("lblRemotePort"), QStringLiteral("接続先PORT"), 1785, true,
                         kValue2Width);

  placeProgress(kCaptionLeft, 2085, kLineWidth);
  chkClose_ = checkBox(QStringLiteral("chkClose"),
                       QStringLiteral("送信完了時に自動的にこの画面を閉じる(&C)"), kCaptionLeft,
                       2325, kLineWidth);
  chkNAT_ = checkBox(QStringLiteral("chkNAT"), QStringLiteral("ルータのNAT機能を使用する。"),
                     kCaptionLeft, 2610, kLineWidth);
  lblNat0_ = CaptionLabel(QStringLiteral("ルータのインターネット側のIPアドレス"), this);
  lblNat0_->setObjectName(app::ArrayName(QStringLiteral("lblNat"), 0));
  place(lblNat0_, kCaptionLeft + 240, 2910, 3420, kRow);
  IpTxt_ =
      field(QStringLiteral("IpTxt"), QStringLiteral("ルータのインターネット側のIPアドレス"), this);
  place(IpTxt_, 3780, 2880, 2160, 300);
  lblNat1_ = CaptionLabel(QStringLiteral("未使用ポート"), this);
  lblNat1_->setObjectName(app::ArrayName(QStringLiteral("lblNat"), 1));
  place(lblNat1_, kCaptionLeft + 240, 3240, 3420, kRow);
  PortTxt_ = field(QStringLiteral("PortTxt"), QStringLiteral("未使用ポート"), this);
  place(PortTxt_, 3780, 3210, 1080, 300);
  lblNat0_->setBuddy(IpTxt_);
  lblNat1_->setBuddy(PortTxt_);
  lblNotice_ = new QLabel(this);
  lblNotice_->setObjectName(QStringLiteral("lblNotice"));
  lblNotice_->setAccessibleName(QStringLiteral("NAT設定使用方法"));
  lblNotice_->setTextFormat(Qt::PlainText);
  lblNotice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblNotice_->setIndent(app::TwipsToPixels(this, kCaptionLeft));

  btnOpen_ = PictureButton(
      QStringLiteral("btnOpen"), QStringLiteral("FILE"),
      QStringLiteral("ここをクリックするとファイル選択ダイアログボックスを表示します。"),
      QStyle::SP_DirOpenIcon, this);
  btnTx_ = PictureButton(QStringLiteral("btnTx"), QStringLiteral("送信"),
                         QStringLiteral("ここをクリックするとファイル送信を開始します。"),
                         QStyle::SP_ArrowUp, this);
  connect(btnOpen_, &QToolButton::clicked, this, &FrmSend::btnOpen_Click);
  connect(btnTx_, &QToolButton::clicked, this, &FrmSend::btnTx_Click);
  connect(btnCopyIP_, &QPushButton::clicked, this, &FrmSend::btnCopyIP_Click);
  connect(chkNAT_, &QCheckBox::clicked, this, &FrmSend::applyNatSwitch);
}

void FrmSend::fitToNotice() {
  // The window keeps one size: as wide as the notice, whose lines name this PC's
  // address, and down to the status bar's bottom.
  const int noticeWidth = app::PixelsToTwips(this, lblNotice_->sizeHint().width()) + kCaptionLeft;
  const int width = std::max(kMinWidth, noticeWidth);
  place(lblNotice_, 0, kNoticeTop, width, kNoticeHeight);
  placeButtons({btnOpen_, btnTx_}, width - kButtonWidth - kCaptionLeft);
  fixSize(width, kNoticeTop + kNoticeHeight + kStatusHeight);
}

void FrmSend::applyNatSwitch() {
  const bool on = chkNAT_->isChecked();
  for (QWidget *w : {static_cast<QWidget *>(lblNat0_), static_cast<QWidget *>(lblNat1_),
                     static_cast<QWidget *>(IpTxt_), static_cast<QWidget *>(PortTxt_),
                     static_cast<QWidget *>(lblNotice_)})
    w->setEnabled(on);
}

void FrmSend::btnOpen_Click() {
  auto *dialog = new QFileDialog(this, QStringLiteral("[Talvora]送信ファイル選択"),
                                 settings_.ReadIni(kSection, u"Path", u""),
                                 QStringLiteral("すべてのファイル (*)"));
  dialog->setObjectName(QStringLiteral("dlgOpen"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  connect(dialog, &QFileDialog::fileSelected, this, &FrmSend::chooseFile);
  dialog->open();
}

void FrmSend::chooseFile(const QString &path) {
  if (!btnOpen_->isEnabled()) return;
  if (!app::FileExists(path)) {
    status_->setStatus(QStringLiteral("ファイルが見つかりませんでした。"));
    lblFName_->setValue(QString());
    return;
  }
  const QFileInfo file(path);
  lblFPath_->setValue(file.absoluteFilePath());
  lblFName_->setValue(file.fileName());
  lblFSize_->setValue(QString::number(file.size()));
  settings_.WriteIni(kSection, u"Path", file.absoluteFilePath());
}

void FrmSend::btnTx_Click() {
  if (!btnTx_->isEnabled()) return;
  const QString path = lblFPath_->value();
  if (path.isEmpty()) {
    status_->setStatus(QStringLiteral("ファイルを指定してください。"));
    return;
  }
  // The file named at start may have gone since; the size offered is today's.
  if (!app::FileExists(path)) {
    status_->setStatus(QStringLiteral("ファイルが見つかりませんでした。"));
    return;
  }
  const QFileInfo file(path);
  lblFName_->setValue(file.fileName());
  lblFSize_->setValue(QString::number(file.size()));
  const bool nat = chkNAT_->isChecked();
  quint16 port = 0;
  if (nat) {
    QString error = CheckNatAddress(IpTxt_->text());
    if (error.isEmpty()) error = CheckNatPort(PortTxt_->text(), port);
    if (!error.isEmpty()) {
      status_->setStatus(error);
      return;
    }
  }
  if (!startListening(port)) return;
  status_->setStatus(QStringLiteral("接続受付ポートを開きました。PORT = ") + QString::number(port));
  btnTx_->setEnabled(false);
  btnOpen_->setEnabled(false);

  OfferFields fields;
  // The name the receiver will accept: a plain name with its blanks made "_".
  fields.file = OfferFileWord(ReduceOfferedName(lblFName_->value()));
  fields.address = HexToDecimal(IpToHex(nat ? IpTxt_->text() : localAddress_));
  // The listening port; with the router's settings that is the port typed, as a plain
  // number ("8e3" is offered as 8000).
  fields.port = QString::number(port);
  fields.size = lblFSize_->value().trimmed();
  const QString offerLine = OfferLine(request_.mode, lblNick_->value(), fields);
  sender_.setFile(path, file.size());
  if (!handOff_) return;
  handOff_(offerLine, [this, guard = QPointer<FrmSend>(this)](bool ok) {
    if (guard && !ok) status_->setStatus(QStringLiteral("DCCメッセージ送信に失敗しました。"));
  });
}

bool FrmSend::startListening(quint16 &port) {
  if (sender_.listen(port)) {
    port = sender_.port();
    lblLocalPort_->setValue(QString::number(port));
    return true;
  }
  if (chkNAT_->isChecked()) {
    portInUse();
  } else {
    status_->setStatus(QStringLiteral("接続受付ポートを開けませんでした。(") +
                       socketErrorText(sender_.listenError()) + u')');
  }
  btnTx_->setEnabled(true);
  btnOpen_->setEnabled(true);
  return false;
}

void FrmSend::portInUse() {
  ShowErrorBox(this, QStringLiteral("このパソコンのポートが使用中でした。\r\n"
                                    "ルータのインターネット側の未使用ポート番号を選び直し、\r\n"
                                    "＜NAT設定使用方法＞の(4)からもう一度やり直してください。"));
  sender_.stop();
  status_->setStatus(QStringLiteral("ポートが使用中のため、処理を中止しました。"));
}

void FrmSend::onAccepted(const QHostAddress &, quint16 localPort, const QHostAddress &peer,
                         quint16 peerPort) {
  lblStartTime_->setValue(TimeOfDay(QTime::currentTime()));
  lblLocalPort_->setValue(QString::number(localPort));
  lblRemoteIP_->setValue(QHostAddress(peer.toIPv4Address()).toString());
  lblRemotePort_->setValue(QString::number(peerPort));
}

void FrmSend::onFinished() {
  showProgress(lblTxedFSize_, sender_.sent(), sender_.size(), true);
  showDone();
  lblFinishTime_->setValue(TimeOfDay(QTime::currentTime()));
  status_->setStatus(QStringLiteral("ファイルの送信が完了しました。"));
  if (chkClose_->isChecked()) close();
}

void FrmSend::btnCopyIP_Click() {
  QClipboard *clipboard = QApplication::clipboard();
  clipboard->clear();
  clipboard->setText(lblLocalIP_->value());
  status_->setStatus(QStringLiteral("クリップボードにコピーしました。"));
}

void FrmSend::closeEvent(QCloseEvent *event) {
  // A finished transfer is left to drain; anything else ends here.
  if (!sender_.isFinished()) sender_.stop();
  settings_.WriteIni(kSection, u"chkClose", chkClose_->isChecked() ? u"1" : u"0");
  settings_.WriteIni(kSection, u"chkNAT", chkNAT_->isChecked() ? u"1" : u"0");
  settings_.WriteIni(kSection, u"NatIP", IpTxt_->text());
  settings_.WriteIni(kSection, u"NatPORT", PortTxt_->text());
  QWidget::closeEvent(event);
}

}  // namespace tv::dcc
