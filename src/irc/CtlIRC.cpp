// CtlIRC: controls, layout and what the handler's changes look like.
#include "irc/CtlIRC.h"

#include "app/AppInfo.h"
#include "app/FrmAllLOG.h"
#include "app/UiRoutines.h"
#include "irc/IrcLink.h"
#include "irc/IrcPaneCommands.h"
#include "irc/IrcUserModel.h"
#include "mainwindow/ChatLogView.h"
#include "platform/richtext/RichTextView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>

namespace tv::irc {
namespace {

// Design sizes in twips.
constexpr int kGapTwips = 60;
constexpr int kUserListTwips = 2400;

QString countText(int n) { return QString::number(n) + QStringLiteral("人"); }

// A label whose text scripts read: Qt 6.4 labels expose no text over AT-SPI, so the
// text is their accessible description too.
void setReadableText(QLabel *label, const QString &text) {
  label->setText(text);
  label->setAccessibleDescription(text);
}

}  // namespace

CtlIRC::CtlIRC(const IrcPaneServices &services, QWidget *parent)
    : IrcPane(parent),
      services_(services),
      handler_(*this, {services.info ? services.info->defaultNick : QStringLiteral("Talvora"),
                       services.monotonicMs
                           ? services.monotonicMs
                           : std::function<qint64()>([this] { return steady_.elapsed(); })}) {
  steady_.start();
  setObjectName(QStringLiteral("ctlIRC"));
  buildControls();
  handler_.reset();
  commands_ = new IrcPaneCommands(*this, services_);
}

CtlIRC::~CtlIRC() {
  // Its event filters must not see the controls' last events once this part is gone.
  delete commands_;
  // The component closes the socket without a QUIT when its object goes.
  releaseLink(true);
}

void CtlIRC::buildControls() {
  tabIRC_ = new QTabBar(this);
  tabIRC_->setObjectName(QStringLiteral("tabIRC"));
  tabIRC_->setAccessibleName(QStringLiteral("チャンネル切り替え"));
  tabIRC_->setExpanding(false);
  tabIRC_->setUsesScrollButtons(true);
  tabIRC_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tabIRC_, &QTabBar::currentChanged, this, [this](int position) {
    if (position >= 0 && position != handler_.currentPosition()) handler_.selectTab(position);
  });
  connect(tabIRC_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { onTabMenu(tabIRC_->mapToGlobal(at)); });

  btnChRoot_ = new QMenu(this);
  btnChRoot_->setObjectName(QStringLiteral("btnChRoot"));
  btnChRoot_->setTitle(QStringLiteral("RootCH"));
  btnChRoot_->setAccessibleName(QStringLiteral("チャンネルメニュー"));
  QAction *copy = btnChRoot_->addAction(QStringLiteral("選択範囲をコピーする"));
  copy->setObjectName(QStringLiteral("btnMenuSelCOPY"));
  connect(copy, &QAction::triggered, this, [this] {
    if (mainwindow::ChatLogView *log = txtLOG(handler_.currentSlot())) log->copySelection();
  });
  btnUserRoot_ = new QMenu(this);
  btnUserRoot_->setObjectName(QStringLiteral("btnUserRoot"));
  btnUserRoot_->setTitle(QStringLiteral("RootUSER"));
  btnUserRoot_->setAccessibleName(QStringLiteral("ユーザメニュー"));

  commandRow_ = new QWidget(this);
  commandRow_->setObjectName(QStringLiteral("fraCommand"));
  auto *row = new QHBoxLayout(commandRow_);
  row->setContentsMargins(0, 0, 0, 0);
  lblTOPIC_ = new QLabel(QStringLiteral("トピック"));
  lblTOPIC_->setObjectName(QStringLiteral("lblTOPIC"));
  txtTOPIC_ = new QLineEdit;
  txtTOPIC_->setObjectName(QStringLiteral("txtTOPIC"));
  txtTOPIC_->setAccessibleName(QStringLiteral("IRCトピック"));
  txtTOPIC_->setReadOnly(true);
  lblUserNum_ = new QLabel;
  lblUserNum_->setObjectName(QStringLiteral("lblUserNum"));
  lblUserNum_->setAccessibleName(QStringLiteral("チャンネル人数"));
  lblUserNum_->setTextFormat(Qt::PlainText);
  lblNICK_ = new QLabel;
  lblNICK_->setObjectName(QStringLiteral("lblNICK"));
  lblNICK_->setAccessibleName(QStringLiteral("自分のニックネーム"));
  lblNICK_->setTextFormat(Qt::PlainText);
  lblNICK_->setFrameShape(QFrame::StyledPanel);
  row->addWidget(lblTOPIC_);
  row->addWidget(txtTOPIC_, 1);
  row->addWidget(lblUserNum_);
  row->addWidget(lblNICK_);

  timDccReport_ = new QTimer(this);
  timDccReport_->setSingleShot(true);
  connect(timDccReport_, &QTimer::timeout, this, [this] { handler_.DccLimitReport(); });

  viewFor(0);  // slot 0's controls exist from the start
}

CtlIRC::SlotView &CtlIRC::viewFor(int slot) {
  while (views_.size() <= slot) {
    const int index = int(views_.size());
    mainwindow::ChatLogView::Setup setup;
    setup.objectName = app::ArrayName(QStringLiteral("txtLOG"), index);
    setup.accessibleName = QStringLiteral("IRCチャットログ");
    setup.toolTip = QStringLiteral("ログ表示画面");
    setup.fileDrop = false;
    setup.menu = btnChRoot_;
    SlotView v;
    v.log = new mainwindow::ChatLogView(setup, this);
    if (services_.clock) v.log->setClock(services_.clock);
    v.log->setUrlOpener(services_.openUrl);
    v.log->setLineSink([this, index](const app::LogLine &line) {
      if (services_.allLog && index < handler_.recordCount())
        services_.allLog->AddLog(line, handler_.slot(index).name);
    });
    v.log->hide();

    v.list = new QTreeView(this);
    v.list->setObjectName(app::ArrayName(QStringLiteral("lstUSER"), index));
    v.list->setAccessibleName(QStringLiteral("IRCユーザリスト"));
    v.list->setRootIsDecorated(false);
    v.list->setItemsExpandable(false);
    v.list->setUniformRowHeights(true);
    v.list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    v.list->setSelectionBehavior(QAbstractItemView::SelectRows);
    v.list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v.list->setContextMenuPolicy(Qt::CustomContextMenu);
    v.list->header()->setStretchLastSection(false);
    v.list->header()->setMinimumSectionSize(0);
    v.model = new IrcUserModel(
        [this, index]() -> const QList<IrcUser> & {
          static const QList<IrcUser> none;
          return index < handler_.recordCount() ? handler_.slot(index).users : none;
        },
        v.list);
    v.list->setModel(v.model);
    connect(v.list, &QWidget::customContextMenuRequested, this,
            [this, list = v.list](QPoint at) { onUserMenu(list->viewport()->mapToGlobal(at)); });
    v.list->hide();
    views_.append(v);
    if (commands_) commands_->listAdded(v.list);
  }
  return views_[slot];
}

void CtlIRC::dropViews(int from) {
  while (views_.size() > std::max(from, 1)) {
    SlotView v = views_.takeLast();
    unbatchView(v.log);
    delete v.log;
    delete v.list;
  }
}

mainwindow::ChatLogView *CtlIRC::txtLOG(int slot) const {
  return slot >= 0 && slot < views_.size() ? views_[slot].log : nullptr;
}

QTreeView *CtlIRC::lstUSER(int slot) const {
  return slot >= 0 && slot < views_.size() ? views_[slot].list : nullptr;
}

QList<int> CtlIRC::selectedRows() const {
  QList<int> rows;
  if (const QTreeView *list = lstUSER(handler_.currentSlot()))
    for (const QModelIndex &index : list->selectionModel()->selectedRows())
      rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

QStringList CtlIRC::selectedEntries() const {
  QStringList entries;
  const int slot = handler_.currentSlot();
  if (slot < 0) return entries;
  for (int row : selectedRows())
    if (row < handler_.slot(slot).users.size())
      entries.append(handler_.slot(slot).users[row].entry);
  return entries;
}

// Layout: tabs across the top, the log with the user list beside it, the input line's
// row under the log, and the topic, count and nickname along the bottom.

QRect CtlIRC::logRect() const {
  const int gap = app::TwipsToPixels(this, kGapTwips);
  const int top = tabIRC_->sizeHint().height();
  const int userWidth =
      std::clamp(app::TwipsToPixels(this, kUserListTwips), width() / 5, std::max(1, width() / 2));
  const int bottom = commandRow_->sizeHint().height();
  return QRect(0, top, std::max(0, width() - userWidth - gap),
               std::max(0, height() - top - inputRowHeight_ - bottom - 2 * gap));
}

void CtlIRC::layoutPane() {
  const int gap = app::TwipsToPixels(this, kGapTwips);
  const QRect log = logRect();
  tabIRC_->setGeometry(0, 0, std::min(width(), tabIRC_->sizeHint().width()),
                       tabIRC_->sizeHint().height());
  const QRect users(log.right() + 1 + gap, log.top(), std::max(0, width() - log.width() - gap),
                    log.height() + inputRowHeight_ + gap);
  for (const SlotView &v : std::as_const(views_)) {
    v.log->setGeometry(log);
    v.list->setGeometry(users);
    v.list->setColumnWidth(0, std::max(0, v.list->viewport()->width()));
    v.list->setColumnWidth(1, 0);
  }
  const int rowHeight = commandRow_->sizeHint().height();
  commandRow_->setGeometry(0, height() - rowHeight, width(), rowHeight);
}

int CtlIRC::cboLFT() const { return logRect().left(); }
int CtlIRC::cboTOP() const { return logRect().top() + logRect().height(); }
int CtlIRC::cboWID() const { return logRect().width(); }

void CtlIRC::setInputRowHeight(int pixels) {
  inputRowHeight_ = std::max(0, pixels);
  layoutPane();
}

void CtlIRC::resizeEvent(QResizeEvent *event) {
  IrcPane::resizeEvent(event);
  layoutPane();
}

void CtlIRC::showCount() {
  const int slot = handler_.currentSlot();
  setReadableText(lblUserNum_,
                  slot < 0 ? QString() : countText(int(handler_.slot(slot).users.size())));
}

void CtlIRC::showTopic() {
  const int slot = handler_.currentSlot();
  txtTOPIC_->setText(slot < 0 ? QString() : handler_.slot(slot).topic);
  txtTOPIC_->setCursorPosition(0);
}

void CtlIRC::onTabMenu(const QPoint &globalPos) {
  for (QAction *entry : btnChRoot_->actions())
    if (entry->objectName().startsWith(QStringLiteral("btnMenuSel"))) entry->setEnabled(false);
  btnChRoot_->popup(globalPos);
}

void CtlIRC::onUserMenu(const QPoint &globalPos) {
  if (!btnUserRoot_->actions().isEmpty()) btnUserRoot_->popup(globalPos);
}

// IrcHandlerSink: slots and tabs.

void CtlIRC::slotOpened(int slot) {
  SlotView &v = viewFor(slot);
  unbatchView(v.log);
  v.log->clear();
  v.log->hide();
  v.list->clearSelection();
  v.model->reset();
  v.list->hide();
  layoutPane();
}

void CtlIRC::slotClosing(int slot, const QString &name) {
  const SlotView &v = viewFor(slot);
  unbatchView(v.log);
  v.log->hide();
  v.list->hide();
  if (saveLog_) saveLog_(*v.log->document(), name);
}

void CtlIRC::slotsTrimmed(int size) {
  dropViews(size);
  if (size == 0 && !views_.isEmpty()) {
    unbatchView(views_[0].log);
    views_[0].log->clear();
    views_[0].model->reset();
  }
}

void CtlIRC::tabInserted(int position, int, const QString &caption) {
  const QSignalBlocker block(tabIRC_);
  // Channel names may hold "&": shown as it is, not as a shortcut.
  tabIRC_->insertTab(position, QString(caption).replace(u'&', QStringLiteral("&&")));
  layoutPane();
}

void CtlIRC::tabRemoved(int position) {
  const QSignalBlocker block(tabIRC_);
  tabIRC_->removeTab(position);
  // The strip moves its own selection; the handler's choice follows in currentChanged.
  tabIRC_->setCurrentIndex(handler_.currentPosition());
  layoutPane();
}

void CtlIRC::currentChanged(int position, int slot) {
  {
    const QSignalBlocker block(tabIRC_);
    tabIRC_->setCurrentIndex(position);
  }
  for (int i = 0; i < views_.size(); ++i) {
    views_[i].log->setVisible(i == slot);
    views_[i].list->setVisible(i == slot);
  }
  showTopic();
  showCount();
}

// IrcHandlerSink: contents.

void CtlIRC::lineWritten(int slot, const QString &header, const QString &text) {
  mainwindow::ChatLogView *log = viewFor(slot).log;
  if (batching_) {
    batchView(log);
  }
  log->appendLine(header, text, Qt::black, false);
}

void CtlIRC::batchView(richtext::RichTextView *view) {
  for (const auto &entry : batch_)
    if (entry.first == view) return;
  batch_.emplace_back(view, std::make_unique<richtext::AppendScope>(*view));
}

void CtlIRC::unbatchView(richtext::RichTextView *view) {
  std::erase_if(batch_, [view](const auto &entry) { return entry.first == view; });
}

void CtlIRC::endBatch() {
  batching_ = false;
  batch_.clear();
}

void CtlIRC::usersReset(int slot) {
  viewFor(slot).model->reset();
  if (slot == handler_.currentSlot()) showCount();
}

void CtlIRC::usersAppended(int slot, int first, int count) {
  viewFor(slot).model->appended(first, count);
  if (slot == handler_.currentSlot()) showCount();
}

void CtlIRC::userRemoved(int slot, int row) {
  viewFor(slot).model->removed(row);
  if (slot == handler_.currentSlot()) showCount();
}

void CtlIRC::userChanged(int slot, int row) { viewFor(slot).model->changed(row); }

void CtlIRC::topicChanged(int slot) {
  if (slot == handler_.currentSlot()) showTopic();
}

void CtlIRC::nicknameChanged(const QString &nickname) { setReadableText(lblNICK_, nickname); }

void CtlIRC::wakeForDccReport(int ms) {
  if (!timDccReport_->isActive()) timDccReport_->start(ms);
}

void CtlIRC::sysMsg(const QString &kind, const QString &text) { Q_EMIT EvSysMsg(kind, text); }

void CtlIRC::paneEvent(PaneEvent event) {
  switch (event) {
    case PaneEvent::HideMe:
      Q_EMIT EvHideMe();
      break;
    case PaneEvent::AddMyTab:
      Q_EMIT EvAddMyTab();
      break;
    case PaneEvent::RemoveMe:
      finish();
      break;
    case PaneEvent::RefreshMe:
      layoutPane();
      Q_EMIT EvRefreshMe();
      break;
  }
}

// Host operations.

bool CtlIRC::TxPRIVMSG(const QString &text, bool toChannel) {
  if (finished_) return false;
  const bool sent =
      toChannel ? handler_.sendToCurrent(text) : handler_.sendPrivately(text, selectedEntries());
  settle();
  return sent && !finished_;
}

bool CtlIRC::SendLine(const QString &line) {
  if (finished_) return false;
  const bool sent = handler_.send(line);
  settle();
  return sent;
}

void CtlIRC::DelAllCh() { handler_.closeAll(); }

void CtlIRC::SetBtnVisible(int sessionState) {
  sessionState_ = sessionState;
  commands_->SetBtnVisible(sessionState);
}

void CtlIRC::TxQUIT() { commands_->TxQUIT(); }

void CtlIRC::AllInitialize() {
  releaseLink();
  drainQueued_ = false;
  sendFailed_ = false;
  finished_ = false;
  timDccReport_->stop();
  commands_->stop();
  handler_.reset();
}

}  // namespace tv::irc
