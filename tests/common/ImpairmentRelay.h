#pragma once
// A UDP relay between one client and one server port on loopback that impairs what it
// passes, in both directions: it loses a share of the datagrams, delays each by a random
// time in a range (so they may overtake each other) and sends a share of them twice;
// optionally every datagram of the server's after the first few is lost (a peer that
// answers and then goes silent). It counts what it passed. Runs on the thread that made it (its
// event loop must run).

#include <QObject>
#include <QRandomGenerator>
#include <QUdpSocket>

namespace tv::test {

class ImpairmentRelay : public QObject {
 public:
  struct Impairment {
    int lossPercent = 0;
    int minDelayMs = 0;
    int maxDelayMs = 0;
    int duplicatePercent = 0;
    int serverLimit = -1;  // >= 0: the server's datagrams after this many are all lost
  };
  struct Counts {
    qint64 datagrams = 0;  // delivered, duplicates included
    qint64 bytes = 0;      // their payload bytes
    qint64 dropped = 0;
    qint64 duplicated = 0;
  };

  ImpairmentRelay(quint16 serverPort, Impairment impairment, quint32 seed = 42);
  quint16 port() const { return socket_.localPort(); }
  void setImpairment(const Impairment &impairment) { impairment_ = impairment; }
  // Both directions together.
  Counts counts() const { return counts_; }

 private:
  void relay();
  void deliver(const QByteArray &datagram, quint16 to);

  QUdpSocket socket_;
  quint16 server_, client_ = 0;
  Impairment impairment_;
  QRandomGenerator random_;
  Counts counts_;
  int fromServer_ = 0;
};

}  // namespace tv::test
