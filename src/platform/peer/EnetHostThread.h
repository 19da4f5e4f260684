#pragma once
// The ENet host of one transport and the service thread that owns it. The thread
// blocks in poll() on the socket and a wake-up descriptor (and wakes when ENet's next
// timer is due: every few milliseconds while it has work outstanding), applies the commands queued
// to it, and queues the events ENet produced, in order, calling the owner's notifier when some
// wait.
//
// The owner (EnetTransport, on the UI thread) may let go of it while it still says
// goodbye: stop() returns at once, and the thread ends every link, waits for them to
// close for at most the grace given, frees the port and ends. Whoever holds the last
// reference joins the thread then (EnetClosings keeps such hosts until they are done).
//
// Threading: every public member is called from one owner thread; the rest runs on the
// service thread. The queues, the notifier and the round-trip table are shared under
// their mutexes.

#include "platform/peer/PeerResult.h"
#include "platform/peer/PeerTypes.h"
#include "platform/peer/Transport.h"

#include <QByteArray>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

struct _ENetHost;
struct _ENetPeer;
struct _ENetEvent;

namespace tv::peer {

class EnetHostThread {
 public:
  struct Command {
    enum Kind { Connect, Send, Datagram, Disconnect, Trust, Routes, Voice } kind;
    LinkId link = 0;
    Endpoint endpoint;
    quint8 channel = 0;
    QByteArray bytes;
    std::shared_ptr<const VoiceRoutes> routes = {};
    std::shared_ptr<audio::VoicePath> path = {};
  };
  struct Event {
    enum Kind { Up, Down, Frame, Datagram } kind;
    LinkId link = 0;
    Endpoint endpoint;
    quint8 channel = 0;
    QByteArray bytes;
  };
  // Called on the service thread when events start waiting; it must only schedule
  // their collection (takeEvents) on the owner's thread.
  using Notifier = std::function<void()>;

  explicit EnetHostThread(const PeerConfig &config);
  // Stops without grace and joins the thread.
  ~EnetHostThread();
  EnetHostThread(const EnetHostThread &) = delete;
  EnetHostThread &operator=(const EnetHostThread &) = delete;

  // Binds the UDP port (0: any free one) and starts the thread.
  Result open(quint16 port, Notifier notifier);
  Endpoint localEndpoint() const { return local_; }
  // Open and not stopped.
  bool accepting() const { return thread_.joinable() && !stopping_; }

  LinkId newLinkId() { return ++lastLink_; }
  void post(Command command);
  std::deque<Event> takeEvents();
  quint32 roundTripMs(LinkId link) const;

  // No more commands, events or notifications from here on. The thread applies the
  // commands already queued (goodbyes among them), ends every link, waits at most
  // graceMs for them to close, frees the port and ends. Returns at once.
  void stop(int graceMs);
  // Waits for the thread to end.
  void join();
  // The thread has ended (the port is free).
  bool finished() const { return finished_; }

 private:
  void run();
  void applyCommands();
  void sendVoice();
  void serviceOnce();
  // How long poll() may block: at most untilRefreshMs, less when ENet needs servicing.
  int sleepMs(int untilRefreshMs) const;
  void handle(const _ENetEvent &event);
  void configurePeer(_ENetPeer *peer) const;
  void checkSilence();
  // Forgets a link that ENet no longer reports on.
  void forget(LinkId link);
  void checkStrangers();
  void dropNow(LinkId link);
  int detectionLimitMs() const;
  void pushEvent(Event event);
  void updateRoundTrips();
  void endLink(LinkId link);
  void closeLinks(int graceMs);
  void wake();
  static int intercept(_ENetHost *host, _ENetEvent *event);

  const PeerConfig config_;
  _ENetHost *host_ = nullptr;
  Endpoint local_;
  std::thread thread_;
  int wakeFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> finished_{false};
  std::atomic<int> graceMs_{0};
  std::atomic<LinkId> lastLink_{0};

  std::mutex mutex_;  // guards commands_, events_, notifier_, notified_
  std::deque<Command> commands_;
  std::deque<Event> events_;
  Notifier notifier_;
  bool notified_ = false;  // the owner has been told and has not collected yet

  mutable std::mutex rttMutex_;
  std::unordered_map<LinkId, quint32> rtt_;

  // Service thread only.
  std::unordered_map<LinkId, _ENetPeer *> peers_;
  std::unordered_set<LinkId> strangers_;         // incoming links not yet trusted
  std::unordered_map<LinkId, quint32> upSince_;  // ENet service time each link came up
  VoiceRouter voice_;
};

}  // namespace tv::peer
