#include "dcc/TvDccStart.h"

#include "app/FileRoutines.h"
#include "app/LocalAddress.h"
#include "dcc/DdeClient.h"
#include "dcc/FrmRec.h"
#include "dcc/FrmSend.h"
#include "dcc/OfferName.h"

namespace tv::dcc {

namespace {
constexpr int kDrainMs = 10000;
}

TvDccStart::TvDccStart(const StartCommand &command, const QString &dataFolder, QDBusConnection bus)
    : settings_(dataFolder + kSettingsName) {
  const QStringList &w = command.words;
  if (IsSendMode(command.mode)) {
    const quint64 handle = LinkHandleOf(w[1]);
    auto handOff = [bus, handle, this](const QString &line, std::function<void(bool)> done) {
      SendOfferLine(bus, handle, line, send_.get(), std::move(done));
    };
    send_ = std::make_unique<FrmSend>(SendRequest{command.mode, w[2]}, settings_,
                                      app::LocalIpAddress(), handOff);
    return;
  }
  ReceiveRequest request;
  request.mode = command.mode;
  request.nick = w[2];
  request.address = w[4];
  request.port = w[5];
  request.size = w[6];
  request.savePath = ProposedSavePath(settings_, dataFolder, w[3]);
  rec_ = std::make_unique<FrmRec>(request, settings_);
}

TvDccStart::~TvDccStart() = default;

QWidget *TvDccStart::window() const {
  return send_ ? static_cast<QWidget *>(send_.get()) : static_cast<QWidget *>(rec_.get());
}

void TvDccStart::finish() {
  if (send_) send_->sender().finishGracefully(kDrainMs);
}

QString TvDccStart::ProposedSavePath(const app::Settings &settings, const QString &dataFolder,
                                     const QString &offeredName) {
  QString folder = settings.ReadIni(u"DCC", u"Folder", u"");
  if (folder.isEmpty() || !app::FolderExists(folder)) folder = dataFolder;
  return PathInsideFolder(folder, ReduceOfferedName(offeredName)).value_or(QString());
}

}  // namespace tv::dcc
