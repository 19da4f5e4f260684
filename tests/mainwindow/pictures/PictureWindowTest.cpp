// The picture window: its size label and scroll bar rules, and the window itself on a
// real main window (offscreen) choosing, previewing and sending a picture.
#include "MainWindowTestSupport.h"
#include "PictureTestSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatToolWindows.h"
#include "mainwindow/FrmSubVOIPIC.h"
#include "mainwindow/PictureChooserText.h"
#include "session/SessionMessage.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>

using namespace tv;
using mainwindow::PreviewScroll;

namespace {

TEST(PictureWindowText, FileSizeLabel) {
  const struct {
    qint64 bytes;
    const char *text;
  } cases[] = {
      {0, "0Bytes"},
      {1023, "1,023Bytes"},
      {1024, "1,024Bytes( = 1KB)"},
      {1587, "1,587Bytes( = 1.5KB)"},  // 1.549..., cut
      {1048575, "1,048,575Bytes( = 1023.9KB)"},
      {1048576, "1,048,576Bytes( = 1024KB)( = 1MB)"},
      {2621440, "2,621,440Bytes( = 2560KB)( = 2.5MB)"},
  };
  for (const auto &c : cases) EXPECT_EQ(mainwindow::FileSizeText(c.bytes), c.text) << c.bytes;
}

TEST(PictureWindowText, PreviewScrollBars) {
  const struct {
    int picture, preview;
    PreviewScroll expected;
  } cases[] = {
      {100, 200, {0, 1, 1, false}}, {200, 200, {0, 1, 1, false}},       {201, 200, {1, 1, 1, true}},
      {239, 200, {39, 4, 2, true}}, {1200, 200, {1000, 101, 51, true}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(mainwindow::PreviewScrollFor(c.picture, c.preview), c.expected) << c.picture;
}

class PictureWindowTest : public test::MainWindowTest {};

TEST_F(PictureWindowTest, ChoosesPreviewsAndSendsAPicture) {
  QDir pictures(dir.filePath("pictures"));
  ASSERT_TRUE(pictures.mkpath("."));
  const QByteArray tall = test::pictureFile(QSize(120, 2000), "JPG");
  test::writeBytes(pictures.filePath("tall.JPG"), tall);
  test::writeBytes(pictures.filePath("a.bmp"), test::pictureFile(QSize(8, 8), "BMP"));
  test::writeBytes(pictures.filePath("notes.txt"), "not a picture");
  settings.WriteIni(u"VOICE", u"PicturePath", pictures.path());
  auto w = make();
  startVoice(*w);
  mainwindow::ChatToolWindows tools(*w, info, settings);
  Q_EMIT w->pictureWindowRequested();
  mainwindow::FrmSubVOIPIC *p = tools.pictureWindow();
  ASSERT_TRUE(p);
  EXPECT_EQ(p->windowTitle(), info.titleTag + "画像ファイルの選択(jpg,jpeg,bmp,wmf)");
  EXPECT_EQ(p->folder(), pictures.path());
  EXPECT_EQ(test::unnamedControls(p), "");
  QStringList listed;
  for (int i = 0; i < p->filPIC()->count(); ++i) listed << p->filPIC()->item(i)->text();
  EXPECT_EQ(listed, QStringList({"a.bmp", "tall.JPG"}));

  // A place that cannot be read puts the list back.
  p->drvPIC()->addItem("/gone", "/gone");
  const int before = p->drvPIC()->currentIndex();
  EXPECT_FALSE(p->choosePlace(p->drvPIC()->count() - 1));
  EXPECT_EQ(p->drvPIC()->currentIndex(), before);
  EXPECT_EQ(p->folder(), pictures.path());

  // A tall picture enables only the vertical scroll bar.
  p->filPIC()->setCurrentRow(1);
  EXPECT_EQ(p->lblFSize()->accessibleDescription(), mainwindow::FileSizeText(tall.size()));
  EXPECT_EQ(p->picBOX()->size(), QSize(120, 2000));
  EXPECT_TRUE(p->scbV()->isEnabled());
  EXPECT_FALSE(p->scbH()->isEnabled());
  EXPECT_EQ(p->scbV()->maximum(), 2000 - p->picBASE()->height());
  p->scbV()->setValue(50);
  EXPECT_EQ(p->picBOX()->y(), -50);

  // Enter sends it and the window ends, leaving its folder for the next time.
  QTest::keyClick(p->filPIC(), Qt::Key_Return);
  ASSERT_EQ(session.sent.size(), 1);
  EXPECT_TRUE(session.sent[0].picture == tall);
  EXPECT_TRUE(test::waitFor([&] { return tools.pictureWindow() == nullptr; }));
  EXPECT_EQ(settings.ReadIni(u"VOICE", u"PicturePath", u""), pictures.path());
  EXPECT_EQ(settings.ReadIni(u"frmSubVOIPIC", u"Width", u"").isEmpty(), false);
}

}  // namespace
