#include "mainwindow/FrmMain.h"

#include "app/Fonts.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/OldLogPane.h"

#include <QCloseEvent>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace tv::mainwindow {
FrmMain::FrmMain(const app::AppInfo &info, const app::Settings &settings, QWidget *parent)
    : QWidget(parent),
      info_(info),
      settings_(settings),
      placement_(this, settings, QStringLiteral("frmMain"), QSize(7000, 6000)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(info_.titleTag);

  tabMAIN_ = new QTabBar(this);
  tabMAIN_->setObjectName(QStringLiteral("tabMAIN"));
  tabMAIN_->setAccessibleName(QStringLiteral("画面切り替え"));
  tabMAIN_->setExpanding(false);
  panes_ = new QStackedWidget(this);

  auto *fraINF = new QWidget;
  fraINF->setObjectName(QStringLiteral("fraINF"));
  lstINF_ = new InfoLog(fraINF);
  auto *infLayout = new QVBoxLayout(fraINF);
  infLayout->setContentsMargins(0, 0, 0, 0);
  infLayout->addWidget(lstINF_);

  OldLogPane::Services logServices;
  logServices.report = [this](const QString &kind, const QString &message) {
    addINF(QStringLiteral("TV"), kind, message);
  };
  fraLOG_ = new OldLogPane(info_, settings_, std::move(logServices));

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(app::TwipsToPixels(this, 60), app::TwipsToPixels(this, 60),
                             app::TwipsToPixels(this, 60), app::TwipsToPixels(this, 60));
  layout->setSpacing(0);
  layout->addWidget(tabMAIN_);
  layout->addWidget(panes_, 1);

  addTab(QStringLiteral("INFO"), QStringLiteral("INFO"), fraINF);
  addTab(QStringLiteral("OldLog"), QStringLiteral("過去ログ"), fraLOG_);
  connect(tabMAIN_, &QTabBar::currentChanged, panes_, &QStackedWidget::setCurrentIndex);
  tabMAIN_->setCurrentIndex(0);

  placement_.load();
}

void FrmMain::addTab(const QString &key, const QString &caption, QWidget *pane) {
  const int index = tabMAIN_->addTab(caption);
  tabMAIN_->setTabData(index, key);
  panes_->addWidget(pane);
}

QString FrmMain::currentViewKey() const {
  return tabMAIN_->tabData(tabMAIN_->currentIndex()).toString();
}

void FrmMain::addINF(const QString &funcClass, const QString &msgClass, const QString &message) {
  lstINF_->addRow(funcClass, msgClass, message);
}

void FrmMain::addIINF(const QString &msgClass, const QString &message) {
  addINF(QStringLiteral("IRC"), msgClass, message);
}

void FrmMain::LogVoiceInfo(const QString &kind, const QString &message) {
  addINF(QStringLiteral("音声"), kind, message);
}

void FrmMain::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  placement_.remember();
}

void FrmMain::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  placement_.remember();
}

void FrmMain::closeEvent(QCloseEvent *event) {
  fraLOG_->autoSaveInfoLog(*lstINF_);
  fraLOG_->saveSettings();
  placement_.save();
  QWidget::closeEvent(event);
}

}  // namespace tv::mainwindow
