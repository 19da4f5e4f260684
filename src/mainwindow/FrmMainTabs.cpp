// FrmMain: the tab strip, showing and hiding panes, the input line's place, and the
// IRC pane slots.
#include "mainwindow/FrmMain.h"

#include "mainwindow/InputLine.h"
#include "mainwindow/OldLogPane.h"
#include "mainwindow/VoicePane.h"

#include <QSignalBlocker>
#include <QTabBar>

namespace tv::mainwindow {
namespace {

const QString kIrc = QStringLiteral("IRC");

// The pane number of an "IRC" + n key; -1 for other keys.
int ircPaneNumber(const QString &key) {
  if (!key.startsWith(kIrc) || key.size() == kIrc.size()) return -1;
  bool ok = false;
  const int n = key.mid(kIrc.size()).toInt(&ok);
  return ok && n >= 0 && key.mid(kIrc.size()) == QString::number(n) ? n : -1;
}

QString ircKey(int n) { return kIrc + QString::number(n); }

}  // namespace

int FrmMain::tabIndex(const QString &key) const {
  for (int i = 0; i < tabMAIN_->count(); ++i)
    if (tabMAIN_->tabData(i).toString() == key) return i;
  return -1;
}

bool FrmMain::HasTab(const QString &key) const { return tabIndex(key) >= 0; }

void FrmMain::appendTab(const QString &key, const QString &caption) {
  const QSignalBlocker block(tabMAIN_);
  // Captions are shown as they are: "&" marks no shortcut.
  const int index = tabMAIN_->addTab(QString(caption).replace(u'&', QStringLiteral("&&")));
  tabMAIN_->setTabData(index, key);
  layoutWindow();
}

void FrmMain::AddTab(const QString &key, const QString &caption) {
  // A key has one tab; asking again only selects it.
  if (!HasTab(key)) appendTab(key, caption);
  tabMAIN_->setCurrentIndex(tabIndex(key));
  SyncSelectedTab();
}

void FrmMain::SelectTab(const QString &key) {
  const int index = tabIndex(key);
  if (index >= 0) tabMAIN_->setCurrentIndex(index);
  SyncSelectedTab();
}

void FrmMain::SyncSelectedTab() {
  const QString key = tabMAIN_->tabData(tabMAIN_->currentIndex()).toString();
  if (key == viewKey_) return;
  const QString old = viewKey_;
  viewKey_ = key;
  ShowPane(old, false);
  ShowPane(key, true);
}

void FrmMain::RemoveTab(const QString &key) {
  const int removed = tabIndex(key);
  if (removed >= 0) {
    // The tab left of a removed selected tab takes its place; when another tab is
    // removed, the one shown stays.
    const QSignalBlocker block(tabMAIN_);
    const int selected = tabMAIN_->currentIndex();
    tabMAIN_->removeTab(removed);
    if (removed == selected)
      tabMAIN_->setCurrentIndex(std::max(0, selected - 1));
    else
      tabMAIN_->setCurrentIndex(selected > removed ? selected - 1 : selected);
    layoutWindow();
  }
  SyncSelectedTab();
}

QWidget *FrmMain::paneForKey(const QString &key) const {
  if (key == u"INFO") return fraINF_;
  if (key == u"OldLog") return fraLOG_;
  if (key == u"VOICE") return fraVOICE_;
  const int n = ircPaneNumber(key);
  return n >= 0 ? panes_.value(n) : nullptr;
}

void FrmMain::ShowPane(const QString &key, bool show) {
  QWidget *pane = paneForKey(key);
  if (!pane) {
    // Keys of no pane hide the input line; an IRC key whose pane is gone is a fault.
    if (!key.startsWith(kIrc)) {
      cboTX_->hide();
      return;
    }
    addINF(QStringLiteral("TV"), QStringLiteral("ERR"),
           QStringLiteral("タブのリンク先が見つかりませんでした。"));
    return;
  }
  pane->setVisible(show);
  if (key == u"OldLog" && show) fraLOG_->refreshFileList();
  if (key == u"VOICE" || ircPaneNumber(key) >= 0) {
    placeInputLine(key);
    cboTX_->setVisible(show);
    if (show) cboTX_->raise();
  }
}

void FrmMain::placeInputLine(const QString &key) {
  QRect place;
  if (key == u"VOICE") {
    place = fraVOICE_->inputRect().translated(fraVOICE_->pos());
  } else if (const IrcPane *pane = panes_.value(ircPaneNumber(key))) {
    place = QRect(pane->x() + pane->cboLFT(), pane->y() + pane->cboTOP(), pane->cboWID(), 0);
  } else {
    return;
  }
  const int height = cboTX_->sizeHint().height();
  cboTX_->setGeometry(place.x(), place.y(), place.width(), height);
}

// IRC pane slots.

void FrmMain::adoptIrcPane(IrcPane *pane) {
  pane->setParent(this);
  pane->setObjectName(app::ArrayName(QStringLiteral("fraIRC"), int(panes_.size())));
  pane->setInputRowHeight(cboTX_->sizeHint().height());
  pane->setLogSaver(
      [this](const QTextDocument &view, const QString &name) { fraLOG_->saveIrcLog(view, name); });
  pane->setTabKey(ircKey(int(panes_.size())));
  pane->setGeometry(paneRect());
  pane->hide();
  panes_.append(pane);
  connect(pane, &IrcPane::EvHideMe, this, [this, pane] { onPaneHideMe(pane); });
  connect(pane, &IrcPane::EvAddMyTab, this, [this, pane] { onPaneAddMyTab(pane); });
  connect(pane, &IrcPane::EvRemoveMe, this, [this, pane] { onPaneRemoveMe(pane); });
  connect(pane, &IrcPane::EvRefreshMe, this, [this, pane] { onPaneRefreshMe(pane); });
  // An invitation is only taken up while no session is held, like the join button; a
  // dialog opened during a session could only fail silently.
  connect(pane, &IrcPane::EvVoiceJoin, this, [this](const QString &address) {
    if (sessionState() == 0) Q_EMIT voiceJoinRequested(address);
  });
  connect(pane, &IrcPane::EvSysMsg, this, &FrmMain::addIINF);
  cboTX_->raise();
}

int FrmMain::OpenIrcPaneSlot(const QString &serverName) {
  if (panes_.isEmpty()) return -1;
  const IrcSlotTable::Opened opened = slots_.open(serverName);
  if (opened.resetPaneZero) panes_.first()->AllInitialize();
  if (opened.loadPane) adoptIrcPane(services_.makeIrcPane());
  return opened.slot;
}

void FrmMain::EvConnect(const QString &nick, const QString &serverName, const QString &address,
                        const QString &port) {
  const int n = OpenIrcPaneSlot(serverName);
  if (IrcPane *pane = panes_.value(n)) {
    pane->SetBtnVisible(sessionState());
    pane->IrcConnect(nick, address, port);
    return;
  }
  addINF(QStringLiteral("TV"), QStringLiteral("ERR"),
         QStringLiteral("IRCの画面を用意できませんでした。"));
}

void FrmMain::onPaneHideMe(IrcPane *pane) {
  const int n = int(panes_.indexOf(pane));
  if (n < 0) return;
  RemoveTab(ircKey(n));
  pane->hide();
}

void FrmMain::onPaneAddMyTab(IrcPane *pane) {
  const int n = int(panes_.indexOf(pane));
  if (n < 0) return;
  AddTab(ircKey(n), slots_.name(n));
}

void FrmMain::onPaneRemoveMe(IrcPane *pane) {
  const int n = int(panes_.indexOf(pane));
  if (n < 0 || !slots_.release(n)) return;
  RemoveTab(ircKey(n));
  for (int unloaded : slots_.trim()) {
    IrcPane *gone = panes_.takeAt(unloaded);
    gone->hide();
    // The pane may still be inside its own signal; it goes once that returns.
    gone->deleteLater();
  }
  SyncSelectedTab();
}

void FrmMain::onPaneRefreshMe(IrcPane *pane) {
  pane->raise();
  const int n = int(panes_.indexOf(pane));
  if (n >= 0 && viewKey_ == ircKey(n)) placeInputLine(viewKey_);
  cboTX_->raise();
}

}  // namespace tv::mainwindow
