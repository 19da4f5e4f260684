#include "irc/ClsIRCProxy.h"

#include "ircsock/IrcBusContract.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

namespace tv::irc {
namespace {

using namespace tv::ircsock;

const QStringList kSignals = {
    QStringLiteral("ircConnected"), QStringLiteral("ircConnectTimeOut"),
    QStringLiteral("ircClose"),     QStringLiteral("ircDataArrival"),
    QStringLiteral("ircPING"),      QStringLiteral("ircSysMsg"),
};

// Errors that mean "the bus could not start TvIRC for us", as opposed to a TvIRC that
// answered with an error.
bool isActivationFailure(const QString &errorName) {
  return errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
         errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
         errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

QString describe(const QDBusMessage &reply) {
  if (reply.type() == QDBusMessage::ErrorMessage)
    return reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
  return QStringLiteral("応答の型が正しくありません (%1)").arg(reply.signature());
}

}  // namespace

ClsIRCProxy::ClsIRCProxy(QDBusConnection bus, QString appFolder, QObject *parent)
    : IrcLink(parent), bus_(std::move(bus)), appFolder_(std::move(appFolder)) {
  watcher_.setConnection(bus_);
  watcher_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
  connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
          &ClsIRCProxy::onComponentGone);
}

ClsIRCProxy::~ClsIRCProxy() { Release(); }

bool ClsIRCProxy::create() {
  if (failed_ || released_) return false;
  if (isCreated()) return true;
  if (!bus_.isConnected()) return fail(QStringLiteral("D-Bus のセッションバスに接続できません。"));

  const QDBusMessage request = QDBusMessage::createMethodCall(
      QString::fromLatin1(kBusService), QString::fromLatin1(kFactoryPath),
      QString::fromLatin1(kFactoryInterface), QStringLiteral("CreateObject"));
  QDBusMessage reply = bus_.call(request);
  if (reply.type() == QDBusMessage::ErrorMessage && isActivationFailure(reply.errorName())) {
    const QString activationError = describe(reply);
    if (!startProgram()) return fail(activationError + QStringLiteral("; ") + failureDetail_);
    reply = bus_.call(request);
  }
  if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("o"))
    return fail(describe(reply));

  path_ = reply.arguments().at(0).value<QDBusObjectPath>().path();
  owner_ = reply.service();
  watcher_.addWatchedService(owner_);
  subscribe(true);
  // TvIRC may have ended between its answer and the watch.
  if (!bus_.interface()->isServiceRegistered(owner_).value())
    return fail(QStringLiteral("TvIRC がセッションバスから消えました。"));
  return true;
}

bool ClsIRCProxy::startProgram() {
  const QString program = QDir(appFolder_).filePath(QStringLiteral("TvIRC"));
  if (!QFileInfo(program).isExecutable()) {
    failureDetail_ = QStringLiteral("%1 が見つからないか、実行できません。").arg(program);
    return false;
  }
  if (!QProcess::startDetached(program, {}, appFolder_)) {
    failureDetail_ = QStringLiteral("%1 を起動できませんでした。").arg(program);
    return false;
  }
  // Waiting without the event loop: nothing else of the pane may run half-way through
  // its connect routine.
  const QString service = QString::fromLatin1(kBusService);
  QDeadlineTimer deadline(kStartWaitMs);
  while (!bus_.interface()->isServiceRegistered(service).value()) {
    if (deadline.hasExpired()) {
      failureDetail_ =
          QStringLiteral("%1 を起動しましたが、5秒以内に応答がありませんでした。").arg(program);
      return false;
    }
    QThread::msleep(20);
  }
  return true;
}

std::optional<QString> ClsIRCProxy::ircGetData() {
  const QDBusMessage reply = call(QStringLiteral("ircGetData"));
  if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
  if (reply.signature() != QLatin1String("s")) {
    fail(describe(reply));
    return std::nullopt;
  }
  return reply.arguments().at(0).toString();
}

std::optional<QStringList> ClsIRCProxy::ircGetLines(int count) {
  if (failed_ || released_ || !isCreated()) {
    if (!failed_) fail(QStringLiteral("clsIRC オブジェクトがありません。"));
    return std::nullopt;
  }
  // One connection's calls to one peer arrive in order and TvIRC answers them in order,
  // so the lines come back as single calls would return them.
  QList<QDBusPendingCall> pending;
  for (int i = 0; i < count; ++i)
    pending.append(bus_.asyncCall(request(QStringLiteral("ircGetData")), kCallTimeoutMs));
  QStringList lines;
  for (QDBusPendingCall &p : pending) {
    p.waitForFinished();
    const QDBusMessage reply = p.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("s")) {
      fail(QStringLiteral("ircGetData: ") + describe(reply));
      return std::nullopt;
    }
    const QString line = reply.arguments().at(0).toString();
    if (!line.isEmpty()) lines.append(line);
  }
  return lines;
}

bool ClsIRCProxy::ircSendData(const QString &strTxt) {
  return call(QStringLiteral("ircSendData"), {strTxt}).type() == QDBusMessage::ReplyMessage;
}

bool ClsIRCProxy::ircQuickSend(const QString &strTxt) {
  return call(QStringLiteral("ircQuickSend"), {strTxt}).type() == QDBusMessage::ReplyMessage;
}

std::optional<bool> ClsIRCProxy::IsThereRxMessage() {
  const auto value = property(QStringLiteral("IsThereRxMessage"));
  if (!value) return std::nullopt;
  return value->toBool();
}

std::optional<bool> ClsIRCProxy::IsActive() {
  const auto value = property(QStringLiteral("IsActive"));
  if (!value) return std::nullopt;
  return value->toBool();
}

std::optional<QString> ClsIRCProxy::GetLocalIP() {
  const auto value = property(QStringLiteral("GetLocalIP"));
  if (!value) return std::nullopt;
  return value->toString();
}

bool ClsIRCProxy::ircClose() {
  return call(QStringLiteral("ircClose")).type() == QDBusMessage::ReplyMessage;
}

bool ClsIRCProxy::DoConnect(const QString &strIP, const QString &strPORT) {
  return call(QStringLiteral("DoConnect"), {strIP, strPORT}).type() == QDBusMessage::ReplyMessage;
}

bool ClsIRCProxy::ircPONG() {
  return call(QStringLiteral("ircPONG")).type() == QDBusMessage::ReplyMessage;
}

void ClsIRCProxy::Release() {
  if (released_) return;
  released_ = true;
  if (!isCreated()) return;
  subscribe(false);
  watcher_.removeWatchedService(owner_);
  // Also after a failed call: a TvIRC that still runs must not keep the object, whose
  // pings nobody answers any more. Nothing waits for the answer.
  bus_.send(QDBusMessage::createMethodCall(owner_, path_, QString::fromLatin1(kObjectInterface),
                                           QStringLiteral("Release")));
}

QDBusMessage ClsIRCProxy::call(const QString &member, const QVariantList &arguments) {
  if (failed_ || released_ || !isCreated()) {
    if (!failed_) fail(QStringLiteral("clsIRC オブジェクトがありません。"));
    return QDBusMessage();
  }
  QDBusMessage message = request(member);
  message.setArguments(arguments);
  const QDBusMessage reply = bus_.call(message, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    fail(member + QStringLiteral(": ") + describe(reply));
    return QDBusMessage();
  }
  return reply;
}

QDBusMessage ClsIRCProxy::request(const QString &member) const {
  QDBusMessage message =
      QDBusMessage::createMethodCall(owner_, path_, QString::fromLatin1(kObjectInterface), member);
  // Addressed to TvIRC's unique name: a new TvIRC started by someone else must not
  // receive calls meant for an object of the old one.
  message.setAutoStartService(false);
  return message;
}

std::optional<QVariant> ClsIRCProxy::property(const QString &name) {
  if (failed_ || released_ || !isCreated()) {
    if (!failed_) fail(QStringLiteral("clsIRC オブジェクトがありません。"));
    return std::nullopt;
  }
  QDBusMessage request = QDBusMessage::createMethodCall(
      owner_, path_, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  request.setArguments({QString::fromLatin1(kObjectInterface), name});
  request.setAutoStartService(false);
  const QDBusMessage reply = bus_.call(request, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("v")) {
    fail(name + QStringLiteral(": ") + describe(reply));
    return std::nullopt;
  }
  return reply.arguments().at(0).value<QDBusVariant>().variant();
}

bool ClsIRCProxy::fail(const QString &detail) {
  if (!failed_) {
    failed_ = true;
    failureDetail_ = detail;
  }
  return false;
}

void ClsIRCProxy::subscribe(bool on) {
  const QString interface = QString::fromLatin1(kObjectInterface);
  for (const QString &name : kSignals) {
    if (on)
      bus_.connect(owner_, path_, interface, name, this, SLOT(onBusSignal(QDBusMessage)));
    else
      bus_.disconnect(owner_, path_, interface, name, this, SLOT(onBusSignal(QDBusMessage)));
  }
}

void ClsIRCProxy::onBusSignal(const QDBusMessage &message) {
  if (failed_ || released_ || message.service() != owner_ || message.path() != path_) return;
  const QString member = message.member();
  const QString signature = message.signature();
  const QVariantList args = message.arguments();
  if (member == QLatin1String("ircDataArrival") && signature.isEmpty()) {
    Q_EMIT ircDataArrival();
  } else if (member == QLatin1String("ircPING") && signature.isEmpty()) {
    Q_EMIT ircPING();
  } else if (member == QLatin1String("ircConnected") && signature == QLatin1String("ss")) {
    Q_EMIT ircConnected(args.at(0).toString(), args.at(1).toString());
  } else if (member == QLatin1String("ircConnectTimeOut") && signature.isEmpty()) {
    Q_EMIT ircConnectTimeOut();
  } else if (member == QLatin1String("ircClose") && signature.isEmpty()) {
    Q_EMIT ircClosed();
  } else if (member == QLatin1String("ircSysMsg") && signature == QLatin1String("v")) {
    Q_EMIT ircSysMsg(args.at(0).value<QDBusVariant>().variant());
  }
}

void ClsIRCProxy::onComponentGone() {
  if (failed_ || released_) return;
  fail(QStringLiteral("TvIRC がセッションバスから消えました。"));
  Q_EMIT linkBroken();
}

}  // namespace tv::irc
