#pragma once
// A ring of text lines with 1024 slots: a read index, a write index, empty when they
// are equal, so at most 1023 lines wait at once. Not thread-safe.

#include <QString>

#include <array>

namespace tv::ircsock {

class LineRing {
 public:
  static constexpr int kSlots = 1024;
  static constexpr int kCapacity = kSlots - 1;

  bool isEmpty() const { return read_ == write_; }
  bool isFull() const { return count() == kCapacity; }
  int count() const { return (write_ - read_ + kSlots) % kSlots; }

  // Stores the line at the write index and advances it. A full ring first gives up its
  // oldest line so that the writer never laps the reader; returns true when it did.
  bool push(QString line);

  // The oldest line, advancing the read index; "" when the ring is empty.
  QString pop();

  // Empties the ring: both indices back to slot 0.
  void clear();

  // Empties the ring and leaves `line` as its only entry, in slot 0.
  void restartWith(QString line);

 private:
  static int next(int index) { return (index + 1) % kSlots; }

  std::array<QString, kSlots> slots_;
  int read_ = 0;
  int write_ = 0;
};

}  // namespace tv::ircsock
