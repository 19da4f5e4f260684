#include "ircsock/IrcBusAdaptor.h"

#include "ircsock/IrcBusContract.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <optional>

namespace tv::ircsock {
namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");

constexpr char kFactoryXml[] = R"(  <interface name="TvIRC.Factory">
    <method name="CreateObject">
      <arg name="path" type="o" direction="out"/>
    </method>
  </interface>
)";

// Members in the order of the component's interface; Release ends the object.
constexpr char kObjectXml[] = R"(  <interface name="TvIRC.clsIRC">
    <method name="ircGetData">
      <arg name="result" type="s" direction="out"/>
    </method>
    <method name="ircSendData">
      <arg name="strTxt" type="s" direction="in"/>
    </method>
    <method name="ircQuickSend">
      <arg name="strTxt" type="s" direction="in"/>
    </method>
    <property name="IsThereRxMessage" type="b" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
    </property>
    <property name="IsActive" type="b" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
    </property>
    <property name="GetLocalIP" type="s" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
    </property>
    <method name="ircClose"/>
    <method name="DoConnect">
      <arg name="strIP" type="s" direction="in"/>
      <arg name="strPORT" type="s" direction="in"/>
    </method>
    <method name="ircPONG"/>
    <method name="Release"/>
    <signal name="ircConnected">
      <arg name="strLIP" type="s"/>
      <arg name="strSIP" type="s"/>
    </signal>
    <signal name="ircConnectTimeOut"/>
    <signal name="ircClose"/>
    <signal name="ircDataArrival"/>
    <signal name="ircPING"/>
    <signal name="ircSysMsg">
      <arg name="strMsg" type="v"/>
    </signal>
  </interface>
)";

QString objectPath(quint32 id) {
  return QString::fromLatin1(kObjectFolder) + u'/' + QString::number(id);
}

// N of "/TvIRC/clsIRC/N": decimal, no leading zero.
std::optional<quint32> objectId(const QString &path) {
  const QString prefix = QString::fromLatin1(kObjectFolder) + u'/';
  if (!path.startsWith(prefix)) return std::nullopt;
  const QStringView digits = QStringView(path).sliced(prefix.size());
  if (digits.isEmpty() || digits.size() > 9 || digits.front() == u'0') return std::nullopt;
  for (const QChar ch : digits)
    if (ch < u'0' || ch > u'9') return std::nullopt;
  return digits.toUInt();
}

QDBusMessage error(const QDBusMessage &call, QDBusError::ErrorType type, const QString &text) {
  return call.createErrorReply(type, text);
}

}  // namespace

IrcBusAdaptor::IrcBusAdaptor(QDBusConnection bus, Options options, QObject *parent)
    : QDBusVirtualObject(parent), bus_(std::move(bus)), options_(options) {
  creators_.setConnection(bus_);
  creators_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
  connect(&creators_, &QDBusServiceWatcher::serviceUnregistered, this,
          &IrcBusAdaptor::onCreatorGone);
  linger_.setSingleShot(true);
  connect(&linger_, &QTimer::timeout, this, &IrcBusAdaptor::onLingerTimeout);
}

IrcBusAdaptor::~IrcBusAdaptor() {
  objects_.clear();
  if (ownsName_) bus_.unregisterService(QString::fromLatin1(kBusService));
  if (registered_)
    bus_.unregisterObject(QString::fromLatin1(kFactoryPath), QDBusConnection::UnregisterTree);
}

bool IrcBusAdaptor::start() {
  if (!bus_.isConnected()) return false;
  registered_ =
      bus_.registerVirtualObject(QString::fromLatin1(kFactoryPath), this, QDBusConnection::SubPath);
  if (!registered_) return false;
  const auto reply = bus_.interface()->registerService(
      QString::fromLatin1(kBusService), QDBusConnectionInterface::DontQueueService,
      QDBusConnectionInterface::DontAllowReplacement);
  ownsName_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
  if (!ownsName_) return false;
  linger_.start(options_.idleExitMs);
  return true;
}

QString IrcBusAdaptor::introspect(const QString &path) const {
  if (path == QLatin1String(kFactoryPath)) {
    QString xml = QString::fromLatin1(kFactoryXml);
    if (!objects_.empty()) xml += QStringLiteral("  <node name=\"clsIRC\"/>\n");
    return xml;
  }
  if (path == QLatin1String(kObjectFolder)) {
    QString xml;
    for (const auto &[id, entry] : objects_)
      xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(id);
    return xml;
  }
  const auto id = objectId(path);
  if (id && objects_.count(*id)) return QString::fromLatin1(kObjectXml);
  return QString();
}

bool IrcBusAdaptor::handleMessage(const QDBusMessage &message, const QDBusConnection &) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  // Qt answers Introspect from introspect() above.
  if (message.interface() == kIntrospectableInterface) return false;

  const QString path = message.path();
  if (path == QLatin1String(kFactoryPath)) {
    if (message.interface() == kPropertiesInterface) {
      properties(message, nullptr);
    } else if ((message.interface().isEmpty() ||
                message.interface() == QLatin1String(kFactoryInterface)) &&
               message.member() == QLatin1String("CreateObject")) {
      if (message.signature().isEmpty())
        createObject(message);
      else
        reply(error(message, QDBusError::InvalidArgs,
                    QStringLiteral("CreateObject は引数を取りません。")));
    } else {
      reply(error(message, QDBusError::UnknownMethod, message.member()));
    }
    return true;
  }

  const auto id = objectId(path);
  const auto it = id ? objects_.find(*id) : objects_.end();
  if (it == objects_.end()) {
    reply(error(message, QDBusError::UnknownObject, path));
    return true;
  }
  if (message.service() != it->second.creator) {
    reply(error(message, QDBusError::AccessDenied,
                QStringLiteral("このオブジェクトは作成した接続からしか操作できません。")));
    return true;
  }
  if (message.interface() == kPropertiesInterface)
    properties(message, &it->second);
  else if (message.interface().isEmpty() || message.interface() == QLatin1String(kObjectInterface))
    callObject(message, *id, it->second);
  else
    reply(error(message, QDBusError::UnknownInterface, message.interface()));
  return true;
}

void IrcBusAdaptor::createObject(const QDBusMessage &message) {
  if (int(objects_.size()) >= options_.maxObjects) {
    reply(error(message, QDBusError::LimitsExceeded,
                QStringLiteral("作成できるオブジェクトは%1個までです。").arg(options_.maxObjects)));
    return;
  }
  const QString creator = message.service();
  const quint32 id = nextId_++;
  auto irc = std::make_unique<ClsIRC>(options_.timings);
  wire(id, irc.get());
  objects_.emplace(id, Entry{std::move(irc), creator});
  linger_.stop();
  creators_.addWatchedService(creator);
  reply(message.createReply(QVariant::fromValue(QDBusObjectPath(objectPath(id)))));
  // The watch is in place now; a creator that left before it was cannot be seen by it.
  if (!bus_.interface()->isServiceRegistered(creator).value()) onCreatorGone(creator);
}

void IrcBusAdaptor::callObject(const QDBusMessage &message, quint32 id, Entry &entry) {
  ClsIRC &irc = *entry.irc;
  const QString member = message.member();
  const QString signature = message.signature();
  const QVariantList args = message.arguments();
  const auto wrongArgs = [&] {
    reply(error(message, QDBusError::InvalidArgs,
                QStringLiteral("%1 の引数が正しくありません。").arg(member)));
  };

  if (member == QLatin1String("ircGetData")) {
    if (!signature.isEmpty()) return wrongArgs();
    reply(message.createReply(irc.ircGetData()));
  } else if (member == QLatin1String("ircSendData") || member == QLatin1String("ircQuickSend")) {
    if (signature != QLatin1String("s")) return wrongArgs();
    // Reply first: the call may raise ircSysMsg, which belongs after the call's answer.
    reply(message.createReply());
    if (member == QLatin1String("ircSendData"))
      irc.ircSendData(args.at(0).toString());
    else
      irc.ircQuickSend(args.at(0).toString());
  } else if (member == QLatin1String("ircClose")) {
    if (!signature.isEmpty()) return wrongArgs();
    irc.ircClose();
    reply(message.createReply());
  } else if (member == QLatin1String("DoConnect")) {
    if (signature != QLatin1String("ss")) return wrongArgs();
    const QString host = args.at(0).toString();
    const auto port = ClsIRC::portFromText(args.at(1).toString());
    if (!ClsIRC::isAcceptableHost(host))
      return reply(error(message, QDBusError::InvalidArgs,
                         QStringLiteral("サーバのアドレスが正しくありません。")));
    if (!port)
      return reply(error(message, QDBusError::InvalidArgs,
                         QStringLiteral("ポート番号は1から65535の数字で指定してください。")));
    irc.DoConnect(host, *port);
    reply(message.createReply());
  } else if (member == QLatin1String("ircPONG")) {
    if (!signature.isEmpty()) return wrongArgs();
    irc.ircPONG();
    reply(message.createReply());
  } else if (member == QLatin1String("Release")) {
    if (!signature.isEmpty()) return wrongArgs();
    reply(message.createReply());
    release(id);
  } else {
    reply(error(message, QDBusError::UnknownMethod, member));
  }
}

void IrcBusAdaptor::properties(const QDBusMessage &message, const Entry *entry) {
  const QString member = message.member();
  const QString signature = message.signature();
  const QVariantList args = message.arguments();
  const QString objectInterface = QString::fromLatin1(kObjectInterface);

  QVariantMap values;
  if (entry) {
    values.insert(QStringLiteral("IsThereRxMessage"), entry->irc->IsThereRxMessage());
    values.insert(QStringLiteral("IsActive"), entry->irc->IsActive());
    values.insert(QStringLiteral("GetLocalIP"), entry->irc->GetLocalIP());
  }
  const auto interfaceKnown = [&](const QString &name) {
    return name.isEmpty() || (entry && name == objectInterface) ||
           (!entry && name == QLatin1String(kFactoryInterface));
  };

  if (member == QLatin1String("Get") && signature == QLatin1String("ss")) {
    const QString name = args.at(1).toString();
    if (!interfaceKnown(args.at(0).toString()) || !values.contains(name))
      return reply(error(message, QDBusError::UnknownProperty, name));
    reply(message.createReply(QVariant::fromValue(QDBusVariant(values.value(name)))));
  } else if (member == QLatin1String("GetAll") && signature == QLatin1String("s")) {
    if (!interfaceKnown(args.at(0).toString()))
      return reply(error(message, QDBusError::UnknownInterface, args.at(0).toString()));
    reply(message.createReply(values));
  } else if (member == QLatin1String("Set") && signature == QLatin1String("ssv")) {
    reply(error(message, QDBusError::PropertyReadOnly, args.at(1).toString()));
  } else {
    reply(error(message, QDBusError::UnknownMethod, member));
  }
}

void IrcBusAdaptor::wire(quint32 id, ClsIRC *irc) {
  connect(irc, &ClsIRC::ircConnected, this, [this, id](const QString &lip, const QString &sip) {
    sendSignal(id, QStringLiteral("ircConnected"), {lip, sip});
  });
  connect(irc, &ClsIRC::ircConnectTimeOut, this,
          [this, id] { sendSignal(id, QStringLiteral("ircConnectTimeOut")); });
  connect(irc, &ClsIRC::ircClosed, this,
          [this, id] { sendSignal(id, QStringLiteral("ircClose")); });
  connect(irc, &ClsIRC::ircDataArrival, this,
          [this, id] { sendSignal(id, QStringLiteral("ircDataArrival")); });
  connect(irc, &ClsIRC::ircSysMsg, this, [this, id](const QString &text) {
    sendSignal(id, QStringLiteral("ircSysMsg"), {QVariant::fromValue(QDBusVariant(text))});
  });
  connect(irc, &ClsIRC::ircPING, this, [this, id] {
    // A ping that cannot reach the client counts as unanswered.
    if (!sendSignal(id, QStringLiteral("ircPING"))) Q_EMIT finished(kExitWatchdog);
  });
  connect(irc, &ClsIRC::watchdogExpired, this, [this] { Q_EMIT finished(kExitWatchdog); });
}

bool IrcBusAdaptor::sendSignal(quint32 id, const QString &name, const QVariantList &arguments) {
  const auto it = objects_.find(id);
  if (it == objects_.end()) return false;
  QDBusMessage signal = QDBusMessage::createTargetedSignal(
      it->second.creator, objectPath(id), QString::fromLatin1(kObjectInterface), name);
  signal.setArguments(arguments);
  return bus_.send(signal);
}

void IrcBusAdaptor::release(quint32 id) {
  const auto it = objects_.find(id);
  if (it == objects_.end()) return;
  const QString creator = it->second.creator;
  objects_.erase(it);
  bool creatorHasMore = false;
  for (const auto &[other, entry] : objects_) creatorHasMore |= entry.creator == creator;
  if (!creatorHasMore) creators_.removeWatchedService(creator);
  afterRelease();
}

void IrcBusAdaptor::onCreatorGone(const QString &creator) {
  std::vector<quint32> ids;
  for (const auto &[id, entry] : objects_)
    if (entry.creator == creator) ids.push_back(id);
  for (const quint32 id : ids) release(id);
  creators_.removeWatchedService(creator);
}

void IrcBusAdaptor::afterRelease() {
  if (!objects_.empty()) return;
  // New clients start a fresh process from now on; calls already routed here are
  // still served while the linger timer runs.
  if (ownsName_) {
    bus_.unregisterService(QString::fromLatin1(kBusService));
    ownsName_ = false;
  }
  linger_.start(options_.lingerMs);
}

void IrcBusAdaptor::onLingerTimeout() {
  if (!objects_.empty() || finishing_) return;
  finishing_ = true;
  if (ownsName_) {
    bus_.unregisterService(QString::fromLatin1(kBusService));
    ownsName_ = false;
  }
  // A round trip to the bus: every reply sent before it has left this process.
  bus_.call(QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
  Q_EMIT finished(0);
}

void IrcBusAdaptor::reply(const QDBusMessage &reply) { bus_.send(reply); }

}  // namespace tv::ircsock
