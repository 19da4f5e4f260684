#include "mainwindow/FrmMain.h"

#include "app/Fonts.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/OldLogPane.h"

#include <QCloseEvent>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace tv::mainwindow {
namespace {
constexpr int kDefaultWidthTwips = 7000;
constexpr int kDefaultHeightTwips = 6000;
const QString kSection = QStringLiteral("frmMain");
}  // namespace

FrmMain::FrmMain(const app::AppInfo &info, const app::Settings &settings, QWidget *parent)
    : QWidget(parent), info_(info), settings_(settings) {
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

  loadGeometry();
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

void FrmMain::loadGeometry() {
  const QRect screen =
      this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  const int screenW = app::PixelsToTwips(this, screen.width());
  const int screenH = app::PixelsToTwips(this, screen.height());
  auto read = [&](const char16_t *key, int def) {
    return static_cast<int>(settings_.ReadIniNumber(kSection, key, QString::number(def)));
  };
  const int left = read(u"Left", (screenW - kDefaultWidthTwips) / 2);
  const int top = read(u"Top", (screenH - kDefaultHeightTwips) / 2);
  const int width = read(u"Width", kDefaultWidthTwips);
  const int height = read(u"Height", kDefaultHeightTwips);
  const int state = read(u"WindowState", 0);
  move(screen.left() + app::TwipsToPixels(this, left),
       screen.top() + app::TwipsToPixels(this, top));
  resize(std::max(200, app::TwipsToPixels(this, width)),
         std::max(150, app::TwipsToPixels(this, height)));
  normalRect_ = geometry();
  if (state == 1)
    setWindowState(Qt::WindowMinimized);
  else if (state == 2)
    setWindowState(Qt::WindowMaximized);
}

void FrmMain::rememberNormalRect() {
  if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
    normalRect_ = geometry();
}

void FrmMain::saveGeometry() {
  rememberNormalRect();
  const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
  int state = 0;
  if (windowState() & Qt::WindowMinimized)
    state = 1;
  else if (windowState() & Qt::WindowMaximized)
    state = 2;
  settings_.WriteIni(kSection, u"Left",
                     app::PixelsToTwips(this, normalRect_.left() - screen.left()));
  settings_.WriteIni(kSection, u"Top", app::PixelsToTwips(this, normalRect_.top() - screen.top()));
  settings_.WriteIni(kSection, u"Width", app::PixelsToTwips(this, normalRect_.width()));
  settings_.WriteIni(kSection, u"Height", app::PixelsToTwips(this, normalRect_.height()));
  settings_.WriteIni(kSection, u"WindowState", state);
}

void FrmMain::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  rememberNormalRect();
}

void FrmMain::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  rememberNormalRect();
}

void FrmMain::closeEvent(QCloseEvent *event) {
  fraLOG_->autoSaveInfoLog(*lstINF_);
  fraLOG_->saveSettings();
  saveGeometry();
  QWidget::closeEvent(event);
}

}  // namespace tv::mainwindow
