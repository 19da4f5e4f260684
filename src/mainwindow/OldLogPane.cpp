#include "mainwindow/OldLogPane.h"

#include "app/AppInfo.h"
#include "app/FileRoutines.h"
#include "app/Fonts.h"
#include "app/InfoLogCsv.h"
#include "app/LogFiles.h"
#include "app/Settings.h"
#include "mainwindow/InfoLog.h"
#include "platform/richtext/RichTextView.h"
#include "platform/text/TextFile.h"

#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tv::mainwindow {
namespace {

const QString kAutoSave = QStringLiteral("AutoSave");
const QString kOldLog = QStringLiteral("OldLog");
const QString kNotShown = QStringLiteral("ファイルを表示できません。");
const QStringList kFilters = {QStringLiteral("*.txt;*.rtf;*.csv"), QStringLiteral("*.txt"),
                              QStringLiteral("*.rtf"), QStringLiteral("*.csv")};

// CSV logs may be long; their lines too. Past these bounds the file counts as damaged.
const text::LineLimits kCsvLimits{32 * 1024 * 1024, 64 * 1024, 200000};

}  // namespace

OldLogPane::OldLogPane(const app::AppInfo &info, const app::Settings &settings, Services services,
                       QWidget *parent)
    : QWidget(parent), info_(info), settings_(settings), services_(std::move(services)) {
  setObjectName(QStringLiteral("fraLOG"));

  auto *options = new QHBoxLayout;
  auto *boxINF = new QGroupBox(QStringLiteral("情報ログ"));
  auto *boxVOICE = new QGroupBox(QStringLiteral("音声チャットログ"));
  auto *boxIRC = new QGroupBox(QStringLiteral("IRCチャンネルログ"));
  const QString none = QStringLiteral("自動保存しない");
  const QString asText = QStringLiteral("TXT形式で自動保存する");
  addOptions(boxINF, QStringLiteral("optINF"), {none, QStringLiteral("CSV形式で自動保存する")},
             QStringLiteral("INFO"), QStringLiteral("1"));
  addOptions(boxVOICE, QStringLiteral("optVOICE"),
             {none, asText, QStringLiteral("RTF形式(色・画つき)で自動保存する")},
             QStringLiteral("VOICE"), QStringLiteral("2"));
  addOptions(boxIRC, QStringLiteral("optIRC"),
             {none, asText, QStringLiteral("RTF形式(色付)で自動保存する")}, QStringLiteral("IRC"),
             QStringLiteral("2"));
  for (QGroupBox *box : {boxINF, boxVOICE, boxIRC}) options->addWidget(box, 0, Qt::AlignTop);
  options->addStretch(1);

  auto *btnLogFolderOpen = new QPushButton(QStringLiteral("保存フォルダを開く"));
  btnLogFolderOpen->setObjectName(QStringLiteral("btnLogFolderOpen"));
  auto *btnSelFolder = new QPushButton(QStringLiteral("保存フォルダを変更"));
  btnSelFolder->setObjectName(QStringLiteral("btnSelFolder"));
  lblFolder_ = new QLabel;
  lblFolder_->setObjectName(QStringLiteral("lblLogFolder"));
  lblFolder_->setTextFormat(Qt::PlainText);
  lblFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(btnLogFolderOpen);
  buttons->addWidget(btnSelFolder);
  buttons->addWidget(lblFolder_, 1);
  connect(btnLogFolderOpen, &QPushButton::clicked, this, [this] {
    if (services_.openFolder) services_.openFolder(folder_);
  });
  connect(btnSelFolder, &QPushButton::clicked, this, &OldLogPane::chooseFolder);

  auto *filterRow = new QWidget;
  auto *filterLayout = new QHBoxLayout(filterRow);
  filterLayout->setContentsMargins(0, 0, 0, 0);
  optVIEW_ = new QButtonGroup(this);
  const QStringList captions = {QStringLiteral("全部"), QStringLiteral("*.txt"),
                                QStringLiteral("*.rtf"), QStringLiteral("*.csv")};
  for (int i = 0; i < captions.size(); ++i) {
    auto *option = new QRadioButton(captions[i]);
    option->setObjectName(app::ArrayName(QStringLiteral("optVIEW"), i));
    optVIEW_->addButton(option, i);
    filterLayout->addWidget(option);
  }
  filterLayout->addStretch(1);
  connect(optVIEW_, &QButtonGroup::idClicked, this, [this](int id) {
    applyFilter(id);
    refreshFileList();
  });

  filLOG_ = new QListWidget;
  filLOG_->setObjectName(QStringLiteral("filLOG"));
  filLOG_->setAccessibleName(QStringLiteral("過去ログファイル一覧"));
  filLOG_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  filLOG_->installEventFilter(this);
  connect(filLOG_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) showFile(filLOG_->item(row)->text());
  });

  txtOldLog_ = new richtext::RichTextView;
  txtOldLog_->setObjectName(QStringLiteral("txtOldLog"));
  txtOldLog_->setAccessibleName(QStringLiteral("過去ログ表示"));
  txtOldLog_->document()->setDefaultFont(app::LogFont(9));
  lstOldINF_ = new QTreeWidget;
  lstOldINF_->setObjectName(QStringLiteral("lstOldINF"));
  lstOldINF_->setAccessibleName(QStringLiteral("過去の情報ログ表示"));
  lstOldINF_->setFont(app::LogFont(9));
  lstOldINF_->setRootIsDecorated(false);
  lstOldINF_->setUniformRowHeights(true);
  lstOldINF_->setHeaderLabels({QStringLiteral("時刻"), QStringLiteral("機能"),
                               QStringLiteral("種別"), QStringLiteral("メッセージ")});
  viewer_ = new QStackedWidget;
  viewer_->addWidget(txtOldLog_);
  viewer_->addWidget(lstOldINF_);

  auto *splitter = new QSplitter;
  splitter->addWidget(filLOG_);
  splitter->addWidget(viewer_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({app::TwipsToPixels(this, 3000), app::TwipsToPixels(this, 6000)});
  filLOG_->setMinimumWidth(app::TwipsToPixels(this, 1000));

  // The settings scroll sideways rather than hold the main window wide.
  auto *top = new QWidget;
  auto *topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addLayout(options);
  topLayout->addLayout(buttons);
  topLayout->addWidget(filterRow);
  auto *topArea = new QScrollArea;
  topArea->setWidget(top);
  topArea->setWidgetResizable(true);
  topArea->setFrameShape(QFrame::NoFrame);
  topArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  topArea->setFixedHeight(top->sizeHint().height() +
                          topArea->horizontalScrollBar()->sizeHint().height());

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(topArea);
  layout->addWidget(splitter, 1);

  int filter = int(settings_.ReadIniNumber(kOldLog, u"Filter", u"0"));
  if (filter < 0 || filter >= kFilters.size()) filter = 0;
  optVIEW_->button(filter)->setChecked(true);
  applyFilter(filter);

  // The stored folder when it exists; otherwise the setting is cleared and the
  // default folder is used, created when missing.
  const QString fallback = info_.appFolder + QStringLiteral("Log/");
  QString folder = settings_.ReadIni(kOldLog, u"Path", fallback);
  if (!app::FolderExists(folder)) {
    settings_.WriteIni(kOldLog, u"Path", u"");
    app::EnsureAppSubfolder(info_.appFolder, QStringLiteral("Log"));
    folder = fallback;
  }
  setLogFolder(folder);
}

QButtonGroup *OldLogPane::addOptions(QWidget *box, const QString &group,
                                     const QStringList &captions, const QString &key,
                                     const QString &def) {
  auto *buttons = new QButtonGroup(box);
  auto *layout = new QVBoxLayout(box);
  const qint64 selected = settings_.ReadIniNumber(kAutoSave, key, def);
  for (int i = 0; i < captions.size(); ++i) {
    auto *option = new QRadioButton(captions[i]);
    option->setObjectName(app::ArrayName(group, i));
    option->setChecked(i == selected);
    buttons->addButton(option, i);
    layout->addWidget(option);
  }
  connect(buttons, &QButtonGroup::idClicked, this,
          [this, key](int id) { settings_.WriteIni(kAutoSave, key, id); });
  return buttons;
}

QString OldLogPane::optionIndex(const QString &group) const {
  return app::SelectedOptionIndex(this, group);
}

void OldLogPane::setLogFolder(const QString &folder) {
  folder_ = app::AddBackslash(folder);
  lblFolder_->setText(QDir::toNativeSeparators(folder_));
  refreshFileList();
}

void OldLogPane::applyFilter(int index) {
  patterns_ = kFilters[std::clamp<qsizetype>(index, 0, kFilters.size() - 1)].split(u';');
}

void OldLogPane::refreshFileList() {
  const QSignalBlocker block(filLOG_);
  filLOG_->clear();
  const QDir dir(folder_);
  filLOG_->addItems(dir.entryList(patterns_, QDir::Files | QDir::Hidden, QDir::Name));
}

void OldLogPane::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  refreshFileList();
}

void OldLogPane::showText(const QString &text) {
  viewer_->setCurrentWidget(txtOldLog_);
  txtOldLog_->clear();
  txtOldLog_->insertText(text, QTextCharFormat());
}

void OldLogPane::showFile(const QString &name) {
  const QString path = app::AddBackslash(folder_) + name;
  const QString kind = name.right(4).toLower();
  const QString damaged =
      kNotShown + QStringLiteral("\r\n") +
      QStringLiteral("ファイルが壊れているか、間違ったファイルを指定していると考えられます。") +
      QStringLiteral("\r\n＜ファイル＞\r\n　") + path;
  if (!app::FileExists(path)) {
    showText(damaged);
    return;
  }
  if (kind == u".txt" || kind == u".rtf") {
    viewer_->setCurrentWidget(txtOldLog_);
    const bool ok = kind == u".txt" ? txtOldLog_->loadText(path) : txtOldLog_->loadRtf(path).ok();
    if (!ok) showText(damaged);
    return;
  }
  if (kind != u".csv") return;
  viewer_->setCurrentWidget(lstOldINF_);
  lstOldINF_->clear();
  const auto lines = text::readCp932Lines(path, kCsvLimits);
  const auto rows = lines ? app::ParseInfoCsv(*lines) : std::nullopt;
  if (!rows) {
    showText(kNotShown + QStringLiteral("\r\n") +
             QStringLiteral(
                 ".csvファイルが壊れているか、間違ったファイルを指定していると考えられます。"));
    return;
  }
  QList<QTreeWidgetItem *> items;
  items.reserve(rows->size());
  for (const QStringList &row : *rows) items.append(new QTreeWidgetItem(row));
  lstOldINF_->addTopLevelItems(items);
  app::FitLastColumn(lstOldINF_);
}

bool OldLogPane::eventFilter(QObject *watched, QEvent *event) {
  if (watched == filLOG_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
    deleteSelectedFiles();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void OldLogPane::deleteSelectedFiles() {
  if (filLOG_->count() == 0) return;
  const int current = filLOG_->currentRow();
  const QDir dir(folder_);
  for (const QListWidgetItem *item : filLOG_->selectedItems()) {
    if (!QFile::remove(dir.filePath(item->text())) && services_.report) {
      services_.report(QStringLiteral("ERR"),
                       QStringLiteral("ログファイルを削除できませんでした。"));
      services_.report(QStringLiteral("ERR"),
                       QStringLiteral("　　<ファイル　　　> ") +
                           QDir::toNativeSeparators(dir.filePath(item->text())));
    }
  }
  refreshFileList();
  if (filLOG_->count() == 0) return;
  filLOG_->setCurrentRow(std::min(std::max(current, 0), filLOG_->count() - 1));
}

void OldLogPane::chooseFolder() {
  if (!services_.chooseFolder) return;
  const QString chosen =
      services_.chooseFolder(window(), QStringLiteral("保存フォルダを選択してください。"), folder_);
  if (!chosen.isEmpty() && app::FolderExists(chosen)) setLogFolder(chosen);
}

void OldLogPane::reportSave(const app::LogSaveResult &result) {
  if (!result.attempted() || result.ok() || !services_.report) return;
  for (const QString &line : app::LogSaveFailureReport(result))
    services_.report(QStringLiteral("ERR"), line);
}

void OldLogPane::saveVoiceLog(const QTextDocument &view) {
  reportSave(app::SaveLogFile(view, folder_, QStringLiteral("VOICE"),
                              optionIndex(QStringLiteral("optVOICE"))));
}

void OldLogPane::saveIrcLog(const QTextDocument &view, const QString &channel) {
  if (channel.isEmpty()) return;
  reportSave(app::SaveLogFile(view, folder_, channel, settings_.ReadIni(kAutoSave, u"IRC", u"2")));
}

void OldLogPane::autoSaveInfoLog(const InfoLog &log) {
  if (optionIndex(QStringLiteral("optINF")) != u"1" || log.rowCount() == 0) return;
  reportSave(log.saveCsv(folder_));
}

void OldLogPane::saveSettings() const {
  settings_.WriteIni(kOldLog, u"Path", folder_);
  settings_.WriteIni(kOldLog, u"Filter", optVIEW_->checkedId() < 0 ? 0 : optVIEW_->checkedId());
}

}  // namespace tv::mainwindow
