#include "ircsock/ClsIRC.h"

#include "ircsock/Iso2022JpEncoder.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace tv::ircsock {
namespace {

// Bytes Qt may hold for the socket before it stops reading from the kernel. Together
// with the receive ring this bounds what one connection buffers.
constexpr qint64 kSocketReadBuffer = 64 * 1024;

QString dotted(const QHostAddress &address) {
  bool isV4 = false;
  const quint32 v4 = address.toIPv4Address(&isV4);
  return isV4 ? QHostAddress(v4).toString() : address.toString();
}

QString sendDroppedText(int count) {
  return QStringLiteral("送信待ちの行が%1行を超えたため、古い行から%2行を破棄しました。")
      .arg(LineRing::kCapacity)
      .arg(count);
}

QString tooLongText() {
  return QStringLiteral(
             "送信する行が長すぎるため（ISO-2022-JPで%"
             "1バイトを超えます）、その行は送信しませんでした。")
      .arg(kMaxLineBytes);
}

QString cutText(qsizetype cut) {
  return QStringLiteral("受信した行が長すぎるため、%1文字を超えた部分（%2文字）を破棄しました。")
      .arg(Iso2022JpDecoder::kMaxLineChars)
      .arg(cut);
}

}  // namespace

ClsIRC::ClsIRC(Timings timings, QObject *parent)
    : QObject(parent),
      timings_(timings),
      sckDmy_(this),
      timSend_(this),
      timConnect_(this),
      timPING_(this) {
  sckDmy_.setReadBufferSize(kSocketReadBuffer);
  connect(&sckDmy_, &QTcpSocket::connected, this, &ClsIRC::onConnected);
  connect(&sckDmy_, &QTcpSocket::disconnected, this, &ClsIRC::onDisconnected);
  connect(&sckDmy_, &QTcpSocket::readyRead, this, &ClsIRC::pumpInput);
  connect(&timSend_, &QTimer::timeout, this, &ClsIRC::paceTick);
  connect(&timConnect_, &QTimer::timeout, this, &ClsIRC::onConnectTimeout);
  connect(&timPING_, &QTimer::timeout, this, &ClsIRC::onPingTimer);

  // The sending flag starts set, so a line queued before the first tick waits for it.
  timSend_.setInterval(timings_.sendMs);
  timSend_.start();
  timConnect_.setInterval(timings_.connectMs);
  timPING_.setInterval(timings_.pingMs);
  timPING_.start();
}

ClsIRC::~ClsIRC() {
  timSend_.stop();
  timConnect_.stop();
  timPING_.stop();
  closeSocket();
}

QString ClsIRC::ircGetData() {
  QString line = rx_.pop();
  if (stalled_ && !rx_.isFull()) resumeInputLater();
  return line;
}

void ClsIRC::ircSendData(const QString &strTxt) {
  if (strTxt.size() > kMaxLineChars) {
    Q_EMIT ircSysMsg(tooLongText());
    return;
  }
  if (tx_.push(strTxt)) Q_EMIT ircSysMsg(sendDroppedText(1));
  kickIfIdle();
}

void ClsIRC::ircQuickSend(const QString &strTxt) {
  if (strTxt.size() > kMaxLineChars) {
    tx_.clear();
    Q_EMIT ircSysMsg(tooLongText());
    return;
  }
  tx_.restartWith(strTxt);
  kickIfIdle();
}

bool ClsIRC::IsActive() const { return sckDmy_.state() != QAbstractSocket::UnconnectedState; }

QString ClsIRC::GetLocalIP() const {
  if (sckDmy_.state() == QAbstractSocket::ConnectedState) return dotted(sckDmy_.localAddress());
  const auto addresses = QNetworkInterface::allAddresses();
  for (const QHostAddress &address : addresses)
    if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
      return address.toString();
  return QHostAddress(QHostAddress::LocalHost).toString();
}

void ClsIRC::ircClose() {
  timConnect_.stop();
  closeSocket();
}

void ClsIRC::DoConnect(const QString &strIP, quint16 port) {
  closeSocket();
  sckDmy_.connectToHost(strIP, port);
  timConnect_.start();
}

std::optional<quint16> ClsIRC::portFromText(QStringView strPORT) {
  bool ok = false;
  const int port = strPORT.trimmed().toInt(&ok, 10);
  if (!ok || port < 1 || port > 65535) return std::nullopt;
  return quint16(port);
}

bool ClsIRC::isAcceptableHost(QStringView strIP) {
  if (strIP.isEmpty() || strIP.size() > 255) return false;
  for (const QChar ch : strIP) {
    if (ch.unicode() < 0x80) {
      if (!ch.isLetterOrNumber() && !QStringView(u".-_:[]%").contains(ch)) return false;
    } else if (!ch.isLetterOrNumber() && ch.category() != QChar::Mark_NonSpacing) {
      return false;
    }
  }
  return true;
}

void ClsIRC::onConnected() {
  timConnect_.stop();
  Q_EMIT ircConnected(dotted(sckDmy_.localAddress()), dotted(sckDmy_.peerAddress()));
}

void ClsIRC::onDisconnected() {
  if (closingHere_) return;
  // Whatever the socket still buffers belongs before the close.
  if (sckDmy_.bytesAvailable() > 0) {
    input_ = input_.mid(inputPos_) + sckDmy_.readAll();
    inputPos_ = 0;
  }
  timConnect_.stop();
  closeAfterInput_ = true;
  pumpInput();
}

void ClsIRC::onConnectTimeout() {
  timConnect_.stop();
  ircClose();
  Q_EMIT ircConnectTimeOut();
}

void ClsIRC::onPingTimer() {
  if (!pong_) {
    timPING_.stop();
    Q_EMIT watchdogExpired();
    return;
  }
  pong_ = false;
  Q_EMIT ircPING();
}

void ClsIRC::pumpInput() {
  if (pumping_) return;
  pumping_ = true;
  stalled_ = false;
  const auto sink = [this](QString &&line, qsizetype cut) {
    rx_.push(std::move(line));  // never full here: decoding stops first
    if (cut > 0) Q_EMIT ircSysMsg(cutText(cut));
    Q_EMIT ircDataArrival();
    return !rx_.isFull();
  };
  for (;;) {
    if (inputPos_ >= input_.size()) {
      input_.clear();
      inputPos_ = 0;
      if (sckDmy_.bytesAvailable() <= 0) break;
      input_ = sckDmy_.readAll();
      continue;
    }
    if (rx_.isFull()) {
      stalled_ = true;
      break;
    }
    inputPos_ += decoder_.feed(QByteArrayView(input_).sliced(inputPos_), sink);
  }
  pumping_ = false;
  if (closeAfterInput_ && !stalled_) {
    closeAfterInput_ = false;
    ircClose();
    Q_EMIT ircClosed();
  }
}

void ClsIRC::resumeInputLater() {
  if (resumeQueued_) return;
  resumeQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        resumeQueued_ = false;
        if (stalled_) pumpInput();
      },
      Qt::QueuedConnection);
}

void ClsIRC::kickIfIdle() {
  if (sending_) return;  // the running pacing timer will take the line
  timSend_.stop();
  paceTick();
  timSend_.start();
}

void ClsIRC::paceTick() {
  if (tx_.isEmpty()) {
    // Idle: nothing to pace until the next line, which ticks at once and restarts the
    // timer, so an idle object costs no wake-ups.
    sending_ = false;
    timSend_.stop();
    return;
  }
  sending_ = true;
  sendLine(tx_.pop());
}

void ClsIRC::sendLine(const QString &line) {
  const auto bytes = encodeIrcLine(line);
  if (!bytes) {
    // Only this line is lost; the connection stays up, and the user hears of it.
    Q_EMIT ircSysMsg(tooLongText());
    return;
  }
  if (sckDmy_.state() == QAbstractSocket::UnconnectedState) return;
  if (sckDmy_.write(*bytes) != bytes->size()) {
    ircClose();
    return;
  }
  sckDmy_.flush();
}

void ClsIRC::closeSocket() {
  discardInput();
  if (sckDmy_.state() == QAbstractSocket::UnconnectedState) return;
  closingHere_ = true;
  sckDmy_.abort();
  closingHere_ = false;
}

void ClsIRC::discardInput() {
  input_.clear();
  inputPos_ = 0;
  stalled_ = false;
  closeAfterInput_ = false;
}

}  // namespace tv::ircsock
