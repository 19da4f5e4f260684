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
bool runPressing(AudioSetupDialog &dialog, QPushButton *(AudioSetupDialog::*button)() const) {
  QTimer::singleShot(0, &dialog, [&dialog, button] { (dialog.*button)()->click(); });
  return dialog.run();
}

TEST(AudioSetupDialog, OkRecordsTheSetUpAndCancelDoesNot) {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("platform.ini"));
  AudioSetupDialog dialog(ini, QStringLiteral("[Talvora]音声の設定"));
  EXPECT_TRUE(dialog.isModal());
  EXPECT_EQ(tv::test::unnamedControls(&dialog), QString());

  EXPECT_FALSE(runPressing(dialog, &AudioSetupDialog::btnCANCEL));
  EXPECT_FALSE(AudioSetup(ini).hasRun());
  EXPECT_TRUE(runPressing(dialog, &AudioSetupDialog::btnOK));
  EXPECT_TRUE(AudioSetup(ini).hasRun());
}

TEST(AudioSetupDialog, ARecordThatCannotBeWrittenIsAFailure) {
  QTemporaryDir dir;
  tv::test::writeBytes(dir.filePath(QStringLiteral("file")), "x");
  const QString ini = dir.filePath(QStringLiteral("file/platform.ini"));  // under a file
  AudioSetupDialog dialog(ini, QString());
  EXPECT_FALSE(runPressing(dialog, &AudioSetupDialog::btnOK));
  EXPECT_FALSE(AudioSetup(ini).hasRun());
}

}  // namespace
