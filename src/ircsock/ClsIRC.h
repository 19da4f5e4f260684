#pragma once
// One IRC server connection held on behalf of one client (an IRC pane in another
// process). It turns the server's ISO-2022-JP byte stream into lines waiting in a
// receive ring, paces outgoing lines at one per sendMs through a send ring, reports
// connect, connect time-out and remote close, and pings its client every pingMs.
//
// Threading: UI-less, one event loop thread. Signals are emitted synchronously from
// inside socket and timer handlers and from the calls below; a receiver may call back
// into the object (ircGetData, IsThereRxMessage, ircPONG) from its slot.
//
// Lifetime: destroying the object closes the socket without raising any event.

#include "ircsock/Iso2022JpDecoder.h"
#include "ircsock/LineRing.h"

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

namespace tv::ircsock {

class ClsIRC : public QObject {
  Q_OBJECT

 public:
  struct Timings {
    int sendMs = 2000;     // timSend: one outgoing line per tick
    int connectMs = 5000;  // timConnect: DoConnect gives up after this long
    int pingMs = 10000;    // timPING: the client must answer each ping within this
  };

  // Outgoing lines longer than this are refused at once: no encoding of them can fit
  // the 2048-byte line limit.
  static constexpr qsizetype kMaxLineChars = 2046;

  explicit ClsIRC(QObject *parent = nullptr) : ClsIRC(Timings{}, parent) {}
  explicit ClsIRC(Timings timings, QObject *parent = nullptr);
  ~ClsIRC() override;

  // The oldest complete received line, or "" when none waits.
  QString ircGetData();
  // Queues one line (without CR LF). On an idle queue it leaves at once.
  void ircSendData(const QString &strTxt);
  // Discards every queued line, then queues this one.
  void ircQuickSend(const QString &strTxt);
  bool IsThereRxMessage() const { return !rx_.isEmpty(); }
  // True while the socket is anything but closed (looking up, connecting and closing
  // count as active).
  bool IsActive() const;
  // The socket's local address in dotted form; while no connection exists, the first
  // non-loopback IPv4 address of this machine.
  QString GetLocalIP() const;
  // Closes the socket if it is open. Raises no event.
  void ircClose();
  // Closes any open socket, then connects to host:port. The decoder keeps its mode.
  void DoConnect(const QString &strIP, quint16 port);
  // The client's answer to ircPING.
  void ircPONG() { pong_ = true; }

  // The port of DoConnect's text argument: a decimal number 1-65535, surrounding blanks
  // allowed.
  static std::optional<quint16> portFromText(QStringView strPORT);
  // A host name or address DoConnect may be given: 1-255 characters, none of them
  // blanks, controls or characters that no host name or address contains.
  static bool isAcceptableHost(QStringView strIP);

 Q_SIGNALS:
  void ircConnected(const QString &strLIP, const QString &strSIP);
  void ircConnectTimeOut();
  // The server or the network closed the connection (the event "ircClose").
  void ircClosed();
  // One complete, non-empty line has been added to the receive ring.
  void ircDataArrival();
  void ircPING();
  // A notice for the user, in Japanese: lines that had to be dropped or cut.
  void ircSysMsg(const QString &strMsg);
  // The client left the last ping unanswered: the process hosting this object must end.
  void watchdogExpired();

 private:
  void onConnected();
  void onDisconnected();
  void onConnectTimeout();
  void onPingTimer();
  void pumpInput();
  void resumeInputLater();
  void kickIfIdle();
  void paceTick();
  void sendLine(const QString &line);
  void closeSocket();
  void discardInput();

  Timings timings_;
  QTcpSocket sckDmy_;
  QTimer timSend_;
  QTimer timConnect_;
  QTimer timPING_;

  Iso2022JpDecoder decoder_;
  LineRing rx_;
  LineRing tx_;
  bool sending_ = true;
  bool pong_ = true;

  // Bytes read from the socket but not yet decoded, kept while the receive ring is
  // full: decoding waits for the client to fetch, and the socket's bounded read buffer
  // passes the wait back to the server as TCP flow control. No line is dropped.
  QByteArray input_;
  qsizetype inputPos_ = 0;
  bool pumping_ = false;
  bool stalled_ = false;
  bool resumeQueued_ = false;
  // The peer closed while undecoded bytes remained; the event waits for them.
  bool closeAfterInput_ = false;
  // Set while this side closes the socket, so that the close raises no event.
  bool closingHere_ = false;
};

}  // namespace tv::ircsock
