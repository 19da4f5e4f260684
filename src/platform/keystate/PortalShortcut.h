#pragma once
// One shortcut as the desktop portal's GlobalShortcuts interface passes it: (sa{sv}),
// an ID and its properties ("description", "preferred_trigger", "trigger_description").

#include <QDBusArgument>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace tv::keystate {

struct PortalShortcut {
  QString id;
  QVariantMap properties;
};

inline QDBusArgument &operator<<(QDBusArgument &out, const PortalShortcut &s) {
  out.beginStructure();
  out << s.id << s.properties;
  out.endStructure();
  return out;
}

inline const QDBusArgument &operator>>(const QDBusArgument &in, PortalShortcut &s) {
  in.beginStructure();
  in >> s.id >> s.properties;
  in.endStructure();
  return in;
}

}  // namespace tv::keystate

Q_DECLARE_METATYPE(tv::keystate::PortalShortcut)
