#pragma once
// Host search on the session's UDP port: queries go out about once a second (or as the
// caller asks) until cancelled, and every answer from a session of the asked-for
// application becomes one enumHostsResponse. The host side answers queries here too.
// Answers are matched to the search that asked by its handle; a cancelled search's
// answers are dropped even when already queued for delivery.

#include "platform/peer/PeerAddress.h"
#include "platform/peer/PeerWire.h"

#include <QElapsedTimer>
#include <QTimer>

#include <map>
#include <memory>

namespace tv::peer {

class SessionPeer;

class HostSearch {
 public:
  explicit HostSearch(SessionPeer &peer);
  ~HostSearch();

  Result start(const ApplicationDesc &desc, const Address &host, qint32 retries, qint32 intervalMs,
               qint32 timeoutMs, quint32 &handle);
  Result cancel(quint32 handle);
  // Stops every search without a callback (the session is being closed).
  void cancelAll();
  bool isActive(quint32 handle) const { return searches_.count(handle) != 0; }

  void onQuery(const Endpoint &from, const wire::EnumQuery &query);
  void onAnswer(const Endpoint &from, const wire::EnumAnswer &answer);

 private:
  struct Search {
    QUuid applicationGuid;
    Endpoint target;  // null until the name is resolved
    qint32 queriesLeft = -1;
    int timeoutMs = -1;
    std::unique_ptr<QTimer> timer;
  };

  void query(quint32 handle);
  void finish(quint32 handle, Result result);
  quint32 now() const { return quint32(clock_.elapsed()); }

  SessionPeer &peer_;
  std::map<quint32, Search> searches_;
  quint32 lastHandle_ = 0;
  QElapsedTimer clock_;
  // Answers sent in the current second: a bound on what strangers can make us send.
  QElapsedTimer answerWindow_;
  int answersInWindow_ = 0;
};

}  // namespace tv::peer
