#pragma once
// Speakers that write what they would play into a WAV file (48000 Hz mono 16-bit),
// in real time, 10 ms per period (PeriodLoop), while started: sample n of a start is
// what would be heard n/48000 s after it. The file is created (replacing one of that
// name, which the user named for this) when the device opens; its sizes are rewritten
// every second and at each stop, so it stays valid. Without a file, nothing is kept. A
// failed write makes the device lost. See SetupDevices.h for the threading rules.

#include "platform/audiosetup/PeriodLoop.h"
#include "platform/audiosetup/SetupDevices.h"

#include <QByteArray>
#include <QFile>

#include <array>

namespace tv::audiosetup {

class WavPlayback : public PlaybackDevice {
 public:
  // `path` empty: nothing is kept. Null, with the reason in `why`, when the file cannot
  // be created.
  static std::unique_ptr<WavPlayback> open(const QString &path, QString &why);
  ~WavPlayback() override;

  QString name() const override;
  bool start(Source source) override;
  void stop() override;
  bool lost() const override { return loop_.failed(); }

 private:
  WavPlayback() = default;
  bool step();
  bool writeSizes();

  QFile file_;
  qint64 dataBytes_ = 0;
  int periodsSinceSizes_ = 0;
  Source source_;
  QByteArray raw_;
  std::array<std::int16_t, kSampleRate / 100> block_{};
  PeriodLoop loop_;
};

}  // namespace tv::audiosetup
