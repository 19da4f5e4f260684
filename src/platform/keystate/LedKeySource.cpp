#include "platform/keystate/LedKeySource.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <optional>

namespace tv::keystate {
namespace {

QString ledSuffix(int vk) {
  switch (vk) {
    case kVkCapital:
      return QStringLiteral("::capslock");
    case kVkNumLock:
      return QStringLiteral("::numlock");
    case kVkScroll:
      return QStringLiteral("::scrolllock");
    default:
      return {};
  }
}

// The brightness as the kernel writes it: a short decimal number. nullopt when the
// file cannot be read or holds anything else.
std::optional<bool> lit(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray text = file.read(16).trimmed();
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok) return std::nullopt;
  return value > 0;
}

}  // namespace

LedKeySource::LedKeySource(QString root, QObject *parent)
    : KeyState(parent), root_(std::move(root)) {}

void LedKeySource::watch(int vk) {
  const bool wasGlobal = isGlobal(watched_);
  watched_ = vk;
  leds_.clear();
  const QString suffix = ledSuffix(vk);
  if (!suffix.isEmpty()) {
    const QDir dir(root_);
    for (const QString &name :
         dir.entryList({QLatin1Char('*') + suffix}, QDir::Dirs | QDir::System))
      if (const QString path = dir.filePath(name + QStringLiteral("/brightness")); lit(path))
        leds_ << path;
  }
  if (wasGlobal != isGlobal(vk)) Q_EMIT globalChanged();
}

int LedKeySource::GetKeyState(int vk) {
  if (vk != watched_ || leds_.isEmpty()) return 0;
  bool any = false, readable = false;
  for (const QString &path : std::as_const(leds_)) {
    if (const std::optional<bool> on = lit(path)) {
      readable = true;
      any = any || *on;
    }
  }
  if (!readable) {
    // The keyboard went away (or its files did): others answer from now on.
    leds_.clear();
    QTimer::singleShot(0, this, [this] { Q_EMIT globalChanged(); });
  }
  return any ? 1 : 0;
}

}  // namespace tv::keystate
