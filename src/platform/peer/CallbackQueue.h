#pragma once
// Delivers the service's callbacks on the UI thread: queued, in the order they were
// raised, one per event-loop turn. A handler that pumps the event loop (a pause) lets
// the next callback run inside it, as any other pending window event would. UI thread
// only.

#include <QObject>

#include <deque>
#include <functional>

namespace tv::peer {

class CallbackQueue : public QObject {
  Q_OBJECT
 public:
  using Item = std::function<void()>;

  explicit CallbackQueue(QObject *parent = nullptr) : QObject(parent) {}

  void push(Item item);
  // For callbacks the UI thread's own timers raise, never inside a call into the
  // service: with nothing waiting, delivers at once what the next turn would deliver
  // (saving a turn of the event loop); otherwise queues behind what waits.
  void deliverOrPush(Item item);
  // Drops every callback not yet delivered.
  void clear() { items_.clear(); }
  bool isEmpty() const { return items_.empty(); }

 private:
  void schedule();
  void deliverOne();

  std::deque<Item> items_;
  bool scheduled_ = false;
};

}  // namespace tv::peer
