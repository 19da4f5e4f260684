#include "session/PictureStore.h"

#include "app/FileRoutines.h"
#include "session/SessionMessage.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <unistd.h>

namespace tv::session {

namespace {

QString numberedName(int n, const QString &extension) {
  return QStringLiteral("%1").arg(n, 8, 10, QLatin1Char('0')) + extension;
}

}  // namespace

PictureStore::PictureStore(const QString &appFolder, qint64 maxBytes)
    : appFolder_(appFolder),
      folder_(QDir(appFolder).filePath(QStringLiteral("IMG"))),
      maxBytes_(maxBytes) {}

QString PictureStore::NewPictureFileName(int start, const QString &extension) const {
  const QDir dir(folder_);
  for (int n = std::max(start, 0); n <= kMaxNumber; ++n) {
    const QString path = dir.filePath(numberedName(n, extension));
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return path;
  }
  return {};
}

PictureStore::Stored PictureStore::Store(std::int32_t format, QByteArrayView bytes) const {
  Stored result;
  if (bytes.size() > maxBytes_) {
    constexpr qint64 kMiB = 1024 * 1024;
    result.error = maxBytes_ % kMiB == 0
                       ? QStringLiteral("画像が大きすぎます。(上限%1MB)").arg(maxBytes_ / kMiB)
                       : QStringLiteral("画像が大きすぎます。(上限%1バイト)").arg(maxBytes_);
    return result;
  }
  if (!app::EnsureAppSubfolder(appFolder_, QStringLiteral("IMG"))) {
    result.error = QStringLiteral("画像フォルダ(IMG)を作成できませんでした。");
    return result;
  }

  // Written in full under a hidden name first; it gets its real name only when every
  // byte is on disk, so a full disk or an unwritable folder leaves no picture file.
  QTemporaryFile file(QDir(folder_).filePath(QStringLiteral(".receiving-XXXXXX")));
  const bool written = file.open() && file.write(bytes.data(), bytes.size()) == bytes.size() &&
                       file.flush() && ::fsync(file.handle()) == 0;
  if (!written) {
    result.error = QStringLiteral("画像ファイルを書き込めませんでした。(") + file.errorString() +
                   QStringLiteral(")");
    return result;
  }
  const QString extension = pictureExtension(format);
  // Another program may take a free name between the look-up and the rename; the
  // rename never replaces a file, so the next number is tried then.
  for (int start = 0;;) {
    const QString path = NewPictureFileName(start, extension);
    if (path.isEmpty()) {
      result.error = QStringLiteral("画像ファイルの空き番号がありません。");
      return result;
    }
    if (file.rename(path)) {
      file.setAutoRemove(false);
      result.path = path;
      return result;
    }
    if (!QFileInfo::exists(path)) {
      result.error = QStringLiteral("画像ファイルを書き込めませんでした。(") + file.errorString() +
                     QStringLiteral(")");
      return result;
    }
    start = QFileInfo(path).completeBaseName().toInt() + 1;
  }
}

}  // namespace tv::session
