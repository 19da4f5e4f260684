#include "platform/audio/WavBackend.h"

#include "platform/audio/AudioClock.h"
#include "platform/audio/AudioFormat.h"

#include <QFileInfo>

#include <vector>

namespace tv::audio {

namespace {

constexpr int64_t kPeriodNs = samplesToNs(kPeriodSamples);
constexpr int kPeriodsPerSecond = kSampleRate / kPeriodSamples;

class WavCapture final : public AudioStream {
 public:
  WavCapture(CaptureSink &sink, QString name, std::vector<int16_t> file, bool held,
             std::shared_ptr<std::atomic<bool>> startRequested,
             std::shared_ptr<WavBackend::Times> times, std::shared_ptr<WavClock> clock)
      : name_(std::move(name)),
        file_(std::move(file)),
        startRequested_(std::move(startRequested)),
        times_(std::move(times)),
        clock_(std::move(clock)),
        stream_([this, &sink](int64_t k, int64_t startNs) {
          fill(k, startNs);
          sink.captured(buffer_, kPeriodSamples, startNs + k * kPeriodNs);
          return true;
        }) {
    if (!held) startRequested_->store(true);
    clock_->add(stream_);
  }
  ~WavCapture() override { clock_->remove(stream_); }
  QString deviceName() const override { return name_; }
  bool lost() const override { return false; }

 private:
  void fill(int64_t k, int64_t startNs) {
    const int64_t periodStart = startNs + k * kPeriodNs;
    if (next_ < 0 && !file_.empty() && startRequested_->exchange(false)) {
      next_ = 0;
      times_->captureFileStart.store(periodStart);
    }
    for (int i = 0; i < kPeriodSamples; ++i) {
      if (next_ >= 0 && size_t(next_) < file_.size()) {
        buffer_[i] = file_[size_t(next_)];
        if (size_t(++next_) == file_.size())
          times_->captureFileEnd.store(periodStart + samplesToNs(i));
      } else {
        buffer_[i] = 0;
      }
    }
  }

  const QString name_;
  const std::vector<int16_t> file_;
  std::shared_ptr<std::atomic<bool>> startRequested_;
  std::shared_ptr<WavBackend::Times> times_;
  int64_t next_ = -1;  // next file sample; -1 before the file starts
  int16_t buffer_[kPeriodSamples];
  std::shared_ptr<WavClock> clock_;
  WavClock::Stream stream_;
};

class WavPlayback final : public AudioStream {
 public:
  WavPlayback(PlaybackSource &source, QString name, std::unique_ptr<WavWriter> writer,
              std::shared_ptr<WavBackend::Times> times, std::shared_ptr<WavClock> clock)
      : name_(std::move(name)),
        writer_(std::move(writer)),
        clock_(std::move(clock)),
        stream_([this, &source](int64_t k, int64_t startNs) {
          const int64_t now = startNs + (k + 1) * kPeriodNs;
          source.render(buffer_, kPeriodSamples, now, now + kPeriodNs);
          if (!writer_) return true;
          if (!writer_->append(buffer_, kPeriodSamples) ||
              ((k + 1) % kPeriodsPerSecond == 0 && !writer_->updateSizes())) {
            lost_.store(true);
            return false;
          }
          return true;
        }) {
    // Each wake-up renders the block heard one period later, as a device with one
    // period of buffer would; the two blocks before the first such one are silence.
    std::fill(std::begin(buffer_), std::end(buffer_), int16_t(0));
    for (int i = 0; writer_ && i < 2; ++i) writer_->append(buffer_, kPeriodSamples);
    clock_->add(stream_);
    times->playbackStart.store(stream_.startNs());
  }
  ~WavPlayback() override {
    clock_->remove(stream_);
    if (writer_) writer_->close();
  }
  QString deviceName() const override { return name_; }
  bool lost() const override { return lost_.load(); }

 private:
  const QString name_;
  std::unique_ptr<WavWriter> writer_;
  std::atomic<bool> lost_{false};
  int16_t buffer_[kPeriodSamples];
  std::shared_ptr<WavClock> clock_;
  WavClock::Stream stream_;
};

QString displayName(const QString &path) {
  return path.isEmpty() ? QStringLiteral("(無音)") : QFileInfo(path).fileName();
}

}  // namespace

WavBackend::WavBackend(Options options)
    : options_(std::move(options)),
      startRequested_(std::make_shared<std::atomic<bool>>(false)),
      times_(std::make_shared<Times>()),
      clock_(std::make_shared<WavClock>()) {}

WavBackend::~WavBackend() = default;

bool WavBackend::checkCaptureFile(QString &error) const {
  return options_.captureFile.isEmpty() || readWavFile(options_.captureFile, error).has_value();
}

bool WavBackend::preparePlaybackFile(QString &error) {
  if (options_.playbackFile.isEmpty()) return true;
  auto writer = std::make_unique<WavWriter>();
  if (!writer->create(options_.playbackFile, error)) return false;
  prepared_ = std::move(writer);
  return true;
}

std::unique_ptr<AudioStream> WavBackend::openCapture(CaptureSink &sink, QString &error) {
  std::vector<int16_t> samples;
  if (!options_.captureFile.isEmpty()) {
    auto file = readWavFile(options_.captureFile, error);
    if (!file) return nullptr;
    samples = std::move(*file);
  }
  return std::make_unique<WavCapture>(sink, displayName(options_.captureFile), std::move(samples),
                                      options_.holdCaptureFile, startRequested_, times_, clock_);
}

std::unique_ptr<AudioStream> WavBackend::openPlayback(PlaybackSource &source, QString &error) {
  std::unique_ptr<WavWriter> writer = std::move(prepared_);
  if (!writer && !options_.playbackFile.isEmpty()) {
    writer = std::make_unique<WavWriter>();
    if (!writer->create(options_.playbackFile, error)) return nullptr;
  }
  return std::make_unique<WavPlayback>(source, displayName(options_.playbackFile),
                                       std::move(writer), times_, clock_);
}

}  // namespace tv::audio
