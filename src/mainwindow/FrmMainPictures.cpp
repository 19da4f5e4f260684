// FrmMain: sending pictures and showing sent and received ones in the chat log.
#include "mainwindow/FrmMain.h"

#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatPicture.h"
#include "platform/peer/PeerResult.h"
#include "platform/text/TextFile.h"
#include "session/PictureStore.h"
#include "session/SessionMessage.h"
#include "session/SessionReport.h"

#include <QFileInfo>

namespace tv::mainwindow {

void FrmMain::setUpPictures() {
  metafiles_ = new metafile::WmfHelper(services_.metafiles, this);
  connect(metafiles_, &metafile::WmfHelper::drawn, this, &FrmMain::onMetafileDrawn);
}

void FrmMain::VSendPIC(const QString &path) {
  const QFileInfo file(path);
  if (!file.isFile()) return;
  lastPicturePath_ = path;
  if (!session_ || !session_->HoldsSession()) return;
  const std::int32_t format = session::pictureFormatForFile(file.fileName());
  if (format < 0) {
    txtLOG()->appendSystemLines(
        {QStringLiteral("画像送信エラー"), session::ErrorDescriptionLine(QStringLiteral(
                                               "送信できる画像はJPG/JPEG/BMP/WMFファイルです。"))});
    return;
  }
  // The size is known before a byte is read: a file no message can carry is not read.
  if (file.size() > session::PictureStore::kMaxPictureBytes) {
    reportPictureSendError(peer::DPNERR_SENDTOOLARGE);
    return;
  }
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) {
    reportPictureSendError(peer::DPNERR_GENERIC, in.errorString());
    return;
  }
  const QByteArray bytes = in.read(session::PictureStore::kMaxPictureBytes + 1);
  if (bytes.size() > session::PictureStore::kMaxPictureBytes) {  // grew meanwhile
    reportPictureSendError(peer::DPNERR_SENDTOOLARGE);
    return;
  }
  if (in.error() != QFileDevice::NoError) {
    reportPictureSendError(peer::DPNERR_GENERIC, in.errorString());
    return;
  }
  const std::uint32_t result =
      session_->SendSessionMessage(session::encodePictureMessage(format, bytes), 0);
  if (result != peer::kOk && result != peer::kPending) {
    reportPictureSendError(result);
    return;
  }
  ShowPictureInLog();
}

void FrmMain::reportPictureSendError(std::uint32_t code, const QString &description) {
  LogVoiceInfo(session::kKindError, session::ErrorNumberLine(code));
  LogVoiceInfo(session::kKindError, description.isEmpty()
                                        ? session::ErrorDescriptionLine(code)
                                        : session::ErrorDescriptionLine(description));
}

void FrmMain::ShowReceivedPicture(const QString &path) {
  lastPicturePath_ = path;
  ShowPictureInLog();
}

void FrmMain::ShowPictureInLog() {
  const QString path = lastPicturePath_;
  const QFileInfo file(path);
  if (!file.isFile()) return;
  ChatLogView *log = txtLOG();
  const auto bytes = text::readFileBounded(path, session::PictureStore::kMaxPictureBytes);
  const LogPicture picture = bytes ? PictureForLog(*bytes) : LogPicture();
  if (picture.kind == LogPicture::Kind::Image) {
    log->appendPicture(picture.image);
    Q_EMIT pictureShown(path, true);
    return;
  }
  // The placeholder goes in at once; a metafile's drawing replaces it when it comes.
  const QString placeholder = log->appendPicturePlaceholder(file.fileName());
  const quint64 ticket =
      picture.kind == LogPicture::Kind::Metafile ? metafiles_->draw(*bytes, kLogPictureFit) : 0;
  if (ticket != 0)
    pendingPictures_.insert(ticket, {path, placeholder});
  else
    Q_EMIT pictureShown(path, false);
}

void FrmMain::onMetafileDrawn(quint64 ticket, const QImage &image) {
  const auto pending = pendingPictures_.find(ticket);
  if (pending == pendingPictures_.end()) return;  // a preview's drawing
  const PendingPicture picture = *pending;
  pendingPictures_.erase(pending);
  const bool shown = !image.isNull() && txtLOG()->replacePlaceholder(picture.placeholder, image);
  Q_EMIT pictureShown(picture.path, shown);
}

}  // namespace tv::mainwindow
