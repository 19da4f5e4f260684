#include "irc/FrmConIRC.h"

#include "app/AppInfo.h"
#include "app/FileRoutines.h"
#include "app/Fonts.h"
#include "app/FrmBoxINP.h"
#include "app/ModChk.h"
#include "app/RecentList.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "irc/IrcCommands.h"
#include "platform/text/TextFile.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tv::irc {
namespace {

const QString kSection = QStringLiteral("IRC");
const QString kServerFile = QStringLiteral("SVList.txt");
const QString kChannelFile = QStringLiteral("CHList.txt");
const QString kNickFile = QStringLiteral("NickIRC.txt");

QPushButton *makeButton(const QString &objectName, const QString &caption,
                        const QString &accessible, const QString &tip) {
  QPushButton *b = app::MakeButton(objectName, caption, nullptr, accessible);
  b->setToolTip(tip);
  return b;
}

// A list file's lines, nullopt when it does not exist; an existing file that cannot be
// read counts as damaged (an empty list that is not "missing").
std::optional<QStringList> readList(const QString &path, bool &unreadable) {
  unreadable = false;
  if (!app::FileExists(path)) return std::nullopt;
  std::optional<QStringList> lines = text::readCp932Lines(path);
  unreadable = !lines.has_value();
  return lines.value_or(QStringList());
}

}  // namespace

FrmConIRC::FrmConIRC(const app::AppInfo &info, const app::Settings &settings,
                     IrcDialogServices services, QWidget *parent)
    : QDialog(parent), info_(info), settings_(settings), services_(std::move(services)) {
  setObjectName(QStringLiteral("frmConIRC"));
  setWindowTitle(QStringLiteral("IRC接続"));
  setFont(app::LogFont(9));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  cboNICK_ = app::MakeHistoryCombo(QStringLiteral("cboNICK"), QStringLiteral("IRCニックネーム"));
  cboSV_ = new QComboBox;
  cboSV_->setObjectName(QStringLiteral("cboSV"));
  cboSV_->setAccessibleName(QStringLiteral("IRCサーバ"));
  txtPORT_ = new QLineEdit;
  txtPORT_->setObjectName(QStringLiteral("txtPORT"));
  txtPORT_->setAccessibleName(QStringLiteral("ポート"));
  txtPORT_->setReadOnly(true);
  lstCH_ = new QTreeWidget;
  lstCH_->setObjectName(QStringLiteral("lstCH"));
  lstCH_->setAccessibleName(QStringLiteral("参加チャンネル"));
  lstCH_->setHeaderLabels({QStringLiteral("参加Channel(参加順)")});
  lstCH_->setRootIsDecorated(false);
  lstCH_->setSelectionMode(QAbstractItemView::SingleSelection);
  btnADD_ = makeButton(QStringLiteral("btnADD"), QStringLiteral("追加"), QStringLiteral("追加"),
                       QStringLiteral("参加Channelを追加します"));
  btnDEL_ = makeButton(QStringLiteral("btnDEL"), QStringLiteral("削除"), QStringLiteral("削除"),
                       QStringLiteral("参加Channelを削除します"));
  btnUP_ = makeButton(QStringLiteral("btnUP"), QStringLiteral("↑"), QStringLiteral("上へ移動"),
                      QStringLiteral("選択中の参加Channelを上に移動します。"));
  btnDOWN_ = makeButton(QStringLiteral("btnDOWN"), QStringLiteral("↓"), QStringLiteral("下へ移動"),
                        QStringLiteral("選択中の参加Channelを下に移動します。"));
  btnConnect_ = makeButton(QStringLiteral("btnConnect"), QStringLiteral("接続"),
                           QStringLiteral("接続"), QString());
  btnCancel_ = makeButton(QStringLiteral("btnCancel"), QStringLiteral("キャンセル"),
                          QStringLiteral("キャンセル"), QString());
  btnConnect_->setDefault(true);

  auto *nickBox = new QGroupBox(QStringLiteral("(1)ニックネームを決める"));
  (new QVBoxLayout(nickBox))->addWidget(cboNICK_);
  auto *serverBox = new QGroupBox(QStringLiteral("(2)IRCサーバを選択する"));
  auto *serverRow = new QHBoxLayout(serverBox);
  auto *portCaption = new QLabel(QStringLiteral("ポート"));
  portCaption->setBuddy(txtPORT_);
  serverRow->addWidget(cboSV_, 1);
  serverRow->addWidget(portCaption);
  serverRow->addWidget(txtPORT_);
  auto *channelBox = new QGroupBox(QStringLiteral("(3)チャンネルを決める"));
  auto *channelRow = new QHBoxLayout(channelBox);
  auto *channelButtons = new QVBoxLayout;
  for (QPushButton *b : {btnADD_, btnDEL_, btnUP_, btnDOWN_}) channelButtons->addWidget(b);
  channelButtons->addStretch(1);
  channelRow->addWidget(lstCH_, 1);
  channelRow->addLayout(channelButtons);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnConnect_);
  buttons->addWidget(btnCancel_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(nickBox);
  layout->addWidget(serverBox);
  layout->addWidget(channelBox, 1);
  layout->addLayout(buttons);

  connect(cboSV_, &QComboBox::currentIndexChanged, this, &FrmConIRC::showPort);
  connect(btnADD_, &QPushButton::clicked, this, &FrmConIRC::btnADD_Click);
  connect(btnDEL_, &QPushButton::clicked, this, [this] {
    delete lstCH_->currentItem();
    lstCH_->resizeColumnToContents(0);
  });
  connect(btnUP_, &QPushButton::clicked, this, [this] { moveSelected(-1); });
  connect(btnDOWN_, &QPushButton::clicked, this, [this] { moveSelected(1); });
  connect(btnConnect_, &QPushButton::clicked, this, &FrmConIRC::btnConnect_Click);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

  loadServers();
  loadChannels();
  loadNicknames();
}

FrmConIRC::~FrmConIRC() { delete IBOXChannel_; }

void FrmConIRC::report(const QString &kind, const QString &text) {
  if (services_.log) services_.log(kind, text);
}

void FrmConIRC::loadServers() {
  bool unreadable = false;
  ListRead<IrcServer> read = ReadServerList(readList(info_.filePath(kServerFile), unreadable));
  const QString err = QStringLiteral("ERR");
  if (read.missing) {
    report(err, kServerFile + QStringLiteral("が見つかりませんでした。"));
    report(err, QStringLiteral("サーバリストをロードできません。"));
  } else if (read.broken || unreadable) {
    report(err, kServerFile + QStringLiteral("が壊れています。"));
    report(err, QStringLiteral("サーバリストをロードを中止しました。"));
  }
  servers_ = read.entries;
  const QSignalBlocker block(cboSV_);
  cboSV_->clear();
  for (const IrcServer &s : std::as_const(servers_)) cboSV_->addItem(s.displayName);
  const qint64 index = settings_.ReadIniNumber(kSection, u"SelectedServerIndex", u"0");
  cboSV_->setCurrentIndex(servers_.isEmpty()                      ? -1
                          : index >= 0 && index < servers_.size() ? int(index)
                                                                  : 0);
}

void FrmConIRC::loadChannels() {
  bool unreadable = false;
  ListRead<IrcChannelEntry> read =
      ReadChannelList(readList(info_.filePath(kChannelFile), unreadable));
  const QString err = QStringLiteral("ERR");
  if (read.missing) {
    report(err, kChannelFile + QStringLiteral("が見つかりませんでした。"));
    report(err, QStringLiteral("チャンネルリストをロードできません。"));
  } else if (read.broken || unreadable) {
    report(err, kChannelFile + QStringLiteral("が壊れています。"));
    report(err, QStringLiteral("チャンネルリストをロードを中止しました。"));
  }
  lstCH_->clear();
  for (const IrcChannelEntry &e : std::as_const(read.entries)) addChannel(e.name, e.checked);
  // 1-based; the first entry when the stored one is not below the count.
  const qint64 n = settings_.ReadIniNumber(kSection, u"SelectedChannelIndex", u"1");
  const int count = lstCH_->topLevelItemCount();
  if (count > 0) lstCH_->setCurrentItem(lstCH_->topLevelItem(n >= 1 && n < count ? int(n) - 1 : 0));
}

void FrmConIRC::loadNicknames() {
  app::LoadListFile(cboNICK_, info_.filePath(kNickFile));
  cboNICK_->setEditText(cboNICK_->count() > 0 ? cboNICK_->itemText(0) : info_.defaultNick);
  const qint64 index = settings_.ReadIniNumber(kSection, u"SelectedSVIndex", u"0");
  if (cboSV_->count() > 0 && index >= 0 && index < cboSV_->count())
    cboSV_->setCurrentIndex(int(index));
  showPort();
}

void FrmConIRC::showPort() {
  const int index = cboSV_->currentIndex();
  txtPORT_->setText(index >= 0 && index < servers_.size() ? servers_[index].portText() : QString());
}

void FrmConIRC::addChannel(const QString &name, bool checked) {
  auto *item = new QTreeWidgetItem(lstCH_, {name});
  item->setFlags((item->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
  item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  lstCH_->resizeColumnToContents(0);
}

QList<IrcChannelEntry> FrmConIRC::channels() const {
  QList<IrcChannelEntry> out;
  for (int i = 0; i < lstCH_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem *item = lstCH_->topLevelItem(i);
    out.append({item->checkState(0) == Qt::Checked, item->text(0)});
  }
  return out;
}

void FrmConIRC::moveSelected(int by) {
  QTreeWidgetItem *item = lstCH_->currentItem();
  if (!item) return;
  const int from = lstCH_->indexOfTopLevelItem(item);
  const int to = from + by;
  if (to < 0 || to >= lstCH_->topLevelItemCount()) return;
  lstCH_->takeTopLevelItem(from);
  lstCH_->insertTopLevelItem(to, item);
  lstCH_->setCurrentItem(item);
  lstCH_->resizeColumnToContents(0);
}

void FrmConIRC::btnADD_Click() {
  if (!IBOXChannel_) {
    IBOXChannel_ = new app::FrmBoxINP(this);
    connect(IBOXChannel_, &app::FrmBoxINP::BtnClick, this, &FrmConIRC::IBOXChannel_BtnClick);
  }
  IBOXChannel_->ViewMSG(
      QStringList{
          QStringLiteral("追加するチャンネル名を入力してください。"),
          QStringLiteral("※以下の内容がよく解らない場合は、先頭に#を入力してください。"),
          QStringLiteral("　(1)チャンネル名の規則"),
          QStringLiteral("　　　※先頭には必ず#か&か+か!が必要です。"),
          QStringLiteral("　　　※半角スペースは使えません。"),
          QStringLiteral("　　　※半角コンマは使えません。"),
          QStringLiteral("　(2)先頭に#を付けた場合"),
          QStringLiteral("　　　パブリックチャンネルになります。"),
          QStringLiteral("　　　(全サーバに共通なチャンネルになります)"),
          QStringLiteral("　(3)先頭に&を付けた場合"),
          QStringLiteral("　　　ローカルチャンネルになります。"),
          QStringLiteral("　　　(接続するサーバだけに存在するチャンネルになります)"),
      }
          .join(QStringLiteral("\r\n")),
      info_.titleTag + QStringLiteral("参加チャンネルの追加"), QStringLiteral("#"),
      app::FrmBoxINP::kImeOff);
}

void FrmConIRC::IBOXChannel_BtnClick(const QString &text) {
  // The pane's /join rules: a control character would also split CHList.txt.
  if (const QString name = JoinChannel(text, services_.messages); !name.isEmpty())
    addChannel(name, true);
}

void FrmConIRC::btnConnect_Click() {
  const QString nick = cboNICK_->currentText();
  if (!app::IsValidNickname(nick, services_.messages) ||
      app::IsReservedNickname(nick, services_.messages))
    return;
  const int index = cboSV_->currentIndex();
  if (index < 0 || index >= servers_.size()) {
    if (services_.messages)
      services_.messages->ViewMSG(QStringLiteral("接続するIRCサーバを選択してください。"),
                                  info_.titleTag + QStringLiteral("IRC接続"));
    return;
  }
  const QString err = QStringLiteral("ERR");
  const QString nickPath = info_.filePath(kNickFile);
  if (!app::StoreRecentEntry(cboNICK_, nick, nickPath))
    for (const QString &line : app::SaveFailureLines(kNickFile, nickPath)) report(err, line);
  settings_.WriteIni(kSection, u"SelectedSVIndex", index);
  // A list that cannot be written is reported; the connect goes ahead.
  const QString channelPath = info_.filePath(kChannelFile);
  if (!text::writeCp932Lines(channelPath, ChannelListLines(channels())))
    for (const QString &line : app::SaveFailureLines(kChannelFile, channelPath)) report(err, line);

  const IrcServer &server = servers_[index];
  const double random =
      services_.random ? services_.random() : QRandomGenerator::global()->generateDouble();
  const QString port = QString::number(server.portFor(random));
  const QString nickname = nick;  // the dialog goes away below
  auto connectTo = services_.connect;
  const QString name = server.displayName, host = server.host;
  close();
  if (connectTo) connectTo(nickname, name, host, port);
}

}  // namespace tv::irc
