#include "platform/audiosetup/AudioSetupDialog.h"

#include "common/TestSupport.h"
#include "platform/peer/AudioSetup.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using tv::audiosetup::AudioSetupDialog;
using tv::peer::AudioSetup;

namespace {

// Presses a button of the dialog once its modal loop runs.
tv::peer::Result runPressing(AudioSetupDialog &dialog,
                             QPushButton *(AudioSetupDialog::*button)() const) {
  QTimer::singleShot(0, &dialog, [&dialog, button] { (dialog.*button)()->click(); });
  return dialog.run();
}

TEST(AudioSetupDialog, OkRecordsTheSetUpAndCancelDoesNot) {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("platform.ini"));
  AudioSetupDialog dialog(ini, QStringLiteral("[Talvora]音声の設定"));
  EXPECT_TRUE(dialog.isModal());
  EXPECT_EQ(tv::test::unnamedControls(&dialog), QString());

  EXPECT_EQ(runPressing(dialog, &AudioSetupDialog::btnCANCEL), tv::peer::DPNERR_USERCANCEL);
  EXPECT_FALSE(AudioSetup(ini).hasRun());
  EXPECT_EQ(runPressing(dialog, &AudioSetupDialog::btnOK), tv::peer::kOk);
  EXPECT_TRUE(AudioSetup(ini).hasRun());
}

TEST(AudioSetupDialog, ARecordThatCannotBeWrittenIsAFailure) {
  QTemporaryDir dir;
  tv::test::writeBytes(dir.filePath(QStringLiteral("file")), "x");
  const QString ini = dir.filePath(QStringLiteral("file/platform.ini"));  // under a file
  AudioSetupDialog dialog(ini, QString());
  EXPECT_EQ(runPressing(dialog, &AudioSetupDialog::btnOK), tv::peer::DPNERR_GENERIC);
  EXPECT_FALSE(AudioSetup(ini).hasRun());
}

}  // namespace
