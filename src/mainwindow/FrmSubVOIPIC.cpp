#include "mainwindow/FrmSubVOIPIC.h"

#include "app/FileRoutines.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "mainwindow/ChatPicture.h"
#include "mainwindow/PictureChooserText.h"
#include "platform/metafile/WmfHelper.h"
#include "platform/richtext/RtfPicture.h"
#include "platform/text/TextFile.h"
#include "session/PictureStore.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace tv::mainwindow {
namespace {

// Design sizes in twips.
constexpr int kMinWidthTwips = 5000;
constexpr int kMinHeightTwips = 6000;
constexpr int kMarginTwips = 60;
constexpr int kLeftColumnTwips = 2000;  // drvPIC and dirPIC
constexpr int kTreeHeightTwips = 1800;
constexpr int kSizeBoxHeightTwips = 600;
const QSize kPlaceholderSize(48, 48);

// Volumes on devices (disks, sticks, discs), not the system's own file systems.
QStringList mountedVolumes() {
  QStringList roots;
  for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady() && volume.device().startsWith("/dev/"))
      roots << volume.rootPath();
  return roots;
}

}  // namespace

FrmSubVOIPIC::FrmSubVOIPIC(const app::AppInfo &info, const app::Settings &settings,
                           PictureWindowServices services, QWidget *parent)
    : QWidget(parent, Qt::Window),
      settings_(settings),
      services_(std::move(services)),
      placement_(this, settings, QStringLiteral("frmSubVOIPIC"),
                 QSize(kMinWidthTwips, kMinHeightTwips)),
      appFolder_(info.appFolder) {
  setObjectName(QStringLiteral("frmSubVOIPIC"));
  setWindowTitle(info.titleTag + QStringLiteral("画像ファイルの選択(jpg,jpeg,bmp,wmf)"));
  setAttribute(Qt::WA_DeleteOnClose);
  setMinimumSize(app::TwipsToPixels(this, kMinWidthTwips),
                 app::TwipsToPixels(this, kMinHeightTwips));

  drvPIC_ = new QComboBox(this);
  drvPIC_->setObjectName(QStringLiteral("drvPIC"));
  drvPIC_->setAccessibleName(QStringLiteral("場所"));
  // Screen readers name a list by its label (the list itself reads out its entry).
  placeLabel_ = new QLabel(QStringLiteral("場所"), this);
  placeLabel_->setBuddy(drvPIC_);
  fillPlaces();

  folders_ = new QFileSystemModel(this);
  folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  folders_->setReadOnly(true);
  dirPIC_ = new QTreeView(this);
  dirPIC_->setObjectName(QStringLiteral("dirPIC"));
  dirPIC_->setAccessibleName(QStringLiteral("フォルダ"));
  dirPIC_->setModel(folders_);
  dirPIC_->setHeaderHidden(true);
  for (int column = 1; column < folders_->columnCount(); ++column) dirPIC_->hideColumn(column);

  filPIC_ = new QListWidget(this);
  filPIC_->setObjectName(QStringLiteral("filPIC"));
  filPIC_->setAccessibleName(QStringLiteral("画像ファイル"));
  filPIC_->installEventFilter(this);

  sizeBox_ = new QGroupBox(QStringLiteral("ファイルサイズ"), this);
  lblFSize_ = new QLabel(sizeBox_);
  lblFSize_->setObjectName(QStringLiteral("lblFSize"));
  lblFSize_->setAccessibleName(QStringLiteral("ファイルサイズ"));
  lblFSize_->setTextFormat(Qt::PlainText);
  auto *sizeLayout = new QVBoxLayout(sizeBox_);
  sizeLayout->setContentsMargins(4, 0, 4, 0);
  sizeLayout->addWidget(lblFSize_);

  picBASE_ = new QFrame(this);
  picBASE_->setObjectName(QStringLiteral("picBASE"));
  picBASE_->setAccessibleName(QStringLiteral("プレビュー"));
  picBASE_->setFrameShape(QFrame::StyledPanel);
  picBOX_ = new QLabel(picBASE_);
  picBOX_->setObjectName(QStringLiteral("picBOX"));
  picBOX_->setAccessibleName(QStringLiteral("プレビュー画像"));
  picBOX_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scbH_ = new QScrollBar(Qt::Horizontal, this);
  scbH_->setObjectName(QStringLiteral("scbH"));
  scbH_->setAccessibleName(QStringLiteral("横スクロール"));
  scbV_ = new QScrollBar(Qt::Vertical, this);
  scbV_->setObjectName(QStringLiteral("scbV"));
  scbV_->setAccessibleName(QStringLiteral("縦スクロール"));
  for (QScrollBar *bar : {scbH_, scbV_}) {
    bar->setRange(0, 0);
    bar->setEnabled(false);
  }

  connect(drvPIC_, &QComboBox::activated, this, &FrmSubVOIPIC::choosePlace);
  connect(dirPIC_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex &current) {
            const QString path = folders_->filePath(current);
            if (!path.isEmpty() && path != folder_) showFolder(path);
          });
  connect(filPIC_, &QListWidget::currentRowChanged, this, &FrmSubVOIPIC::previewSelected);
  connect(filPIC_, &QListWidget::itemDoubleClicked, this, &FrmSubVOIPIC::sendSelected);
  connect(scbV_, &QScrollBar::valueChanged, this,
          [this](int value) { picBOX_->move(picBOX_->x(), -value); });
  connect(scbH_, &QScrollBar::valueChanged, this,
          [this](int value) { picBOX_->move(-value, picBOX_->y()); });
  if (services_.metafiles)
    connect(services_.metafiles, &metafile::WmfHelper::drawn, this,
            [this](quint64 ticket, const QImage &image) {
              if (ticket == previewTicket_ && !image.isNull()) showPreview(image);
            });

  // The folder shown last, else the program folder.
  QString start = app::AddBackslash(settings_.ReadIni(u"VOICE", u"PicturePath", appFolder_));
  if (!app::FolderExists(start)) start = appFolder_;
  placement_.load();
  showFolder(start);
  layoutControls();
}

void FrmSubVOIPIC::fillPlaces() {
  QStringList places{QDir::homePath(), QStringLiteral("/")};
  for (const QString &root : services_.volumes ? services_.volumes() : mountedVolumes())
    if (!places.contains(root)) places << root;
  for (const QString &place : places) drvPIC_->addItem(QDir::toNativeSeparators(place), place);
}

int FrmSubVOIPIC::placeOf(const QString &path) const {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < drvPIC_->count(); ++i) {
    const QString place = drvPIC_->itemData(i).toString();
    const bool inside = path == place || place == u"/" || path.startsWith(place + u'/');
    if (inside && place.size() > bestLength) {
      best = i;
      bestLength = place.size();
    }
  }
  return best;
}

void FrmSubVOIPIC::showFolder(const QString &path) {
  folder_ = QDir::cleanPath(QDir(path).absolutePath());
  const int place = placeOf(folder_);
  if (place >= 0) {
    const QSignalBlocker block(drvPIC_);
    drvPIC_->setCurrentIndex(place);
    const QString root = drvPIC_->itemData(place).toString();
    folders_->setRootPath(root);
    dirPIC_->setRootIndex(folders_->index(root));
  }
  const QModelIndex current = folders_->index(folder_);
  if (current.isValid() && current != dirPIC_->rootIndex()) {
    dirPIC_->setCurrentIndex(current);
    dirPIC_->scrollTo(current);
  }
  const QSignalBlocker block(filPIC_);
  filPIC_->clear();
  filPIC_->addItems(
      QDir(folder_).entryList(PictureNameFilters(), QDir::Files, QDir::Name | QDir::IgnoreCase));
}

bool FrmSubVOIPIC::choosePlace(int index) {
  const QString root = drvPIC_->itemData(index).toString();
  const QDir dir(root);
  if (root.isEmpty() || !dir.exists() || !dir.isReadable()) {
    // As a drive that is not ready: back to the place of the folder shown.
    const QSignalBlocker block(drvPIC_);
    drvPIC_->setCurrentIndex(placeOf(folder_));
    return false;
  }
  showFolder(root);
  return true;
}

void FrmSubVOIPIC::previewSelected() {
  const QListWidgetItem *item = filPIC_->currentItem();
  if (!item) return;
  const QFileInfo file(QDir(folder_).filePath(item->text()));
  if (!file.isFile()) return;
  const QString size = FileSizeText(file.size());
  lblFSize_->setText(size);
  lblFSize_->setAccessibleDescription(size);
  previewTicket_ = 0;
  // Files larger than a picture message can carry are not decoded.
  const auto bytes =
      text::readFileBounded(file.filePath(), session::PictureStore::kMaxPictureBytes);
  const LogPicture picture = bytes ? PictureForLog(*bytes, QSize()) : LogPicture();
  if (picture.kind == LogPicture::Kind::Image) {
    showPreview(picture.image);
    return;
  }
  showPreview(richtext::placeholderPicture(kPlaceholderSize));
  if (picture.kind == LogPicture::Kind::Metafile && services_.metafiles)
    previewTicket_ = services_.metafiles->draw(*bytes, QSize());
}

void FrmSubVOIPIC::showPreview(const QImage &image) {
  picBOX_->setPixmap(QPixmap::fromImage(image));
  picBOX_->setGeometry(0, 0, image.width(), image.height());
  pictureLoaded_ = true;
  scbH_->setValue(0);
  scbV_->setValue(0);
  updateScrollBars();
}

void FrmSubVOIPIC::updateScrollBars() {
  const struct {
    QScrollBar *bar;
    PreviewScroll range;
  } bars[] = {{scbV_, PreviewScrollFor(picBOX_->height(), picBASE_->height())},
              {scbH_, PreviewScrollFor(picBOX_->width(), picBASE_->width())}};
  for (const auto &b : bars) {
    b.bar->setRange(0, b.range.maximum);
    b.bar->setPageStep(b.range.largeStep);
    b.bar->setSingleStep(b.range.smallStep);
    b.bar->setEnabled(b.range.enabled);
  }
}

void FrmSubVOIPIC::sendSelected() {
  hide();
  const QListWidgetItem *item = filPIC_->currentItem();
  const QString path = item ? QDir(folder_).filePath(item->text()) : QString();
  // Nothing chosen, or the file vanished: the window stays hidden.
  if (path.isEmpty() || !QFileInfo(path).isFile()) return;
  if (services_.sendPicture) services_.sendPicture(path);
  close();
}

bool FrmSubVOIPIC::eventFilter(QObject *watched, QEvent *event) {
  if (watched == filPIC_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      sendSelected();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FrmSubVOIPIC::closeEvent(QCloseEvent *event) {
  placement_.save();
  settings_.WriteIni(u"VOICE", u"PicturePath", folder_);
  event->accept();
}

void FrmSubVOIPIC::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  placement_.remember();
}

void FrmSubVOIPIC::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (windowState() & Qt::WindowMinimized) return;
  placement_.remember();
  layoutControls();
}

void FrmSubVOIPIC::layoutControls() {
  auto px = [this](int twips) { return app::TwipsToPixels(this, twips); };
  const int cw = width();
  const int ch = height();
  const int m = px(kMarginTwips);
  const int column = px(kLeftColumnTwips);
  const int comboHeight = drvPIC_->sizeHint().height();
  const int labelWidth = placeLabel_->sizeHint().width();
  placeLabel_->setGeometry(m, m, labelWidth, comboHeight);
  drvPIC_->setGeometry(2 * m + labelWidth, m, column - m - labelWidth, comboHeight);
  dirPIC_->setGeometry(m, 2 * m + comboHeight, column, px(kTreeHeightTwips));
  const int top = dirPIC_->geometry().bottom() + 1 + m;  // the preview's top

  // The file list and the size stretch to the right edge.
  const int right = 2 * m + column;
  const int sizeHeight = std::max(px(kSizeBoxHeightTwips), sizeBox_->sizeHint().height());
  sizeBox_->setGeometry(right, top - m - sizeHeight, std::max(0, cw - right), sizeHeight);
  filPIC_->setGeometry(right, m, std::max(0, cw - right), std::max(0, sizeBox_->y() - 2 * m));

  // The preview with its scroll bars fills the rest.
  const int barV = scbV_->sizeHint().width();
  const int barH = scbH_->sizeHint().height();
  scbV_->setGeometry(cw - barV, top, barV, std::max(0, ch - top - barH));
  scbH_->setGeometry(0, ch - barH, std::max(0, cw - barV), barH);
  picBASE_->setGeometry(0, top, std::max(0, cw - barV), std::max(0, ch - top - barH));
  if (!pictureLoaded_) picBOX_->setGeometry(0, 0, picBASE_->width(), picBASE_->height());
  updateScrollBars();
}

}  // namespace tv::mainwindow
