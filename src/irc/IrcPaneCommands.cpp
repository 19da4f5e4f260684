#include "irc/IrcPaneCommands.h"

#include "app/AppInfo.h"
#include "app/FrmBoxINP.h"
#include "app/ModChk.h"
#include "app/RecentList.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "irc/CtlIRC.h"
#include "irc/IrcLink.h"
#include "irc/IrcLists.h"
#include "irc/IrcUserModel.h"
#include "irc/OutgoingText.h"
#include "irc/VoiceRecruit.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatText.h"
#include "platform/text/TextFile.h"

#include <QAction>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>

namespace tv::irc {
namespace {

const QString kSection = QStringLiteral("IRC");
const QString kCut = QStringLiteral("切断");

bool isEnter(const QKeyEvent &key) {
  return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

}  // namespace

IrcPaneCommands::IrcPaneCommands(CtlIRC &pane, const IrcPaneServices &services)
    : QObject(&pane), pane_(pane), services_(services) {
  buildMenus();
  buildRow();
  timQUIT_ = new QTimer(this);
  timQUIT_->setObjectName(QStringLiteral("timQUIT"));
  timQUIT_->setSingleShot(true);
  connect(timQUIT_, &QTimer::timeout, this, &IrcPaneCommands::forcedClose);
  // The pane ends however it ends (the server's close among them): nothing to force.
  connect(&pane_, &CtlIRC::EvRemoveMe, this, &IrcPaneCommands::stop);
  // Announcements are recognised in received lines only (the handler never passes own
  // lines on).
  pane_.handler().setReceivedLineHook(
      [this](int slot, const QString &speaker, const QString &text) {
        MarkAnnouncer(pane_.handler(), slot, speaker, text);
      });
  for (int i = 0; pane_.lstUSER(i); ++i) listAdded(pane_.lstUSER(i));
  SetBtnVisible(pane_.sessionState());
}

IrcPaneCommands::~IrcPaneCommands() {
  // The boxes are top-level windows of their own: they go with the pane.
  qDeleteAll(boxes_);
}

QIcon IrcPaneCommands::VoiceHostIcon() {
  // A headset: a band over two ear pieces, drawn so that it scales with the row.
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 110, 40), 2));
  p.drawArc(QRectF(2.5, 2, 11, 11), 0, 180 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 150, 60));
  p.drawRoundedRect(QRectF(1, 7, 4, 6), 1.5, 1.5);
  p.drawRoundedRect(QRectF(11, 7, 4, 6), 1.5, 1.5);
  p.end();
  return QIcon(picture);
}

// Building.

QAction *IrcPaneCommands::addEntry(QMenu *menu, QAction *before, const char *name,
                                   const QString &caption, void (IrcPaneCommands::*act)()) {
  auto *action = new QAction(caption, menu);
  action->setObjectName(QString::fromLatin1(name));
  menu->insertAction(before, action);
  if (act) connect(action, &QAction::triggered, this, act);
  return action;
}

void IrcPaneCommands::buildMenus() {
  QMenu *ch = pane_.btnChRoot();
  // The copy entry is the pane's own and stays last.
  QAction *copy = nullptr;
  for (QAction *a : ch->actions())
    if (a->objectName() == u"btnMenuSelCOPY") copy = a;
  const auto modeEntry = [&](const char *name, const QString &caption, const QString &text) {
    addEntry(ch, copy, name, caption, nullptr);
    connect(entry(QString::fromLatin1(name)), &QAction::triggered, this,
            [this, text] { mode(text); });
  };
  addEntry(ch, copy, "btnMenuJoin", QStringLiteral("新たにチャンネルに入る(JOIN)"),
           &IrcPaneCommands::join);
  addEntry(ch, copy, "btnMenuRECRUITMENT",
           QStringLiteral("このチャンネルで音声チャット参加者を募集する"),
           &IrcPaneCommands::recruit);
  modeEntry("btnMenuPrivatePlus", QStringLiteral("このチャンネルをプライベート設定にする(+p)"),
            QStringLiteral("+p"));
  modeEntry("btnMenuPrivateMinus", QStringLiteral("このチャンネルのプライベート設定を解除する(-p)"),
            QStringLiteral("-p"));
  modeEntry("btnMenuSecretPlus", QStringLiteral("このチャンネルをシークレット設定にする(+s)"),
            QStringLiteral("+s"));
  modeEntry("btnMenuSecretMinus", QStringLiteral("このチャンネルのシークレット設定を解除する(-s)"),
            QStringLiteral("-s"));
  addEntry(ch, copy, "btnMenuLimitPlus", QStringLiteral("このチャンネルの人数を制限する(+l)"),
           &IrcPaneCommands::limit);
  modeEntry("btnMenuLimitMinus", QStringLiteral("このチャンネルの人数制限を解除する(-l)"),
            QStringLiteral("-l"));
  addEntry(ch, copy, "btnMenuPasswordPlus",
           QStringLiteral("このチャンネルにパスワードを設定する(+k)"), &IrcPaneCommands::keyPlus);
  addEntry(ch, copy, "btnMenuPasswordMinus",
           QStringLiteral("このチャンネルのパスワードを解除する(-k)"), &IrcPaneCommands::keyMinus);
  modeEntry("btnMenuTopicPlus",
            QStringLiteral("このチャンネルのトピック変更権を管理者のみに限定する(+t)"),
            QStringLiteral("+t"));
  modeEntry("btnMenuTopicMinus",
            QStringLiteral("このチャンネルのトピック変更を誰でも可能にする(-t)"),
            QStringLiteral("-t"));
  modeEntry("btnMenuNoMessagePlus",
            QStringLiteral("このチャンネルに参加していない人からのメッセージを禁止する(+n)"),
            QStringLiteral("+n"));
  modeEntry("btnMenuNoMessageMinus",
            QStringLiteral("このチャンネルに参加していない人からのメッセージを許可する(-n)"),
            QStringLiteral("-n"));
  addEntry(ch, copy, "btnMenuAwayPlus",
           QStringLiteral("密談到着時の自動返信用「離席メッセージ」を設定する(AWAY設定)"),
           &IrcPaneCommands::awayPlus);
  addEntry(ch, copy, "btnMenuAwayMinus",
           QStringLiteral("密談到着時の自動返信用「離席メッセージ」を解除する(AWAY解除)"),
           &IrcPaneCommands::awayMinus);
  addEntry(ch, copy, "btnMenuSelTOPIC", QStringLiteral("選択範囲をトピックにする(TOPIC)"),
           &IrcPaneCommands::topicFromSelection);

  QMenu *user = pane_.btnUserRoot();
  addEntry(user, nullptr, "btnMenuVJOIN", QStringLiteral("この人の音声チャットホストに参加する"),
           &IrcPaneCommands::voiceJoin);
  addEntry(user, nullptr, "btnMenuOperatorPlus",
           QStringLiteral("この人にこのチャンネルの管理権限を授与する(+o)"),
           &IrcPaneCommands::operatorPlus);
  addEntry(user, nullptr, "btnMenuOperatorMinus",
           QStringLiteral("この人からこのチャンネルの管理権限を剥奪する(-o)"),
           &IrcPaneCommands::operatorMinus);
  addEntry(user, nullptr, "btnMenuDccSend", QStringLiteral("この人にファイルを送る(DCC SEND)"),
           &IrcPaneCommands::dccSend);
  addEntry(user, nullptr, "btnMenuKICK", QStringLiteral("この人をこのチャンネルから追放する(KICK)"),
           &IrcPaneCommands::kick);

  pane_.tabIRC()->installEventFilter(this);
}

void IrcPaneCommands::buildRow() {
  auto *row = qobject_cast<QHBoxLayout *>(pane_.commandRow()->layout());
  QLabel *nickLabel = pane_.lblNICK();
  nickLabel->setFocusPolicy(Qt::StrongFocus);
  nickLabel->setToolTip(QStringLiteral("クリックするとニックネームを変更できます"));
  nickLabel->installEventFilter(this);
  txtNICK_ = new QLineEdit;
  txtNICK_->setObjectName(QStringLiteral("txtNICK"));
  txtNICK_->setAccessibleName(QStringLiteral("ニックネーム変更"));
  txtNICK_->hide();
  txtNICK_->installEventFilter(this);
  connect(txtNICK_, &QLineEdit::returnPressed, this, &IrcPaneCommands::nickEntered);
  btnPART_ = new QPushButton(QStringLiteral("退出(PART)"));
  btnPART_->setObjectName(QStringLiteral("btnPART"));
  btnPART_->setToolTip(QStringLiteral("PARTを用いてこのチャンネルから抜けます"));
  connect(btnPART_, &QPushButton::clicked, this, &IrcPaneCommands::part);
  btnQUIT_ = new QPushButton(QStringLiteral("切断(QUIT)"));
  btnQUIT_->setObjectName(QStringLiteral("btnQUIT"));
  btnQUIT_->setToolTip(QStringLiteral("QUITを用いてIRCサーバと切断します"));
  connect(btnQUIT_, &QPushButton::clicked, this, &IrcPaneCommands::TxQUIT);
  if (row) {
    row->insertWidget(row->indexOf(nickLabel) + 1, txtNICK_);
    row->addWidget(btnPART_);
    row->addWidget(btnQUIT_);
  }

  QLineEdit *topic = pane_.txtTOPIC();
  topic->setReadOnly(false);
  topic->installEventFilter(this);
}

void IrcPaneCommands::listAdded(QTreeView *list) {
  if (auto *model = qobject_cast<IrcUserModel *>(list->model()))
    model->setHostIcon(VoiceHostIcon());
  list->installEventFilter(this);
  connect(list, &QAbstractItemView::doubleClicked, this,
          [this, list](const QModelIndex &index) { whois(list, index.row()); });
}

QAction *IrcPaneCommands::entry(const QString &objectName) const {
  for (QMenu *menu : {pane_.btnChRoot(), pane_.btnUserRoot()})
    for (QAction *a : menu->actions())
      if (a->objectName() == objectName) return a;
  return nullptr;
}

void IrcPaneCommands::SetBtnVisible(int sessionState) {
  const VoiceEntries enabled = VoiceEntriesFor(sessionState);
  entry(QStringLiteral("btnMenuVJOIN"))->setEnabled(enabled.join);
  entry(QStringLiteral("btnMenuRECRUITMENT"))->setEnabled(enabled.recruit);
}

// Keys and focus of the pane's controls.

bool IrcPaneCommands::eventFilter(QObject *watched, QEvent *event) {
  const auto *key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event) : nullptr;
  if (watched == pane_.tabIRC() || qobject_cast<QTreeView *>(watched)) {
    if (key && app::IsMenuKey(*key)) {
      auto *widget = static_cast<QWidget *>(watched);
      const QPoint at = widget->mapToGlobal(QPoint(widget->width() / 4, widget->height() / 4));
      if (watched == pane_.tabIRC())
        pane_.onTabMenu(at);
      else
        pane_.onUserMenu(at);
      return true;
    }
  } else if (watched == pane_.lblNICK()) {
    const bool click = event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    if (click || (key && (isEnter(*key) || key->key() == Qt::Key_Space))) {
      openNickBox();
      return true;
    }
  } else if (watched == txtNICK_) {
    if (key && key->key() == Qt::Key_Escape) {
      closeNickBox();
      return true;
    }
  } else if (watched == pane_.txtTOPIC()) {
    if (event->type() == QEvent::FocusIn) {
      // After the click that brought the focus has placed the caret.
      QTimer::singleShot(0, pane_.txtTOPIC(), &QLineEdit::selectAll);
    } else if (event->type() == QEvent::FocusOut) {
      restoreTopic();
    } else if (key && key->key() == Qt::Key_Escape) {
      restoreTopic();
      return true;
    } else if (key && isEnter(*key)) {
      topicEntered();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

// Helpers.

int IrcPaneCommands::actingSlot() const {
  return pane_.finished() ? -1 : pane_.handler().currentSlot();
}

QString IrcPaneCommands::setting(QStringView key, QStringView defaultValue) const {
  return services_.settings ? services_.settings->ReadIni(kSection, key, defaultValue)
                            : defaultValue.toString();
}

void IrcPaneCommands::storeSetting(QStringView key, const QString &value) const {
  if (services_.settings) services_.settings->WriteIni(kSection, key, value);
}

app::MessageSink *IrcPaneCommands::messages() const {
  return services_.messages ? services_.messages() : nullptr;
}

void IrcPaneCommands::openBox(const QString &name, const BoxRequest &request, BoxHandler onOk) {
  app::FrmBoxINP *&box = boxes_[name];
  if (!box) {
    box = new app::FrmBoxINP(pane_.window());
    box->setAccessibleDescription(name);
    connect(box, &app::FrmBoxINP::BtnClick, this, onOk);
  }
  const QString tag = services_.info ? services_.info->titleTag : app::kTitleTag;
  box->ViewMSG(request.message.join(QStringLiteral("\r\n")), tag + request.title,
               request.defaultText, request.imeMode);
}

bool IrcPaneCommands::run(int slot, const CommandResult &result) {
  for (const QString &line : result.slotLines) pane_.handler().writeLine(slot, line);
  return sendLines(result.lines);
}

void IrcPaneCommands::writeEverywhere(const QStringList &lines) {
  IrcHandler &h = pane_.handler();
  for (int i = 0; i < h.recordCount(); ++i)
    if (!h.slot(i).name.isEmpty())
      for (const QString &line : lines) h.writeLine(i, line);
}

bool IrcPaneCommands::sendLines(const QStringList &lines) {
  for (const QString &line : lines)
    if (!pane_.SendLine(line)) return false;
  return true;
}

// The log and tab menu.

void IrcPaneCommands::mode(const QString &text) {
  const int slot = actingSlot();
  if (slot >= 0) pane_.SendLine(ModeLine(pane_.handler().slot(slot).name, text));
}

void IrcPaneCommands::join() {
  if (actingSlot() >= 0)
    openBox(QStringLiteral("IBOXJoin"), JoinBox(), &IrcPaneCommands::joinEntered);
}

void IrcPaneCommands::joinEntered(const QString &text) {
  if (actingSlot() < 0) return;
  const QString name = JoinChannel(text, messages());
  if (name.isEmpty()) return;
  if (!pane_.SendLine(QStringLiteral("JOIN :") + name) || !services_.info) return;
  // Appended through the list writer: an existing file that cannot be read is left
  // alone rather than replaced by a list of one.
  const QString file = QStringLiteral("CHList.txt");
  const QString path = services_.info->filePath(file);
  const bool exists = QFile::exists(path);
  const std::optional<QStringList> lines = exists ? text::readCp932Lines(path) : std::nullopt;
  if ((exists && !lines) ||
      !text::writeCp932Lines(path, ChannelListWithJoined(lines ? &*lines : nullptr, name)))
    for (const QString &line : app::SaveFailureLines(file, path))
      Q_EMIT pane_.EvSysMsg(QStringLiteral("ERR"), line);
}

void IrcPaneCommands::limit() {
  const int slot = actingSlot();
  if (slot < 0) return;
  openBox(QStringLiteral("IBOXLimit"), LimitBox(int(pane_.handler().slot(slot).users.size())),
          &IrcPaneCommands::limitEntered);
}

void IrcPaneCommands::limitEntered(const QString &text) {
  const int slot = actingSlot();
  if (slot >= 0) run(slot, LimitCommand(pane_.handler().slot(slot).name, text));
}

void IrcPaneCommands::keyPlus() {
  if (actingSlot() >= 0)
    openBox(QStringLiteral("IBOXPassPlus"), KeyBox(true), &IrcPaneCommands::keyPlusEntered);
}

void IrcPaneCommands::keyMinus() {
  if (actingSlot() >= 0)
    openBox(QStringLiteral("IBOXPassMinus"), KeyBox(false), &IrcPaneCommands::keyMinusEntered);
}

void IrcPaneCommands::keyPlusEntered(const QString &text) {
  const int slot = actingSlot();
  if (slot >= 0) run(slot, KeyCommand(pane_.handler().slot(slot).name, true, text));
}

void IrcPaneCommands::keyMinusEntered(const QString &text) {
  const int slot = actingSlot();
  if (slot >= 0) run(slot, KeyCommand(pane_.handler().slot(slot).name, false, text));
}

void IrcPaneCommands::awayPlus() {
  if (actingSlot() >= 0)
    openBox(QStringLiteral("IBOXAway"),
            AwayBox(setting(u"AwayMessage", QStringLiteral("離席中です"))),
            &IrcPaneCommands::awayEntered);
}

void IrcPaneCommands::awayEntered(const QString &text) {
  if (actingSlot() < 0) return;
  const QString away = TypedParameter(text);
  if (away.isEmpty()) return;
  storeSetting(u"AwayMessage", away);
  const CommandResult result = AwaySet(away);
  if (sendLines(result.lines)) writeEverywhere(result.slotLines);
}

void IrcPaneCommands::awayMinus() {
  if (actingSlot() < 0) return;
  const CommandResult result = AwayClear(pane_.handler().nickname());
  if (sendLines(result.lines)) writeEverywhere(result.slotLines);
}

void IrcPaneCommands::topicFromSelection() {
  const int slot = actingSlot();
  if (slot < 0) return;
  if (const mainwindow::ChatLogView *log = pane_.txtLOG(slot))
    sendLines(TopicLines(pane_.handler().slot(slot).name,
                         mainwindow::TopicFromSelection(log->selectedPlainText())));
}

// Voice recruitment.

void IrcPaneCommands::recruit() {
  if (actingSlot() < 0) return;
  const std::optional<QString> local =
      pane_.link() ? pane_.link()->GetLocalIP() : std::optional<QString>();
  if (!local) {
    pane_.failLink(IrcRoutine::VoiceRecruit);
    return;
  }
  const RecruitStep step = StartRecruit(*local, setting(u"RecruitIP", QString()));
  switch (step.kind) {
    case RecruitStep::kNothing:
      break;
    case RecruitStep::kError:
      run(actingSlot(), {{}, step.slotLines});
      break;
    case RecruitStep::kAskRouter:
      openBox(QStringLiteral("IBOXRECRUITMENT"), step.box, &IrcPaneCommands::routerEntered);
      break;
    case RecruitStep::kAnnounce:
      announce(step.address);
      break;
  }
}

void IrcPaneCommands::routerEntered(const QString &text) {
  const int slot = actingSlot();
  if (slot < 0) return;
  const RecruitStep step = RouterAddressEntered(text);
  if (step.kind == RecruitStep::kError) run(slot, {{}, step.slotLines});
  if (step.kind != RecruitStep::kAnnounce) return;
  storeSetting(u"RecruitIP", step.address);
  announce(step.address);
}

void IrcPaneCommands::announce(const QString &address) {
  const QString version = services_.info ? services_.info->appVersion : app::kAppVersion;
  pane_.handler().sendToCurrent(AnnouncementText(version, address));
  pane_.settle(IrcRoutine::VoiceRecruit);
}

// The user-list menu.

void IrcPaneCommands::voiceJoin() {
  const int slot = actingSlot();
  const QList<int> rows = pane_.selectedRows();
  if (slot < 0 || rows.isEmpty()) return;
  const QList<IrcUser> &users = pane_.handler().slot(slot).users;
  if (rows.first() < users.size() && !users[rows.first()].address.isEmpty())
    Q_EMIT pane_.EvVoiceJoin(users[rows.first()].address);
}

void IrcPaneCommands::operatorPlus() { operators(u'+'); }
void IrcPaneCommands::operatorMinus() { operators(u'-'); }

void IrcPaneCommands::operators(QChar sign) {
  const int slot = actingSlot();
  if (slot >= 0)
    sendLines(OperatorLines(pane_.handler().slot(slot).name, sign, pane_.selectedEntries()));
}

void IrcPaneCommands::dccSend() {
  // The pane checks the slot and the entry and reports a failed start itself.
  const QStringList entries = pane_.selectedEntries();
  pane_.StartDccSend(entries.isEmpty() ? QString() : entries.first());
}

void IrcPaneCommands::kick() {
  if (actingSlot() < 0 || pane_.selectedEntries().isEmpty()) return;
  openBox(QStringLiteral("IBOXKick"),
          KickBox(setting(u"KickMessage", QStringLiteral("あなたは追放です"))),
          &IrcPaneCommands::kickEntered);
}

void IrcPaneCommands::kickEntered(const QString &text) {
  const int slot = actingSlot();
  if (slot < 0) return;
  const QString reason = TypedParameter(text);
  storeSetting(u"KickMessage", reason);
  sendLines(KickLines(pane_.handler().slot(slot).name, pane_.selectedEntries(), reason));
}

// Controls.

void IrcPaneCommands::whois(QTreeView *list, int row) {
  const int slot = actingSlot();
  if (slot < 0 || list != pane_.lstUSER(slot) || row < 0 ||
      row >= pane_.handler().slot(slot).users.size())
    return;
  run(slot, WhoisCommand(pane_.handler().slot(slot).users[row].entry));
}

void IrcPaneCommands::topicEntered() {
  const int slot = actingSlot();
  if (slot < 0) return;
  const QStringList lines = TopicLines(pane_.handler().slot(slot).name, pane_.txtTOPIC()->text());
  if (!lines.isEmpty()) sendLines(lines);
}

void IrcPaneCommands::restoreTopic() {
  const int slot = pane_.handler().currentSlot();
  pane_.txtTOPIC()->setText(slot < 0 ? QString() : pane_.handler().slot(slot).topic);
  pane_.txtTOPIC()->setCursorPosition(0);
}

void IrcPaneCommands::openNickBox() {
  if (pane_.finished()) return;
  pane_.lblNICK()->hide();
  txtNICK_->setText(pane_.handler().nickname());
  txtNICK_->show();
  txtNICK_->setFocus();
  txtNICK_->selectAll();
}

void IrcPaneCommands::closeNickBox() {
  const bool hadFocus = txtNICK_->hasFocus();
  txtNICK_->hide();
  pane_.lblNICK()->show();
  if (hadFocus) pane_.lblNICK()->setFocus();
}

void IrcPaneCommands::nickEntered() {
  const QString nick = txtNICK_->text();
  if (!nick.isEmpty()) {
    if (!app::IsValidNickname(nick, messages()) || app::IsReservedNickname(nick, messages()))
      return;  // the box stays open for a correction
    if (!pane_.SendLine(QStringLiteral("NICK ") + nick)) return;
  }
  closeNickBox();
}

void IrcPaneCommands::part() {
  const int slot = actingSlot();
  if (slot < 0) return;
  IrcHandler &h = pane_.handler();
  int channelTabs = 0;
  for (int s : h.tabs()) channelTabs += h.slot(s).isChannel ? 1 : 0;
  switch (PartFor(h.slot(slot).isChannel, channelTabs)) {
    case PartAction::Quit:
      TxQUIT();
      break;
    case PartAction::Part:
      // The slot closes when the server's PART arrives.
      if (pane_.SendLine(
              PartLine(h.slot(slot).name, setting(u"PartMessage", QStringLiteral("さよなら～")))))
        h.removeTab(slot);
      break;
    case PartAction::ClosePrivate:
      h.closeSlot(slot);
      break;
  }
}

void IrcPaneCommands::TxQUIT() {
  if (pane_.finished() || timQUIT_->isActive()) return;
  IrcHandler &h = pane_.handler();
  while (!h.tabs().isEmpty()) h.removeTab(h.tabs().last());
  const QString message = setting(u"QuitMessage", QStringLiteral("さよなら～"));
  // QUIT goes ahead of anything still queued, which it discards.
  if (!pane_.link() || !pane_.link()->ircQuickSend(fitLine(QuitLine(message)))) {
    pane_.failLink(IrcRoutine::Quit);
    return;
  }
  Q_EMIT pane_.EvSysMsg(kCut, QuitReport(message));
  timQUIT_->start(kQuitWaitMs);
}

void IrcPaneCommands::forcedClose() {
  if (pane_.finished()) return;
  Q_EMIT pane_.EvSysMsg(kCut, QStringLiteral("IRCサーバと接続を強制クローズしました。"));
  pane_.handler().closeAll();
  if (!pane_.link() || !pane_.link()->ircClose()) {
    pane_.failLink(IrcRoutine::ForcedClose);
    return;
  }
  pane_.finish();
}

void IrcPaneCommands::stop() {
  timQUIT_->stop();
  if (txtNICK_->isVisible()) closeNickBox();
}

}  // namespace tv::irc
