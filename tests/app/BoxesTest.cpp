#include "app/FrmBoxINP.h"
#include "app/FrmBoxMSG.h"
#include "app/UiRoutines.h"
#include "app/WindowRaiser.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace tv::app;

namespace {

int twipsOf(const QWidget *w, int pixels) { return PixelsToTwips(w, pixels); }

TEST(FrmBoxMSG, PlacesTheButtonBelowTheLines) {
  QWidget main;
  FrmBoxMSG box(&main);
  struct Case {
    QString message;
    int lines;
  } cases[] = {
      {QStringLiteral("一行"), 1},
      {QStringLiteral("一行\r\n"), 2},  // a trailing CR LF adds an empty line
      {QStringLiteral("a\r\nb\r\nc"), 3},
  };
  for (const Case &c : cases) {
    box.ViewMSG(c.message, QStringLiteral("[Talvora]題"));
    const int okTop = c.lines * 240 + 60;
    EXPECT_EQ(twipsOf(&box, box.btnOK()->y()), okTop);
    EXPECT_EQ(twipsOf(&box, box.height()), okTop + 375 + 60);
    box.close();
  }
  box.ViewMSG(QStringLiteral("一行"), QString());
  EXPECT_EQ(twipsOf(&box, box.btnOK()->y()), 300);
}

TEST(FrmBoxMSG, LabelsAreStackedAndReusedForANewMessage) {
  QWidget main;
  main.show();
  FrmBoxMSG box(&main);
  for (int i = 0; i < 21; ++i) {
    auto *l = box.findChild<QLabel *>(ArrayName(QStringLiteral("lblMSG"), i));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(twipsOf(&box, l->y()), i * 240);
    EXPECT_EQ(l->textFormat(), Qt::PlainText);
  }
  box.ViewMSG(QStringLiteral("first\r\nsecond"), QStringLiteral("one"));
  EXPECT_FALSE(main.isEnabled());
  EXPECT_TRUE(box.isEnabled());
  box.ViewMSG(QStringLiteral("<b>third</b>"), QStringLiteral("two"));
  EXPECT_EQ(box.windowTitle(), QStringLiteral("two"));
  EXPECT_EQ(box.label(0)->text(), QStringLiteral("<b>third</b>"));
  EXPECT_EQ(box.label(1)->text(), QString());  // old lines are emptied
  EXPECT_EQ(tv::test::unnamedControls(&box), QString());
  box.btnOK()->click();
  EXPECT_FALSE(box.isVisible());
  EXPECT_TRUE(main.isEnabled());
}

TEST(FrmBoxINP, ReportsOkWithTheTextAndCancelWithNothing) {
  QWidget main;
  main.show();
  FrmBoxINP box(&main);
  QSignalSpy clicks(&box, &FrmBoxINP::BtnClick);

  box.ViewMSG(QStringLiteral("パスワード"), QStringLiteral("[Talvora]設定"), QStringLiteral("def"),
              FrmBoxINP::kImeOff);
  EXPECT_FALSE(main.isEnabled());
  EXPECT_EQ(box.txtINPUT()->text(), QStringLiteral("def"));
  EXPECT_FALSE(box.txtINPUT()->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_EQ(tv::test::unnamedControls(&box), QString());
  box.btnCancel()->click();
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_TRUE(main.isEnabled());

  box.ViewMSG(QStringLiteral("理由"), QStringLiteral("t"), QString(), FrmBoxINP::kImeNoControl);
  EXPECT_TRUE(box.txtINPUT()->testAttribute(Qt::WA_InputMethodEnabled));
  box.btnOK()->click();
  ASSERT_EQ(clicks.count(), 1);
  EXPECT_EQ(clicks.at(0).at(0).toString(), QString());
  EXPECT_FALSE(box.isVisible());

  box.ViewMSG(QStringLiteral("a\r\nb"), QStringLiteral("t"), QStringLiteral("x"), 0);
  const int fieldTop = 240 * 2 + 60;
  EXPECT_EQ(twipsOf(&box, box.txtINPUT()->y()), fieldTop);
  EXPECT_EQ(twipsOf(&box, box.btnOK()->y()), fieldTop + 330 + 60);
  EXPECT_EQ(box.btnCancel()->y(), box.btnOK()->y());
  EXPECT_EQ(twipsOf(&box, box.height()), fieldTop + 330 + 60 + 375 + 120);
  box.close();  // closing by the frame enables the main window too
  EXPECT_TRUE(main.isEnabled());
}

TEST(Boxes, MainWindowWaitsForTheLastOpenBox) {
  QWidget main;
  main.show();
  FrmBoxINP input(&main);
  FrmBoxMSG message(&main);
  input.ViewMSG(QStringLiteral("チャンネル"), QStringLiteral("t"), QString(), FrmBoxINP::kImeOff);
  message.ViewMSG(QStringLiteral("不正です"), QStringLiteral("t"));
  input.btnOK()->click();
  EXPECT_FALSE(main.isEnabled());  // the message box is still open
  message.showMinimized();
  EXPECT_FALSE(main.isEnabled());  // minimised is still open
  message.showNormal();
  message.hide();
  EXPECT_TRUE(main.isEnabled());

  {
    FrmBoxMSG gone(&main);
    gone.ViewMSG(QStringLiteral("x"), QStringLiteral("t"));
    EXPECT_FALSE(main.isEnabled());
  }
  EXPECT_TRUE(main.isEnabled());  // a box destroyed while open lets go too
}

TEST(WindowRaiser, RestoresTheMainWindowAndPrefersTheOpenBox) {
  QWidget main;
  main.show();
  WindowRaiser raiser(&main);
  main.showMinimized();
  raiser.raise();
  EXPECT_FALSE(main.isMinimized());

  FrmBoxMSG box(&main);
  box.ViewMSG(QStringLiteral("x"), QStringLiteral("t"));
  ASSERT_TRUE(tv::test::waitFor([&] { return raiser.lastActiveWindow() == &box; }));
  box.close();
  EXPECT_EQ(raiser.lastActiveWindow(), &main);  // a closed box is not raised
}

}  // namespace
