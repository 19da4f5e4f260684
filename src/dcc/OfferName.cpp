#include "dcc/OfferName.h"

#include <QDir>
#include <QFileInfo>

namespace tv::dcc {

namespace {

// An extension longer than this is not kept whole when a name is cut.
constexpr int kMaxKeptExtensionBytes = 32;

bool isDropped(char32_t c) {
  switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
      return true;
    default:
      return false;
  }
}

int utf8Bytes(const QString &text) { return int(text.toUtf8().size()); }

}  // namespace

QString CutToBytes(const QString &text, int maxBytes) {
  QString out;
  int bytes = 0;
  for (const char32_t c : text.toUcs4()) {
    const int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (bytes + n > maxBytes) break;
    bytes += n;
    out += QString::fromUcs4(&c, 1);
  }
  return out;
}

QString ReduceOfferedName(const QString &offered) {
  const qsizetype slash = std::max(offered.lastIndexOf(u'/'), offered.lastIndexOf(u'\\'));
  QString name;
  for (const char32_t c : offered.mid(slash + 1).toUcs4())
    if (!isDropped(c)) name += QString::fromUcs4(&c, 1);
  qsizetype lead = 0;
  while (lead < name.size() && (name[lead] == u'.' || name[lead] == u'-')) ++lead;
  name.remove(0, lead);
  if (utf8Bytes(name) > kMaxNameBytes) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    const int extensionBytes = utf8Bytes(extension);
    name = extensionBytes > 0 && extensionBytes <= kMaxKeptExtensionBytes
               ? CutToBytes(name.left(dot), kMaxNameBytes - extensionBytes) + extension
               : CutToBytes(name, kMaxNameBytes);
  }
  return name.isEmpty() ? kFallbackName : name;
}

std::optional<QString> PathInsideFolder(const QString &folder, const QString &name) {
  if (name.isEmpty() || name == u'.' || name == QStringLiteral("..") || name.contains(u'/'))
    return std::nullopt;
  const QDir dir(folder);
  // Relative to the folder: Qt would take a name with a leading ":" for a resource path.
  const QString path = QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("./") + name));
  if (QFileInfo(path).absolutePath() != QDir::cleanPath(dir.absolutePath())) return std::nullopt;
  return path;
}

QString PartFileName(const QString &name, int attempt) {
  const QString suffix =
      attempt == 0 ? QStringLiteral(".part") : QStringLiteral(".%1.part").arg(attempt);
  return CutToBytes(name, kMaxNameBytes - utf8Bytes(suffix)) + suffix;
}

}  // namespace tv::dcc
