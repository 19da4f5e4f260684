#include "platform/profile/ProfileFile.h"

#include "platform/profile/ProfileText.h"
#include "platform/text/TextFile.h"

#include <QFile>

#include <optional>

namespace tv::profile {
namespace {

// The file's bytes; empty array for a missing file; empty optional when it exists but
// cannot be used (unreadable or too large).
std::optional<QByteArray> load(const QString &path) {
  if (!QFile::exists(path)) return QByteArray();
  return text::readFileBounded(path, ProfileFile::kMaxFileBytes);
}

}  // namespace

QString ProfileFile::read(QStringView section, QStringView key, QStringView defaultValue) const {
  const auto bytes = load(path_);
  if (!bytes) return defaultValue.toString();
  const auto value = findValue(*bytes, section, key);
  return value ? *value : defaultValue.toString();
}

bool ProfileFile::write(QStringView section, QStringView key, QStringView value,
                        QString *error) const {
  const auto bytes = load(path_);
  if (!bytes) {
    if (error)
      *error = QStringLiteral("今のファイルを読めないか、大きすぎます。");  // not made worse
    return false;
  }
  return text::writeFileAtomic(path_, setValue(*bytes, section, key, value), error);
}

}  // namespace tv::profile
