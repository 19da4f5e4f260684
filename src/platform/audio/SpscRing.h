#pragma once
// A bounded single-producer single-consumer queue of fixed-size slots: one thread
// pushes, one other thread pops, neither blocks nor allocates after construction. The
// hand-off between the device threads, the network's service thread and the UI thread.
//
// Capacity is a power of two. push() fails (and the caller drops the item) when the
// queue is full; pop() fails when it is empty.

#include <atomic>
#include <cstddef>
#include <memory>

namespace tv::audio {

template <class T>
class SpscRing {
 public:
  explicit SpscRing(size_t capacity) : mask_(roundUp(capacity) - 1), slots_(new T[mask_ + 1]) {}
  SpscRing(const SpscRing &) = delete;
  SpscRing &operator=(const SpscRing &) = delete;

  size_t capacity() const { return mask_ + 1; }

  // Producer thread. `fill` writes the slot in place, so large items are not copied
  // twice.
  template <class Fill>
  bool pushWith(Fill &&fill) {
    const size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) > mask_) return false;
    fill(slots_[head & mask_]);
    head_.store(head + 1, std::memory_order_release);
    return true;
  }
  bool push(const T &item) {
    return pushWith([&](T &slot) { slot = item; });
  }

  // Consumer thread. `take` reads the slot in place.
  template <class Take>
  bool popWith(Take &&take) {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) return false;
    take(slots_[tail & mask_]);
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  bool pop(T &out) {
    return popWith([&](T &slot) { out = slot; });
  }

  // Either thread; a snapshot that may be stale by the time it is used.
  size_t size() const {
    return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_acquire);
  }

 private:
  static size_t roundUp(size_t n) {
    size_t p = 2;
    while (p < n) p <<= 1;
    return p;
  }

  const size_t mask_;
  std::unique_ptr<T[]> slots_;
  alignas(64) std::atomic<size_t> head_{0};  // written by the producer
  alignas(64) std::atomic<size_t> tail_{0};  // written by the consumer
};

}  // namespace tv::audio
