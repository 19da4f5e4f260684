#include "platform/audiosetup/WavPlayback.h"

#include "platform/audiosetup/WavFormat.h"

#include <QFileInfo>
#include <QtEndian>

namespace tv::audiosetup {
namespace {
constexpr int kPeriodsPerSecond = 1000 / PeriodLoop::kPeriodMs;
constexpr qint64 kHeaderBytes = 44;
}  // namespace

std::unique_ptr<WavPlayback> WavPlayback::open(const QString &path, QString &why) {
  std::unique_ptr<WavPlayback> device(new WavPlayback);
  device->raw_.resize(qsizetype(device->block_.size() * 2));
  if (path.isEmpty()) return device;
  QFile &file = device->file_;
  file.setFileName(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(WavHeader(0)) != kHeaderBytes || !file.flush()) {
    why = QStringLiteral("再生ファイル %1 を作れません。(%2)").arg(path, file.errorString());
    return nullptr;
  }
  return device;
}

WavPlayback::~WavPlayback() { stop(); }

QString WavPlayback::name() const {
  return file_.isOpen() ? QStringLiteral("WAVファイル ") + QFileInfo(file_).fileName()
                        : QStringLiteral("WAVファイル (保存なし)");
}

bool WavPlayback::start(Source source) {
  stop();
  if (file_.isOpen() && !file_.seek(kHeaderBytes + dataBytes_)) return false;
  source_ = std::move(source);
  periodsSinceSizes_ = 0;
  loop_.start([this] { return step(); });
  return true;
}

void WavPlayback::stop() {
  loop_.stop();
  if (file_.isOpen()) writeSizes();
}

bool WavPlayback::step() {
  source_(block_.data(), int(block_.size()));
  if (!file_.isOpen()) return true;
  for (size_t i = 0; i < block_.size(); ++i) qToLittleEndian(block_[i], raw_.data() + 2 * i);
  if (file_.write(raw_) != raw_.size()) return false;
  dataBytes_ += raw_.size();
  if (++periodsSinceSizes_ >= kPeriodsPerSecond) {
    periodsSinceSizes_ = 0;
    return writeSizes() && file_.seek(kHeaderBytes + dataBytes_);
  }
  return true;
}

bool WavPlayback::writeSizes() {
  return file_.seek(0) && file_.write(WavHeader(dataBytes_)) == kHeaderBytes && file_.flush();
}

}  // namespace tv::audiosetup
