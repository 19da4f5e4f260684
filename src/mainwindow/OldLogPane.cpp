#include "mainwindow/OldLogPane.h"

#include "app/AppInfo.h"
#include "app/FileRoutines.h"
#include "app/Fonts.h"
#include "app/LogFiles.h"
#include "app/Settings.h"
#include "mainwindow/InfoLog.h"
#include "platform/richtext/RichTextView.h"

#include <QButtonGroup>
#include <QDir>
#include <QElapsedTimer>
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
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tv::mainwindow {
namespace {

const QString kAutoSave = QStringLiteral("AutoSave");
const QString kOldLog = QStringLiteral("OldLog");
const QString kNotShown = QStringLiteral("ファイルを表示できません。");
const QStringList kFilters = {QStringLiteral("*.txt;*.rtf;*.csv"), QStringLiteral("*.txt"),
                              QStringLiteral("*.rtf"), QStringLiteral("*.csv")};

const QString kDamagedCsv =
    kNotShown + QStringLiteral("\r\n") +
    QStringLiteral(".csvファイルが壊れているか、間違ったファイルを指定していると考えられます。");

// A slice of the viewer's filling aims at this much UI time, so that the window
// answers throughout; the number of characters per slice follows what the last took.
constexpr qint64 kSliceMs = 12;
constexpr qsizetype kFirstSlice = 4096;
constexpr qsizetype kMinSlice = 256;
constexpr qsizetype kMaxSlice = 256 * 1024;
constexpr qsizetype kRowsPerSliceChar = 16;  // a list row weighs as much as 16 characters

QString damagedText(const QString &path) {
  return kNotShown + QStringLiteral("\r\n") +
         QStringLiteral("ファイルが壊れているか、間違ったファイルを指定していると考えられます。") +
         QStringLiteral("\r\n＜ファイル＞\r\n　") + path;
}

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
  feed_ = new QTimer(this);
  feed_->setInterval(0);
  connect(feed_, &QTimer::timeout, this, &OldLogPane::feedSlice);

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

bool OldLogPane::loading() const { return loader_.busy() || feeding_ != nullptr; }

void OldLogPane::stopFeeding() {
  loader_.cancel();
  feed_->stop();
  feeding_.reset();
}

void OldLogPane::showFile(const QString &name) {
  stopFeeding();
  const QString path = app::AddBackslash(folder_) + name;
  const QString kind = name.right(4).toLower();
  if (!app::FileExists(path)) {
    showText(damagedText(path));
    return;
  }
  OldLogLoader::Kind what = OldLogLoader::Kind::Text;
  if (kind == u".txt")
    what = OldLogLoader::Kind::Text;
  else if (kind == u".rtf")
    what = OldLogLoader::Kind::Rtf;
  else if (kind == u".csv")
    what = OldLogLoader::Kind::Csv;
  else
    return;
  // The view shows the new choice at once, empty until its content arrives.
  if (what == OldLogLoader::Kind::Csv) {
    viewer_->setCurrentWidget(lstOldINF_);
    lstOldINF_->clear();
  } else {
    viewer_->setCurrentWidget(txtOldLog_);
    txtOldLog_->clear();
  }
  loader_.load(path, what, [this, path](std::shared_ptr<OldLogLoader::Content> content) {
    showLoaded(path, std::move(content));
  });
}

void OldLogPane::showLoaded(const QString &path, std::shared_ptr<OldLogLoader::Content> content) {
  if (!content->ok) {
    showText(content->kind == OldLogLoader::Kind::Csv ? kDamagedCsv : damagedText(path));
    return;
  }
  feeding_ = std::move(content);
  fed_ = 0;
  slice_ = kFirstSlice;
  feedSlice();
  if (feeding_) feed_->start();
}

void OldLogPane::feedSlice() {
  if (!feeding_) return;
  QElapsedTimer clock;
  clock.start();
  bool more = false;
  OldLogLoader::Content &c = *feeding_;
  switch (c.kind) {
    case OldLogLoader::Kind::Text: {
      // Cut after a line end near the slice's size where there is one.
      qsizetype end = std::min(c.text.size(), fed_ + slice_);
      if (end < c.text.size()) {
        const qsizetype lineEnd = c.text.lastIndexOf(u'\n', end - 1);
        if (lineEnd >= fed_) end = lineEnd + 1;
      }
      QTextCursor cursor(txtOldLog_->document());
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(c.text.sliced(fed_, end - fed_), QTextCharFormat());
      fed_ = end;
      more = fed_ < c.text.size();
      break;
    }
    case OldLogLoader::Kind::Rtf: {
      QTextCursor cursor(txtOldLog_->document());
      cursor.movePosition(QTextCursor::End);
      more = c.rtf.insertSome(cursor, slice_);
      break;
    }
    case OldLogLoader::Kind::Csv: {
      const qsizetype rows = std::max<qsizetype>(1, slice_ / kRowsPerSliceChar);
      const qsizetype end = std::min(c.rows.size(), fed_ + rows);
      QList<QTreeWidgetItem *> items;
      items.reserve(end - fed_);
      for (qsizetype i = fed_; i < end; ++i) items.append(new QTreeWidgetItem(c.rows[i]));
      lstOldINF_->addTopLevelItems(items);
      fed_ = end;
      more = fed_ < c.rows.size();
      break;
    }
  }
  // Halve or double the slice when it took clearly more or less than its share.
  const qint64 took = clock.elapsed();
  if (took > kSliceMs * 3 / 2)
    slice_ = std::max(kMinSlice, slice_ / 2);
  else if (took < kSliceMs / 2)
    slice_ = std::min(kMaxSlice, slice_ * 2);
  if (more) return;
  const OldLogLoader::Kind kind = c.kind;
  feed_->stop();
  feeding_.reset();
  if (kind == OldLogLoader::Kind::Csv) {
    app::FitLastColumn(lstOldINF_);
  } else if (txtOldLog_->verticalScrollBar()->value() == 0) {
    txtOldLog_->moveCaretToEnd();  // as a whole file shows; a reader who scrolled stays
  }
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
