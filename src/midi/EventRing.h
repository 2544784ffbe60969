#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// One received message as the driver callback records it: 12 bytes, no allocation.
struct TRingSlot {
  std::uint32_t Time = 0;      // driver time stamp
  std::uint32_t ShortMsg = 0;  // status | data1 << 8 | data2 << 16, or 0 for a long message
  std::uint32_t Buffer = 0;    // receive buffer number + 1 of a long message, 0 for a short one
};
static_assert(sizeof(TRingSlot) == 12);

// Fixed single-producer, single-consumer ring of events. The driver thread puts, the GUI thread
// reads and removes; the count is the only state both touch, and it is atomic.
class TEventRing {
 public:
  explicit TEventRing(std::uint16_t capacity)
      : capacity_(capacity), slots_(std::make_unique<TRingSlot[]>(capacity ? capacity : 1)) {}

  std::uint16_t Capacity() const { return capacity_; }
  std::uint16_t Count() const {
    return static_cast<std::uint16_t>(count_.load(std::memory_order_acquire));
  }

  // Producer side. False when full: the event is lost.
  bool Put(const TRingSlot& slot) {
    if (count_.load(std::memory_order_acquire) >= capacity_) return false;
    slots_[put_] = slot;
    if (++put_ == capacity_) put_ = 0;
    count_.fetch_add(1, std::memory_order_release);
    return true;
  }

  // Consumer side: copy the oldest slot without removing it.
  bool Read(TRingSlot& slot) const {
    if (count_.load(std::memory_order_acquire) == 0) return false;
    slot = slots_[get_];
    return true;
  }
  bool Remove() {
    if (count_.load(std::memory_order_acquire) == 0) return false;
    if (++get_ == capacity_) get_ = 0;
    count_.fetch_sub(1, std::memory_order_release);
    return true;
  }

 private:
  const std::uint16_t capacity_;
  std::unique_ptr<TRingSlot[]> slots_;
  std::uint32_t put_ = 0;  // producer only
  std::uint32_t get_ = 0;  // consumer only
  std::atomic<std::uint32_t> count_{0};
};
