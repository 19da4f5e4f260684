// The sound test window: its instructions, the buttons while the set-up runs, the box
// each outcome ends in, and the end of the program.
#include "soundtest/FrmSoundTest.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

using tv::soundtest::FrmSoundTest;
using namespace tv::peer;

namespace {

TEST(FrmSoundTest, ShowsTheInstructionsAndCloseEndsTheProgram) {
  FrmSoundTest w(QStringLiteral("[Talvora]"), {});
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Talvora Sound Test"));
  const QStringList lines = w.lblTitle()->text().split(u'\n');
  ASSERT_EQ(lines.size(), 8);  // seven lines, each ended
  EXPECT_EQ(lines[0], QStringLiteral("※セットアップはマイクを接続してから行ってください。"));
  EXPECT_EQ(lines[5],
            QStringLiteral("　コントロールパネルで選択されている再生／録音デバイスを使用します。"));
  EXPECT_EQ(lines[7], QString());
  EXPECT_EQ(w.lblTitle()->accessibleDescription(), w.lblTitle()->text());
  EXPECT_EQ(tv::test::unnamedControls(&w), QString());
  QSignalSpy ended(&w, &FrmSoundTest::ended);
  w.btnCANCEL()->click();
  EXPECT_EQ(ended.count(), 1);
}

TEST(FrmSoundTest, EveryOutcomeEndsInItsBoxAndTheBoxEndsTheProgram) {
  const struct {
    Result result;
    const char *text;
  } cases[] = {
      {kOk, "音声テストが終了しました"},
      {DPNERR_USERCANCEL, "音声テストに失敗しました"},
      {DVERR_RECORDSYSTEMERROR, "音声テストに失敗しました"},
      {DPNERR_GENERIC, "音声テストに失敗しました"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    QWidget *owner = nullptr;
    bool buttonsDisabled = false;
    FrmSoundTest w(QStringLiteral("[Talvora]"), [&](QWidget *window) {
      owner = window;
      const auto *self = static_cast<FrmSoundTest *>(window);
      buttonsDisabled = !self->btnSTART()->isEnabled() && !self->btnCANCEL()->isEnabled();
      return c.result;
    });
    QSignalSpy ended(&w, &FrmSoundTest::ended);
    w.btnSTART()->click();
    EXPECT_EQ(owner, &w);
    EXPECT_TRUE(buttonsDisabled);
    QMessageBox *box = w.resultBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("[Talvora]音声テスト"));
    EXPECT_EQ(box->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(box->accessibleDescription(), box->text());
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(ended.count(), 0);
    box->button(QMessageBox::Ok)->click();
    EXPECT_EQ(ended.count(), 1);
    // One test per run: the program does not come back to waiting.
    EXPECT_FALSE(w.btnSTART()->isEnabled());
  }
}

}  // namespace
