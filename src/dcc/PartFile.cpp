#include "dcc/PartFile.h"

#include "dcc/OfferName.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

namespace tv::dcc {

namespace {

// Renames without replacing: the kernel's no-replace rename, or where the file system
// lacks it, a hard link and the removal of the old name.
int renameNoReplace(const QByteArray &from, const QByteArray &to) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::link(from.constData(), to.constData()) != 0) return errno;
  ::unlink(from.constData());
  return 0;
}

}  // namespace

PartFile::~PartFile() { close(); }

int PartFile::create(const QString &finalPath) {
  close();
  const QFileInfo target(finalPath);
  const QString folder = target.absolutePath();
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const auto path = PathInsideFolder(folder, PartFileName(target.fileName(), attempt));
    if (!path) return EINVAL;
    const int fd = ::open(QFile::encodeName(*path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return errno;
    fd_ = fd;
    written_ = 0;
    partPath_ = *path;
    finalPath_ = target.absoluteFilePath();
    return 0;
  }
  return EEXIST;
}

int PartFile::write(const char *data, qint64 size) {
  if (fd_ < 0) return EBADF;
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size_t(size));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= n;
    written_ += n;
  }
  return 0;
}

int PartFile::complete(bool replace) {
  if (fd_ < 0) return EBADF;
  const int closed = ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
  if (closed != 0) return closed;  // delayed write errors show here (network file systems)
  const QByteArray from = QFile::encodeName(partPath_);
  const QByteArray to = QFile::encodeName(finalPath_);
  if (replace) return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
  return renameNoReplace(from, to);
}

void PartFile::close() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

void PartFile::discardIfEmpty() {
  if (partPath_.isEmpty() || written_ != 0) return;
  close();
  ::unlink(QFile::encodeName(partPath_).constData());
  partPath_.clear();
}

QString PartFile::partName() const { return QFileInfo(partPath_).fileName(); }

}  // namespace tv::dcc
