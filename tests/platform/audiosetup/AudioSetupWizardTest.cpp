// The audio set-up wizard on WAV-file devices, in real time: what each way out of it
// returns and records, and what the speakers played on the way.
#include "platform/audiosetup/AudioSetupWizard.h"

#include "common/TestSupport.h"
#include "platform/audio/AudioSettings.h"
#include "platform/audio/WavFile.h"
#include "platform/audiosetup/Chime.h"
#include "platform/audiosetup/ConfiguredDevices.h"
#include "platform/audiosetup/VoiceTest.h"
#include "platform/peer/AudioSetup.h"
#include "platform/profile/ProfileFile.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <cmath>
#include <numbers>

using namespace tv::audiosetup;
using namespace tv::peer;
using tv::test::waitFor;

namespace {

using Samples = std::vector<std::int16_t>;

QByteArray wavFile(const Samples &samples) {
  uint8_t header[44];
  tv::audio::wavHeader(header, uint32_t(samples.size() * 2));
  QByteArray bytes(reinterpret_cast<const char *>(header), sizeof header);
  for (const std::int16_t s : samples) {
    char le[2];
    qToLittleEndian(s, le);
    bytes.append(le, 2);
  }
  return bytes;
}

Samples wavSamples(const QString &path) {
  QString why;
  return tv::audio::readWavFile(path, why).value_or(Samples{});
}

// A 440 Hz tone at -12 dBFS, starting at its crest so that its first sample is loud.
Samples tone(double seconds) {
  Samples s(size_t(seconds * kSampleRate));
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = std::int16_t(
        std::lround(8192 * std::cos(2 * std::numbers::pi * 440 * double(i) / kSampleRate)));
  return s;
}

class AudioSetupWizardTest : public ::testing::Test {
 protected:
  QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
  void configure(const QString &backend, const QString &capture, const QString &playback) {
    const tv::profile::ProfileFile file(ini);
    file.write(u"Audio", u"Backend", backend);
    file.write(u"Audio", u"CaptureFile", capture);
    file.write(u"Audio", u"PlaybackFile", playback);
  }
  // Runs the wizard; `script` runs inside it once it shows. Whether it showed at all is
  // kept in `shown`.
  Result run(AudioSetupWizard &wizard, std::function<void()> script) {
    shown = false;
    QTimer::singleShot(0, &wizard, [&] {
      shown = wizard.isVisible();
      script();
    });
    return wizard.run();
  }

  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("platform.ini"));
  ConfiguredDevices devices{ini};
  bool shown = false;
};

TEST_F(AudioSetupWizardTest, FinishAfterBothTestsRecordsTheSetUpAndTheSpeakersPlayedBoth) {
  struct Case {
    const char *what;
    bool speech;       // the microphone hears a tone; otherwise silence
    bool chime;        // the speakers page is tried first
    const char *says;  // the microphone page's verdict
  } cases[] = {
      {"a voice reaches the microphone", true, true, "マイクの音声が届きました。(最大レベル 24)"},
      {"a silent microphone", false, false, "マイクの音声が届きませんでした。"},
  };
  const Samples mic = tone(3.5);
  tv::test::writeBytes(path("mic.wav"), wavFile(mic));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    configure(QStringLiteral("wav"), c.speech ? path("mic.wav") : QString(), path("out.wav"));
    AudioSetupWizard wizard(devices, ini, QStringLiteral("[Talvora]音声の設定"));
    int loudestSpeaker = 0;
    int loudestMike = 0;
    const auto watchMeters = [&] {
      loudestSpeaker = std::max(loudestSpeaker, wizard.prgSP()->value());
      loudestMike = std::max(loudestMike, wizard.prgMK()->value());
    };
    const Result result = run(wizard, [&] {
      EXPECT_EQ(wizard.page(), AudioSetupWizard::kSpeakersPage);
      EXPECT_EQ(tv::test::unnamedControls(&wizard), QString());
      EXPECT_FALSE(wizard.btnFINISH()->isEnabled());
      if (c.chime) {
        wizard.btnCHIME()->click();
        EXPECT_FALSE(wizard.btnNEXT()->isEnabled());  // not while the chime plays
        EXPECT_TRUE(waitFor([&] { return watchMeters(), wizard.btnNEXT()->isEnabled(); },
                            std::chrono::seconds(10)));
      }
      wizard.btnNEXT()->click();
      wizard.btnRECORD()->click();
      EXPECT_TRUE(waitFor([&] { return watchMeters(), wizard.btnNEXT()->isEnabled(); },
                          std::chrono::seconds(15)));
      EXPECT_TRUE(wizard.lblRESULT()->text().startsWith(QString::fromUtf8(c.says)))
          << wizard.lblRESULT()->text().toStdString();
      EXPECT_EQ(wizard.lblRESULT()->accessibleDescription(), wizard.lblRESULT()->text());
      wizard.btnNEXT()->click();
      EXPECT_FALSE(wizard.chkECHO()->isChecked());
      wizard.chkECHO()->setChecked(true);
      wizard.btnFINISH()->click();
    });
    EXPECT_EQ(result, kOk);
    EXPECT_TRUE(AudioSetup(ini).hasRun());
    EXPECT_TRUE(tv::audio::AudioSettings::read(ini).echoCancellation);
    EXPECT_EQ(loudestSpeaker > 0, c.chime);
    EXPECT_EQ(loudestMike, c.speech ? 24 : 0);  // -12 dBFS is 99 / 4

    // The speakers played the chime, then exactly the first three seconds the
    // microphone heard. The file is the speakers' timeline: silence may lie between
    // the two, and the chime may begin a device block or two after the file.
    const Samples out = wavSamples(path("out.wav"));
    const ptrdiff_t chime = c.chime ? ptrdiff_t(MakeChime().size()) : 0;
    ASSERT_GE(out.size(), size_t(chime));
    const size_t recorded = size_t(AudioSetupWizard::kRecordSeconds) * kSampleRate;
    if (c.speech) {
      EXPECT_NE(std::search(out.begin() + chime, out.end(), mic.begin(),
                            mic.begin() + ptrdiff_t(recorded)),
                out.end());
    } else {
      const ptrdiff_t tail = std::min(ptrdiff_t(out.size()), chime + kSampleRate / 10);
      EXPECT_TRUE(
          std::all_of(out.begin() + tail, out.end(), [](std::int16_t s) { return s == 0; }));
    }
    if (c.chime) {
      EXPECT_GT(*std::max_element(out.begin(), out.begin() + chime), 8192);
    }
    tv::audio::AudioSettings::writeEchoCancellation(ini, false);
  }
}

TEST_F(AudioSetupWizardTest, EveryOtherWayOutRecordsNothing) {
  tv::test::writeBytes(path("cd.wav"), QByteArray("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0"
                                                  "\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0"
                                                  "data\0\0\0\0",
                                                  44));
  tv::test::writeBytes(path("a-file"), "x");
  struct Case {
    const char *what;
    QString backend, capture, playback;
    QString setupPath;  // where the set-up is recorded
    Result result;
    bool shows;
  } cases[] = {
      {"cancelled", QStringLiteral("wav"), {}, {}, ini, DPNERR_USERCANCEL, true},
      {"missing capture file",
       QStringLiteral("wav"),
       path("none.wav"),
       {},
       ini,
       DVERR_RECORDSYSTEMERROR,
       false},
      {"capture file of another format",
       QStringLiteral("wav"),
       path("cd.wav"),
       {},
       ini,
       DVERR_RECORDSYSTEMERROR,
       false},
      {"playback file that cannot be made",
       QStringLiteral("wav"),
       {},
       path("no/out.wav"),
       ini,
       DVERR_PLAYBACKSYSTEMERROR,
       false},
      {"unknown backend", QStringLiteral("alsa"), {}, {}, ini, DVERR_PLAYBACKSYSTEMERROR, false},
      {"record that cannot be written",
       QStringLiteral("wav"),
       {},
       {},
       path("a-file/platform.ini"),
       DPNERR_GENERIC,
       true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    configure(c.backend, c.capture, c.playback);
    AudioSetupWizard wizard(devices, c.setupPath, QString());
    const Result result = run(wizard, [&] {
      if (c.result == DPNERR_USERCANCEL) return wizard.btnCANCEL()->click();
      wizard.btnNEXT()->click();
      wizard.btnNEXT()->click();
      wizard.btnFINISH()->click();
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(shown, c.shows);
    EXPECT_FALSE(AudioSetup(c.setupPath).hasRun());
  }
  // Only the system's default devices are offered.
  configure(QStringLiteral("wav"), {}, {});
  EXPECT_EQ(VoiceTest(devices, ini, {}).CheckAudioSetup(QStringLiteral("hw:1"), {}, nullptr),
            DVERR_INVALIDPARAM);
}

}  // namespace
