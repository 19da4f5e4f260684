// The sound-test button: its two refusals, in their order, and what the information
// log says when the program cannot be started.
#include "MainWindowTestSupport.h"
#include "app/ModChk.h"
#include "common/TestSupport.h"
#include "mainwindow/InfoLog.h"

#include <QAbstractButton>
#include <QFile>

using namespace tv;

namespace {

struct RecordingBox : app::MessageSink {
  void ViewMSG(const QString &message, const QString &title) override {
    shown << title + u'|' + message;
  }
  QStringList shown;
};

class FrmMainSoundTest : public test::MainWindowTest {
 protected:
  QStringList infoRows(const mainwindow::FrmMain &w) const {
    QStringList rows;
    for (int i = 0; i < w.lstINF()->rowCount(); ++i) {
      const mainwindow::InfoLog::Row r = w.lstINF()->row(i);
      rows << r.area + u'|' + r.kind + u'|' + r.message;
    }
    return rows;
  }
};

TEST_F(FrmMainSoundTest, RefusesDuringVoiceThenIrcElseStartsTheProgramOrSaysWhyNot) {
  const QString program = info.programPath(QStringLiteral("TvSoundTest"));
  const QString started = info.programPath(QStringLiteral("started"));  // made in its folder
  const QString refused = QStringLiteral("[Talvora]音声テストができませんでした|");
  const QString voice =
      refused + QStringLiteral("音声テストは音声チャットを停止してから行ってください");
  const QString irc = refused + QStringLiteral("音声テストはIRCを全て閉じてから行ってください");
  const auto failure = [](const char *why) {
    return QStringList{QStringLiteral("TV|ERR|音声テストエラー"),
                       QStringLiteral("TV|ERR|　　<エラーの説明　> ") + QString::fromUtf8(why),
                       QStringLiteral("TV|ERR|　　<エラー後の処理> 音声テストを中止しました。")};
  };
  enum Program { kMissing, kNotRunnable, kRunnable };
  const struct Case {
    const char *what;
    int state;
    bool ircOpen;
    Program program;
    QStringList boxes;
    QStringList info;
    bool starts;
  } cases[] = {
      {"voice chat and IRC", 2, true, kRunnable, {voice}, {}, false},
      {"host search", 1, false, kRunnable, {voice}, {}, false},
      {"IRC", 0, true, kRunnable, {irc}, {}, false},
      {"idle", 0, false, kRunnable, {}, {}, true},
      {"no program",
       0,
       false,
       kMissing,
       {},
       failure("TalvoraのフォルダにTvSoundTestが見つかりません。"),
       false},
      {"program that cannot start",
       0,
       false,
       kNotRunnable,
       {},
       failure("TvSoundTestを起動できませんでした。"),
       false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(program);
    QFile::remove(started);
    if (c.program != kMissing) {
      test::writeBytes(program, "#!/bin/sh\ntouch started\n");
      if (c.program == kRunnable)
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    auto w = make(true);
    RecordingBox box;
    w->attachMessageBox(&box);
    if (c.ircOpen)
      w->EvConnect(QStringLiteral("nick"), QStringLiteral("irc.a"), QStringLiteral("192.0.2.1"),
                   QStringLiteral("6667"));
    session.state = c.state;
    const int rowsBefore = w->lstINF()->rowCount();
    w->btnVTEST_Click();
    EXPECT_EQ(box.shown, c.boxes);
    EXPECT_EQ(infoRows(*w).mid(rowsBefore), c.info);
    EXPECT_EQ(test::waitFor([&] { return QFile::exists(started); },
                            std::chrono::seconds(c.starts ? 5 : 0)),
              c.starts);
  }
}

}  // namespace
