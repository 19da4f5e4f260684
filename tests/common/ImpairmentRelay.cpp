#include "common/ImpairmentRelay.h"

#include <QTimer>

namespace tv::test {

ImpairmentRelay::ImpairmentRelay(quint16 serverPort, Impairment impairment, quint32 seed)
    : server_(serverPort), impairment_(impairment), random_(seed) {
  socket_.bind(QHostAddress::LocalHost, 0);
  connect(&socket_, &QUdpSocket::readyRead, this, &ImpairmentRelay::relay);
}

void ImpairmentRelay::relay() {
  while (socket_.hasPendingDatagrams()) {
    QHostAddress from;
    quint16 fromPort = 0;
    QByteArray d(int(socket_.pendingDatagramSize()), Qt::Uninitialized);
    socket_.readDatagram(d.data(), d.size(), &from, &fromPort);
    const bool fromServer = fromPort == server_;
    if (!fromServer) client_ = fromPort;
    const quint16 to = fromServer ? client_ : server_;
    if (int(random_.bounded(100)) < impairment_.lossPercent ||
        (fromServer && impairment_.serverLimit >= 0 && ++fromServer_ > impairment_.serverLimit)) {
      ++counts_.dropped;
      continue;
    }
    const int copies =
        impairment_.duplicatePercent > 0 && int(random_.bounded(100)) < impairment_.duplicatePercent
            ? 2
            : 1;
    counts_.duplicated += copies - 1;
    for (int i = 0; i < copies; ++i) deliver(d, to);
  }
}

void ImpairmentRelay::deliver(const QByteArray &datagram, quint16 to) {
  const int spread = impairment_.maxDelayMs - impairment_.minDelayMs;
  const int delay = impairment_.minDelayMs + (spread > 0 ? int(random_.bounded(spread + 1)) : 0);
  ++counts_.datagrams;
  counts_.bytes += datagram.size();
  QTimer::singleShot(delay, Qt::PreciseTimer, this, [this, datagram, to] {
    socket_.writeDatagram(datagram, QHostAddress::LocalHost, to);
  });
}

}  // namespace tv::test
