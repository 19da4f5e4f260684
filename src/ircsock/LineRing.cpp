#include "ircsock/LineRing.h"

namespace tv::ircsock {

bool LineRing::push(QString line) {
  bool dropped = false;
  if (isFull()) {
    slots_[read_] = QString();
    read_ = next(read_);
    dropped = true;
  }
  slots_[write_] = std::move(line);
  write_ = next(write_);
  return dropped;
}

QString LineRing::pop() {
  if (isEmpty()) return QString();
  QString line = std::move(slots_[read_]);
  slots_[read_] = QString();
  read_ = next(read_);
  return line;
}

void LineRing::clear() {
  for (QString &slot : slots_) slot = QString();
  read_ = 0;
  write_ = 0;
}

void LineRing::restartWith(QString line) {
  clear();
  slots_[0] = std::move(line);
  write_ = 1;
}

}  // namespace tv::ircsock
