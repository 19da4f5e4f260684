#pragma once
// One settings file in the initialisation-file format. Nothing is cached: every read
// goes to the file and every write rewrites it at once, through a temporary file and a
// rename, so a crash or a full disk never leaves a damaged file under the real name.
// Used for Talvora.ini and TvDcc.ini alike. UI thread only.

#include <QString>

namespace tv::profile {

class ProfileFile {
 public:
  // Files larger than this are treated as damaged: reads give defaults, writes are
  // refused so that the file is not made worse.
  static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

  explicit ProfileFile(QString path) : path_(std::move(path)) {}

  const QString &path() const { return path_; }

  // The stored value; `defaultValue` only when the file, the section or the key is
  // missing (or the file is unreadable).
  QString read(QStringView section, QStringView key, QStringView defaultValue) const;

  // Writes or replaces the key, creating section and file as needed. False, with the
  // reason in `error`, when the write failed; the old file is then unchanged.
  bool write(QStringView section, QStringView key, QStringView value,
             QString *error = nullptr) const;

 private:
  QString path_;
};

}  // namespace tv::profile
