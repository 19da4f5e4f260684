// The sound test program: its window for now, without the audio test itself.

#include "app/Fonts.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TvSoundTest"));
  tv::app::InstallFontSubstitutes();

  QWidget frmMAIN;
  frmMAIN.setObjectName(QStringLiteral("frmMAIN"));
  frmMAIN.setWindowTitle(QStringLiteral("Talvora Sound Test"));
  auto *lblTitle = new QLabel(QStringLiteral("音声テストはまだ用意されていません。"), &frmMAIN);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  auto *btnCANCEL = new QPushButton(QStringLiteral("閉じる"), &frmMAIN);
  btnCANCEL->setObjectName(QStringLiteral("btnCANCEL"));
  QObject::connect(btnCANCEL, &QPushButton::clicked, &frmMAIN, &QWidget::close);
  auto *layout = new QVBoxLayout(&frmMAIN);
  layout->addWidget(lblTitle);
  layout->addWidget(btnCANCEL);
  frmMAIN.show();
  return application.exec();
}
