#include "dcc/FrmRec.h"

#include "app/FileRoutines.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "dcc/AddressText.h"
#include "dcc/DccStatusBar.h"
#include "dcc/DccWidgets.h"
#include "dcc/SystemErrorText.h"
#include "dcc/ValueLabel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QTime>
#include <QToolButton>

namespace tv::dcc {

namespace {

constexpr char16_t kSection[] = u"DCC";
const QString kCaption = QStringLiteral("ファイル受信(DCC SEND)");
const QString kOverwriteText = QStringLiteral(
    "ファイルが既に存在します。\r\n"
    "このまま「受信」ボタンを押すと、ファイルが上書きされます。\r\n"
    "上書きしたくない場合は「FILE」ボタンを押して、再度ファイルを選択してください。");

// Layout in twips: a window of 6930 x 1890, captions on the left, buttons on the right.
constexpr int kWidth = 6930;
constexpr int kHeight = 1890;
constexpr int kCaptionLeft = 60, kValueLeft = 1410, kValueWidth = 1140;
constexpr int kCaption2Left = 2610, kValue2Left = 3960, kValue2Width = 1500;
constexpr int kWideValueWidth = kValue2Left + kValue2Width - kValueLeft;
constexpr int kButtonLeft = 5580;

}  // namespace

FrmRec::FrmRec(const ReceiveRequest &request, const app::Settings &settings, QWidget *parent)
    : DccWindow(QStringLiteral("frmRec"), kCaption, parent),
      settings_(settings),
      request_(request),
      receiver_(request.mode == Mode::Irec ? FileReceiver::Acknowledge::Standard
                                           : FileReceiver::Acknowledge::None) {
  buildWindow();
  lblNick_->setValue(request_.nick);
  lblFSize_->setValue(request_.size);
  lblFPath_->setValue(request_.savePath);
  lblRxedFSize_->setValue(QStringLiteral("0"));
  chkClose_->setChecked(settings_.ReadIniNumber(kSection, u"chkClose", u"1") != 0);

  timConnect_.setObjectName(QStringLiteral("timConnect"));
  timConnect_.setSingleShot(true);
  timConnect_.setInterval(kConnectTimeoutMs);
  connect(&timConnect_, &QTimer::timeout, this, &FrmRec::timConnect_Timer);
  connect(&receiver_, &FileReceiver::connected, this, &FrmRec::onConnected);
  connect(&receiver_, &FileReceiver::progressed, this, [this](qint64 received) {
    showProgress(lblRxedFSize_, received, receiver_.size(), false);
  });
  connect(&receiver_, &FileReceiver::completed, this, &FrmRec::onCompleted);
  connect(&receiver_, &FileReceiver::oversize, this, [this] {
    status_->setStatus(
        QStringLiteral("申告されたサイズを超えるデータを受信したため、接続を切断しました。"));
  });
  connect(&receiver_, &FileReceiver::connectFailed, this, &FrmRec::timConnect_Timer);
  connect(&receiver_, &FileReceiver::disconnected, this,
          [this] { onEnded(lblNick_->value() + QStringLiteral("さんから切断されました。")); });
  connect(&receiver_, &FileReceiver::writeFailed, this, [this](int error) {
    onEnded(QStringLiteral("ファイルを書き込めませんでした。(") + SystemErrorText(error) + u')');
  });

  // The offer is judged before anything can connect to what it names.
  const QString refusal =
      CheckReceiveOffer(request_.address, request_.port, request_.size, target_);
  if (!refusal.isEmpty()) {
    refused_ = true;
    status_->setStatus(refusal);
    btnRx_->setEnabled(false);
    btnOpen_->setEnabled(false);
    return;
  }
  // Once the window shows, an existing file of the proposed name is pointed out.
  QTimer::singleShot(0, this, [this] { warnIfExists(savePath()); });
}

FrmRec::~FrmRec() = default;

void FrmRec::buildWindow() {
  lblNick_ = valueRow(QStringLiteral("lblNick"), QStringLiteral("送信元"), kCaptionLeft, kValueLeft,
                      45, kWideValueWidth);
  lblFPath_ = valueRow(QStringLiteral("lblFPath"), QStringLiteral("保存フォルダ"), kCaptionLeft,
                       kValueLeft, 285, kWideValueWidth);
  lblFSize_ = valueRow(QStringLiteral("lblFSize"), QStringLiteral("ファイルサイズ"), kCaptionLeft,
                       kValueLeft, 525, kValueWidth);
  lblRxedFSize_ = valueRow(QStringLiteral("lblRxedFSize"), QStringLiteral("受信済みサイズ"),
                           kCaption2Left, kValue2Left, 525, kValue2Width);
  lblStartTime_ = valueRow(QStringLiteral("lblStartTime"), QStringLiteral("受信開始"), kCaptionLeft,
                           kValueLeft, 765, kValueWidth);
  lblFinishTime_ = valueRow(QStringLiteral("lblFinishTime"), QStringLiteral("受信完了"),
                            kCaption2Left, kValue2Left, 765, kValue2Width);
  placeProgress(kCaptionLeft, 1035, kButtonLeft - 2 * kCaptionLeft);
  chkClose_ = checkBox(QStringLiteral("chkClose"),
                       QStringLiteral("受信完了時に自動的にこの画面を閉じる(&C)"), kCaptionLeft,
                       1245, kButtonLeft - 2 * kCaptionLeft);

  btnRx_ = PictureButton(QStringLiteral("btnRx"), QStringLiteral("受信"),
                         QStringLiteral("ここをクリックするとファイル受信を開始します。"),
                         QStyle::SP_ArrowDown, this);
  btnOpen_ = PictureButton(
      QStringLiteral("btnOpen"), QStringLiteral("FILE"),
      QStringLiteral("ここをクリックするとフォルダ選択ダイアログボックスを表示します。"),
      QStyle::SP_DirOpenIcon, this);
  placeButtons({btnRx_, btnOpen_}, kButtonLeft);
  connect(btnRx_, &QToolButton::clicked, this, &FrmRec::btnRx_Click);
  connect(btnOpen_, &QToolButton::clicked, this, &FrmRec::btnOpen_Click);
  fixSize(kWidth, kHeight);
}

QString FrmRec::savePath() const { return lblFPath_->value(); }

bool FrmRec::warnIfExists(const QString &path) {
  if (path.isEmpty() || !QFileInfo::exists(path)) return false;
  warnedPath_ = path;
  ShowErrorBox(this, kOverwriteText);
  return true;
}

void FrmRec::btnOpen_Click() {
  auto *dialog = new QFileDialog(this, QStringLiteral("[Talvora]保存ファイル指定"), savePath(),
                                 QStringLiteral("すべてのファイル (*)"));
  dialog->setObjectName(QStringLiteral("dlgSave"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  // The program's own overwrite box is the one that counts.
  dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  connect(dialog, &QFileDialog::fileSelected, this, &FrmRec::chooseSavePath);
  dialog->open();
}

void FrmRec::chooseSavePath(const QString &path) {
  if (refused_ || !btnOpen_->isEnabled()) return;
  warnIfExists(path);
  lblFPath_->setValue(path);
  settings_.WriteIni(kSection, u"Folder", FolderOf(path));
  btnRx_->setEnabled(!path.isEmpty());
}

void FrmRec::btnRx_Click() {
  if (refused_ || !btnRx_->isEnabled()) return;
  const QString path = savePath();
  if (path.isEmpty()) {
    status_->setStatus(QStringLiteral("フォルダを指定してください。"));
    return;
  }
  if (FolderOf(path).isEmpty()) {
    status_->setStatus(QStringLiteral("ファイル指定に問題があります。"));
    return;
  }
  if (!app::FolderExists(FolderOf(path))) {
    status_->setStatus(QStringLiteral("フォルダが削除されています。"));
    lblFPath_->setValue(QString());
    return;
  }
  // A file that appeared since the user last looked is pointed out; this click stops.
  if (path != warnedPath_ && warnIfExists(path)) return;
  if (const int error = receiver_.prepare(path)) {
    status_->setStatus(QStringLiteral("ファイルを書き込めませんでした。(") +
                       SystemErrorText(error) + u')');
    return;
  }
  btnRx_->setEnabled(false);
  btnOpen_->setEnabled(false);
  receiver_.connectTo(target_.address, target_.port, target_.size, QFileInfo::exists(path));
  timConnect_.start();
}

void FrmRec::onConnected() {
  timConnect_.stop();
  status_->setStatus(lblNick_->value() + QStringLiteral("さんとの接続に成功しました。"));
  lblStartTime_->setValue(TimeOfDay(QTime::currentTime()));
}

void FrmRec::timConnect_Timer() {
  timConnect_.stop();
  receiver_.abortConnect();
  status_->setStatus(lblNick_->value() + QStringLiteral("さんとの接続に失敗しました。"));
}

void FrmRec::onCompleted(int renameError) {
  showProgress(lblRxedFSize_, receiver_.received(), receiver_.size(), true);
  showDone();
  lblFinishTime_->setValue(TimeOfDay(QTime::currentTime()));
  if (renameError != 0) {
    // Every byte is there, but under the side name: the user must see why.
    status_->setStatus(QStringLiteral("ファイル名を変更できませんでした。(") +
                       SystemErrorText(renameError) + u')');
    status_->setIncompleteFile(receiver_.part().partName());
    return;
  }
  status_->setStatus(QStringLiteral("ファイルの受信が完了しました。"));
  if (chkClose_->isChecked()) close();
}

void FrmRec::onEnded(const QString &status) {
  timConnect_.stop();
  showProgress(lblRxedFSize_, receiver_.received(), receiver_.size(), true);
  status_->setStatus(status);
  if (receiver_.received() > 0 || !receiver_.part().partPath().isEmpty())
    status_->setIncompleteFile(receiver_.part().partName());
}

void FrmRec::closeEvent(QCloseEvent *event) {
  receiver_.close();
  settings_.WriteIni(kSection, u"chkClose", chkClose_->isChecked() ? u"1" : u"0");
  QWidget::closeEvent(event);
}

}  // namespace tv::dcc
