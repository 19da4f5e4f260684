#pragma once
// The file a receiver writes into. Data goes to a side file next to the final name,
// "<name>.part" (then "<name>.1.part", ... when that is taken), created exclusively and
// never through a link, so no existing file is touched while bytes arrive. When every
// byte is there the side file takes the final name: replacing a file of that name only
// when the user agreed to it. A transfer that ends short leaves the side file. Errors
// are errno values. Not thread-safe.

#include <QString>

namespace tv::dcc {

class PartFile {
 public:
  // Attempts after the first before creation gives up.
  static constexpr int kMaxAttempts = 1000;

  PartFile() = default;
  PartFile(const PartFile &) = delete;
  PartFile &operator=(const PartFile &) = delete;
  ~PartFile();

  // Creates the side file for finalPath in finalPath's folder. 0 or an errno value.
  int create(const QString &finalPath);
  // Appends all bytes; 0 or an errno value (ENOSPC, EFBIG, ...).
  int write(const char *data, qint64 size);
  // Closes the side file and gives it the final name. Without `replace` an existing
  // file of that name is left alone and EEXIST returned (the side file stays).
  int complete(bool replace);
  // Closes the side file and keeps it (a short end).
  void close();
  // Removes the side file while nothing was written to it.
  void discardIfEmpty();

  qint64 written() const { return written_; }
  const QString &partPath() const { return partPath_; }
  QString partName() const;

 private:
  int fd_ = -1;
  qint64 written_ = 0;
  QString partPath_;
  QString finalPath_;
};

}  // namespace tv::dcc
