#pragma once
// A microphone that plays a WAV file in real time: from each start, the file's samples
// from the first on, 10 ms per period (PeriodLoop), then silence. Without a file it
// gives silence. See SetupDevices.h for the threading rules.

#include "platform/audiosetup/PeriodLoop.h"
#include "platform/audiosetup/SetupDevices.h"
#include "platform/audiosetup/WavFormat.h"

#include <QByteArray>
#include <QFile>

#include <array>

namespace tv::audiosetup {

class WavCapture : public CaptureDevice {
 public:
  // `path` empty: silence. Null, with the reason in `why`, when the file cannot be read
  // or holds anything but 48000 Hz mono 16-bit PCM.
  static std::unique_ptr<WavCapture> open(const QString &path, QString &why);
  ~WavCapture() override;

  QString name() const override;
  bool start(Sink sink) override;
  void stop() override;
  bool lost() const override { return loop_.failed(); }

 private:
  WavCapture() = default;
  bool step();

  QFile file_;
  WavData data_;
  qint64 consumed_ = 0;  // bytes of samples read since start
  Sink sink_;
  QByteArray raw_;
  std::array<std::int16_t, kSampleRate / 100> block_{};
  PeriodLoop loop_;
};

}  // namespace tv::audiosetup
