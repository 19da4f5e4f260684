#pragma once
// One PC of the window session tests: program folder, settings, the main window, the
// all-chat log, the session engine with its participant tools, linked as main() links
// them, on a shared fake network.

#include "app/FrmAllLOG.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatToolWindows.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InputLine.h"
#include "mainwindow/SessionLinkTo.h"
#include "platform/keystate/FakeKeySource.h"
#include "platform/peer/FakeNetwork.h"
#include "session/Pacer.h"
#include "session/ParticipantTools.h"
#include "session/PictureStore.h"
#include "session/SessionEngine.h"
#include "session/TvDccLauncher.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace tv::test {

class NoSleepPacer final : public session::Pacer {
 public:
  void Pause() override { QCoreApplication::processEvents(); }
  void Pump() override { QCoreApplication::processEvents(); }
};

// One PC: program folder, settings, windows and engine, built as main() builds them.
struct Pc {
  Pc(peer::Platform &platform, const QString &audioSetup)
      : info(app::RunStartUp(folder.path(), QStringLiteral("user"))),
        settings(info.settingsPath()),
        allLog(info, settings),
        keys(),
        window(info, settings, services()),
        pictures(info.appFolder),
        dcc(info.filePath(QStringLiteral("TvDcc")),
            [](const QString &, const QStringList &) { return false; }),
        engine(window, platform, settings, pacer, pictures, dcc, {info.appVersion, audioSetup, {}}),
        tools(engine, window, pacer),
        link(engine, tools),
        chatTools(window, info, settings) {
    window.attachSession(&link);
    QObject::connect(&engine, &session::SessionEngine::pictureStored, &window,
                     &mainwindow::FrmMain::ShowReceivedPicture);
    window.show();
  }
  mainwindow::FrmMain::Services services() {
    mainwindow::FrmMain::Services s;
    s.allLog = &allLog;
    s.localAddress = [] { return QStringLiteral("127.0.0.1"); };
    s.keys = &keys;
    return s;
  }
  bool voiceTab() const { return window.HasTab(QStringLiteral("VOICE")); }
  QString log() const { return window.txtLOG()->toPlainText(); }
  void type(const QString &text) {
    window.cboTX()->setFocus();
    window.cboTX()->lineEdit()->setText(text);
    QTest::keyClick(window.cboTX()->lineEdit(), Qt::Key_Return);
  }

  QTemporaryDir folder;
  app::AppInfo info;
  app::Settings settings;
  app::FrmAllLOG allLog;
  keystate::FakeKeySource keys;
  mainwindow::FrmMain window;
  NoSleepPacer pacer;
  session::PictureStore pictures;
  session::TvDccLauncher dcc;
  session::SessionEngine engine;
  session::ParticipantTools tools;
  mainwindow::SessionLinkTo<session::SessionEngine, session::ParticipantTools> link;
  mainwindow::ChatToolWindows chatTools;
};

}  // namespace tv::test
