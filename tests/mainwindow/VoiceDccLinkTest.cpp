// The main window's file-transfer link: the participant menu's entry starts a sender
// for the chosen member or says why not, and an offer handed back is passed to the
// session from the timer, with a line in the information log when that fails.
#include "MainWindowTestSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/VoiceDccLink.h"
#include "session/TvDccLauncher.h"

#include <QDBusConnection>

using namespace tv;

namespace {

class VoiceDccLinkTest : public test::MainWindowTest {
 protected:
  std::unique_ptr<mainwindow::FrmMain> window() {
    auto w = make();
    startVoice(*w);
    return w;
  }
  void select(mainwindow::FrmMain &w, std::uint32_t id) {
    w.lstUSER()->clearSelection();
    for (int i = 0; i < w.lstUSER()->topLevelItemCount(); ++i) {
      QTreeWidgetItem *row = w.lstUSER()->topLevelItem(i);
      if (row->text(0) == w.lstUSER()->RowText(id)) row->setSelected(true);
    }
  }
  QStringList infoMessages(const mainwindow::FrmMain &w) const {
    QStringList messages;
    for (int i = 0; i < w.lstINF()->rowCount(); ++i) {
      const auto row = w.lstINF()->row(i);
      messages << row.area + u'|' + row.kind + u'|' + row.message;
    }
    return messages;
  }

  QList<QStringList> started;
  session::TvDccLauncher launcher{appFile(QStringLiteral("TvDcc")),
                                  [this](const QString &, const QStringList &arguments) {
                                    started.append(arguments);
                                    return true;
                                  }};
  QStringList forwarded;
  bool forwardSucceeds = true;
  mainwindow::VoiceDccLink::ForwardOffer forward = [this](const QString &line) {
    forwarded << line;
    return forwardSucceeds;
  };
  QDBusConnection noBus{QStringLiteral("no bus")};
};

TEST_F(VoiceDccLinkTest, TheMenuEntryStartsASenderForTheChosenMember) {
  auto w = window();
  mainwindow::VoiceDccLink link(*w, session, launcher, forward, noBus);
  const QString error = QStringLiteral("ファイル送信エラー");
  struct Case {
    std::uint32_t selected;
    bool programThere;
    QString description;  // "" when the sender starts or nothing happens
  } cases[] = {
      {0, true, QString()},
      {1, true, QStringLiteral("自分自身に対してファイルを送信することはできません。")},
      {2, false, QStringLiteral("TalvoraのフォルダにTvDccが見つかりません。")},
      {2, true, QString()},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.selected);
    if (c.programThere)
      test::writeBytes(appFile(QStringLiteral("TvDcc")), "program");
    else
      QFile::remove(appFile(QStringLiteral("TvDcc")));
    select(*w, c.selected);
    const QString before = w->txtLOG()->toPlainText();
    started.clear();
    link.btnDccSend_Click();
    const QString added = w->txtLOG()->toPlainText().mid(before.size());
    if (c.description.isEmpty()) {
      EXPECT_FALSE(added.contains(error));
    } else {
      EXPECT_TRUE(added.contains(error));
      EXPECT_TRUE(added.contains(QStringLiteral("　　<エラーの説明　> ") + c.description));
      EXPECT_TRUE(
          added.contains(QStringLiteral("　　<エラー後の処理> ファイル送信を中止しました。")));
    }
    const bool starts = c.selected == 2 && c.programThere;
    ASSERT_EQ(started.size(), starts ? 1 : 0);
    if (starts) {
      EXPECT_EQ(started[0],
                QStringList({QStringLiteral("VSEND"), QStringLiteral("1"), QStringLiteral("bob")}));
    }
  }
}

TEST_F(VoiceDccLinkTest, HandedBackOffersGoToTheSessionFromTheTimer) {
  auto w = window();
  mainwindow::VoiceDccLink link(*w, session, launcher, forward, noBus);
  EXPECT_FALSE(link.endpoint().isRegistered());
  const QString line = QStringLiteral("PRIVMSG bob DCC SEND a.txt 2130706433 5000 12");
  ASSERT_TRUE(link.handOff().setText(line));
  EXPECT_TRUE(forwarded.isEmpty());
  forwardSucceeds = false;
  ASSERT_TRUE(test::waitFor([&] { return !forwarded.isEmpty(); }));
  EXPECT_EQ(forwarded, QStringList{line});
  EXPECT_TRUE(infoMessages(*w).contains(QStringLiteral("TV|DCC|送信できませんでした。")));
}

}  // namespace
