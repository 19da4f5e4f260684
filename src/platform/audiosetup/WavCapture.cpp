#include "platform/audiosetup/WavCapture.h"

#include <QFileInfo>
#include <QtEndian>

namespace tv::audiosetup {

std::unique_ptr<WavCapture> WavCapture::open(const QString &path, QString &why) {
  std::unique_ptr<WavCapture> device(new WavCapture);
  device->raw_.resize(qsizetype(device->block_.size() * 2));
  if (path.isEmpty()) return device;
  QFile &file = device->file_;
  file.setFileName(path);
  if (!file.open(QIODevice::ReadOnly)) {
    why = QStringLiteral("録音ファイル %1 を読めません。(%2)").arg(path, file.errorString());
    return nullptr;
  }
  const QByteArray head = file.read(kMaxWavHeaderBytes);
  const std::optional<WavData> data = ReadWavLayout(head, file.size(), why);
  if (!data) {
    why = QStringLiteral("録音ファイル %1: ").arg(path) + why;
    return nullptr;
  }
  device->data_ = *data;
  return device;
}

WavCapture::~WavCapture() { stop(); }

QString WavCapture::name() const {
  return file_.isOpen() ? QStringLiteral("WAVファイル ") + QFileInfo(file_).fileName()
                        : QStringLiteral("WAVファイル (無音)");
}

bool WavCapture::start(Sink sink) {
  stop();
  if (file_.isOpen() && !file_.seek(data_.offset)) return false;
  consumed_ = 0;
  sink_ = std::move(sink);
  loop_.start([this] { return step(); });
  return true;
}

void WavCapture::stop() { loop_.stop(); }

bool WavCapture::step() {
  const qint64 want = qint64(raw_.size());
  const qint64 left = file_.isOpen() ? data_.bytes - consumed_ : 0;
  qint64 got = 0;
  if (left > 0) {
    got = file_.read(raw_.data(), std::min(want, left));
    if (got < 0) return false;
    consumed_ += got;
  }
  const auto samples = int(got / 2);
  for (int i = 0; i < samples; ++i)
    block_[size_t(i)] = qFromLittleEndian<std::int16_t>(raw_.constData() + 2 * i);
  std::fill(block_.begin() + samples, block_.end(), std::int16_t(0));
  sink_(block_.data(), int(block_.size()));
  return true;
}

}  // namespace tv::audiosetup
