// The [Audio] backend name: the two known ones in any case, the sound card when none
// is given, and an unknown one refusing every device with a reason that names it.
#include "platform/audio/AudioSettings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace tv::audio {
namespace {

struct NoSink final : CaptureSink {
  void captured(const int16_t *, int, int64_t) noexcept override {}
};

TEST(AudioSettings, BackendNames) {
  using B = AudioSettings::Backend;
  struct Case {
    QByteArray line;
    B backend;
  } cases[] = {
      {"", B::PortAudio},
      {"Backend=portaudio", B::PortAudio},
      {"Backend=PortAudio", B::PortAudio},
      {"Backend=", B::PortAudio},
      {"Backend=wav", B::Wav},
      {"Backend= WAV ", B::Wav},
      {"Backend=wave", B::Unknown},
  };
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("platform.ini"));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Audio]\r\n" + c.line + "\r\n");
    f.close();
    const AudioSettings s = AudioSettings::read(ini);
    EXPECT_EQ(s.backend, c.backend);
    if (c.backend != B::Unknown) continue;
    NoSink sink;
    QString error;
    EXPECT_EQ(makeBackend(s)->openCapture(sink, error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("Backend=wave"))) << error.toStdString();
  }
}

}  // namespace
}  // namespace tv::audio
