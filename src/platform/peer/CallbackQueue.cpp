#include "platform/peer/CallbackQueue.h"

namespace tv::peer {

void CallbackQueue::push(Item item) {
  items_.push_back(std::move(item));
  schedule();
}

void CallbackQueue::deliverOrPush(Item item) {
  if (!items_.empty() || scheduled_) {
    push(std::move(item));
    return;
  }
  item();
}

void CallbackQueue::schedule() {
  if (scheduled_ || items_.empty()) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, &CallbackQueue::deliverOne, Qt::QueuedConnection);
}

void CallbackQueue::deliverOne() {
  scheduled_ = false;
  if (items_.empty()) return;
  Item item = std::move(items_.front());
  items_.pop_front();
  // Scheduled before the handler runs, so that a pump inside it delivers the next one.
  schedule();
  item();
}

}  // namespace tv::peer
