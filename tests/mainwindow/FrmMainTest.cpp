#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InfoLog.h"

#include <gtest/gtest.h>

#include <QTabBar>
#include <QTemporaryDir>

using namespace tv;

namespace {

TEST(FrmMain, StartsWithTheInfoAndOldLogTabs) {
  QTemporaryDir dir;
  const app::AppInfo info = app::RunStartUp(dir.path(), QStringLiteral("alice"));
  const app::Settings settings(info.settingsPath());
  mainwindow::FrmMain w(info, settings);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("[Talvora]"));
  ASSERT_EQ(w.tabMAIN()->count(), 2);
  EXPECT_EQ(w.tabMAIN()->tabText(0), QStringLiteral("INFO"));
  EXPECT_EQ(w.tabMAIN()->tabText(1), QStringLiteral("過去ログ"));
  EXPECT_EQ(w.currentViewKey(), QStringLiteral("INFO"));
  EXPECT_NE(w.findChild<QWidget *>(QStringLiteral("lstINF")), nullptr);
  EXPECT_EQ(tv::test::unnamedControls(&w), QString());
}

TEST(FrmMain, InformationLogRowsCarryAreaKindAndPlainText) {
  QTemporaryDir dir;
  const app::AppInfo info = app::RunStartUp(dir.path(), QString());
  const app::Settings settings(info.settingsPath());
  mainwindow::FrmMain w(info, settings);
  w.addINF(QStringLiteral("TV"), QStringLiteral("起動"), QStringLiteral("<b>x</b>"));
  w.addIINF(QStringLiteral("ERR"), QStringLiteral("irc"));
  w.LogVoiceInfo(QStringLiteral("停止"), QStringLiteral("voice"));
  ASSERT_EQ(w.lstINF()->rowCount(), 3);
  EXPECT_EQ(w.lstINF()->row(0).area, QStringLiteral("TV"));
  EXPECT_EQ(w.lstINF()->row(0).message, QStringLiteral("<b>x</b>"));
  EXPECT_EQ(w.lstINF()->row(1).area, QStringLiteral("IRC"));
  EXPECT_EQ(w.lstINF()->row(2).area, QStringLiteral("音声"));
  EXPECT_FALSE(w.lstINF()->row(2).time.isEmpty());
}

TEST(FrmMain, GeometryIsStoredInTwipsAndRestored) {
  QTemporaryDir dir;
  const app::AppInfo info = app::RunStartUp(dir.path(), QString());
  const app::Settings settings(info.settingsPath());
  {
    mainwindow::FrmMain w(info, settings);
    EXPECT_EQ(w.size(), QSize(467, 400));  // 7000 x 6000 twips at 15 twips per pixel
    w.show();
    w.resize(600, 450);
    w.close();
  }
  EXPECT_EQ(settings.ReadIni(u"frmMain", u"Width", u""), QStringLiteral("9000"));
  EXPECT_EQ(settings.ReadIni(u"frmMain", u"Height", u""), QStringLiteral("6750"));
  EXPECT_EQ(settings.ReadIni(u"frmMain", u"WindowState", u""), QStringLiteral("0"));
  mainwindow::FrmMain again(info, settings);
  EXPECT_EQ(again.size(), QSize(600, 450));
}

}  // namespace
