#include "platform/keystate/PortalKeySource.h"

#include "platform/keystate/PortalShortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace tv::keystate {
namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
const QString kShortcutId = QStringLiteral("talvora-mic-mute");

// An object path the portal may send as a string or as a path.
QString pathOf(const QVariant &value) {
  if (value.userType() == qMetaTypeId<QDBusObjectPath>())
    return value.value<QDBusObjectPath>().path();
  return value.toString();
}

}  // namespace

const QString PortalKeySource::kService = QStringLiteral("org.freedesktop.portal.Desktop");

PortalKeySource::PortalKeySource(const QDBusConnection &bus, QObject *parent)
    : KeyState(parent),
      bus_(bus),
      watcher_(new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForUnregistration,
                                       this)) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
  connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
    session_.clear();
    pendingPath_.clear();
    setBound(0);
  });
  bus_.connect(kService, kPath, kShortcuts, QStringLiteral("Activated"), this,
               SLOT(onActivated(QDBusMessage)));
}

PortalKeySource::~PortalKeySource() { closeSession(); }

void PortalKeySource::watch(int vk) {
  if (vk == watched_ && (bound_ == vk || !pendingPath_.isEmpty())) return;
  watched_ = vk;
  // A session's shortcuts are bound once: another key needs a new session.
  closeSession();
  setBound(0);
  if (vk == 0 || IsLockKey(vk) || !bus_.isConnected()) return;
  const QString token = QStringLiteral("talvora%1").arg(++tokens_);
  request(QStringLiteral("CreateSession"),
          {QVariantMap{{QStringLiteral("handle_token"), token},
                       {QStringLiteral("session_handle_token"), token}}});
}

void PortalKeySource::request(const QString &method, const QVariantList &arguments) {
  // The portal answers on a request object whose path it derives from our bus name and
  // the token; listening before the call means no answer can slip past.
  const QString token = QStringLiteral("talvorareq%1").arg(++tokens_);
  QVariantList args = arguments;
  QVariantMap options = args.takeLast().toMap();
  options.insert(QStringLiteral("handle_token"), token);
  args << options;
  QString sender = bus_.baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  const QString path = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
  if (!pendingPath_.isEmpty())
    bus_.disconnect(kService, pendingPath_, kRequest, QStringLiteral("Response"), this,
                    SLOT(onResponse(QDBusMessage)));
  pendingPath_ = path;
  pendingMethod_ = method;
  bus_.connect(kService, path, kRequest, QStringLiteral("Response"), this,
               SLOT(onResponse(QDBusMessage)));

  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kShortcuts, method);
  call.setArguments(args);
  auto *pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this,
          [this, path](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *w;
            if (path != pendingPath_) return;
            if (reply.isError()) {
              // No portal, or one without global shortcuts.
              pendingPath_.clear();
              setBound(0);
              return;
            }
            // Older portals choose the request path themselves.
            if (const QString handle = reply.value().path(); handle != path) {
              bus_.disconnect(kService, path, kRequest, QStringLiteral("Response"), this,
                              SLOT(onResponse(QDBusMessage)));
              pendingPath_ = handle;
              bus_.connect(kService, handle, kRequest, QStringLiteral("Response"), this,
                           SLOT(onResponse(QDBusMessage)));
            }
          });
}

void PortalKeySource::onResponse(const QDBusMessage &message) {
  if (message.path() != pendingPath_) return;
  bus_.disconnect(kService, pendingPath_, kRequest, QStringLiteral("Response"), this,
                  SLOT(onResponse(QDBusMessage)));
  pendingPath_.clear();
  const QVariantList args = message.arguments();
  const bool accepted = args.size() >= 2 && args.at(0).toUInt() == 0;
  const QVariantMap results =
      args.size() >= 2 ? qdbus_cast<QVariantMap>(args.at(1)) : QVariantMap();
  if (!accepted) return setBound(0);

  if (pendingMethod_ == QLatin1String("CreateSession")) {
    session_ = pathOf(results.value(QStringLiteral("session_handle")));
    if (session_.isEmpty()) return setBound(0);
    bus_.connect(kService, session_, kSession, QStringLiteral("Closed"), this,
                 SLOT(onSessionClosed(QDBusMessage)));
    return bindShortcut(session_);
  }
  // BindShortcuts: bound when the portal lists the shortcut with a trigger (an empty
  // description means the user left it without one).
  const auto shortcuts =
      qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts")));
  for (const PortalShortcut &s : shortcuts) {
    const QVariant trigger = s.properties.value(QStringLiteral("trigger_description"));
    if (s.id == kShortcutId && (!trigger.isValid() || !trigger.toString().isEmpty()))
      return setBound(watched_);
  }
  setBound(0);
}

void PortalKeySource::bindShortcut(const QString &sessionHandle) {
  const PortalShortcut shortcut{
      kShortcutId,
      {{QStringLiteral("description"), QStringLiteral("マイクミュートの切り替え")},
       {QStringLiteral("preferred_trigger"), QString::fromLatin1(TriggerName(watched_))}}};
  request(QStringLiteral("BindShortcuts"),
          {QVariant::fromValue(QDBusObjectPath(sessionHandle)),
           QVariant::fromValue(QList<PortalShortcut>{shortcut}), QString(), QVariantMap()});
}

void PortalKeySource::onActivated(const QDBusMessage &message) {
  const QVariantList args = message.arguments();
  if (bound_ == 0 || args.size() < 2) return;
  if (qdbus_cast<QDBusObjectPath>(args.at(0)).path() != session_) return;
  if (args.at(1).toString() == kShortcutId) presses_.press(bound_);
}

void PortalKeySource::onSessionClosed(const QDBusMessage &message) {
  if (message.path() != session_) return;
  session_.clear();
  setBound(0);
}

void PortalKeySource::closeSession() {
  if (!pendingPath_.isEmpty()) {
    bus_.disconnect(kService, pendingPath_, kRequest, QStringLiteral("Response"), this,
                    SLOT(onResponse(QDBusMessage)));
    pendingPath_.clear();
  }
  if (session_.isEmpty()) return;
  bus_.disconnect(kService, session_, kSession, QStringLiteral("Closed"), this,
                  SLOT(onSessionClosed(QDBusMessage)));
  bus_.asyncCall(
      QDBusMessage::createMethodCall(kService, session_, kSession, QStringLiteral("Close")));
  session_.clear();
}

void PortalKeySource::setBound(int vk) {
  if (vk == bound_) return;
  bound_ = vk;
  Q_EMIT globalChanged();
}

}  // namespace tv::keystate
