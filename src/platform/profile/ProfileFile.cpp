#include "platform/profile/ProfileFile.h"

#include "platform/profile/ProfileText.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace tv::profile {
namespace {

// The file's bytes; empty array for a missing file; empty optional when it exists but
// cannot be used (unreadable or too large).
std::optional<QByteArray> load(const QString &path) {
  QFile f(path);
  if (!f.exists()) return QByteArray();
  if (!f.open(QIODevice::ReadOnly) || f.size() > ProfileFile::kMaxFileBytes) return std::nullopt;
  QByteArray bytes = f.read(ProfileFile::kMaxFileBytes + 1);
  if (bytes.size() > ProfileFile::kMaxFileBytes) return std::nullopt;
  return bytes;
}

}  // namespace

QString ProfileFile::read(QStringView section, QStringView key, QStringView defaultValue) const {
  const auto bytes = load(path_);
  if (!bytes) return defaultValue.toString();
  const auto value = findValue(*bytes, section, key);
  return value ? *value : defaultValue.toString();
}

bool ProfileFile::write(QStringView section, QStringView key, QStringView value) const {
  const auto bytes = load(path_);
  if (!bytes) return false;
  const QByteArray updated = setValue(*bytes, section, key, value);
  QSaveFile f(path_);
  if (!f.open(QIODevice::WriteOnly)) return false;
  if (f.write(updated) != updated.size()) {
    f.cancelWriting();
    return false;
  }
  return f.commit();
}

}  // namespace tv::profile
