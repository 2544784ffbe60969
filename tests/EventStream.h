#pragma once

// MIDI that keeps arriving while a test acts, as it does from a unit in use.

#include "midi/InProcessMidi.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

// A thread that sends control changes (B0 07 nn, nn counting up) on a device until it is
// stopped.
class TEventStream {
 public:
  explicit TEventStream(std::shared_ptr<TInProcessDevice> device, int intervalMs = 5)
      : device_(std::move(device)), thread_([this, intervalMs] {
          while (!stop_.load()) {
            const auto n = static_cast<std::uint8_t>(sent_.load() & 0x7F);
            const std::vector<std::uint8_t> message{0xB0, 0x07, n};
            if (device_->Send(message)) sent_.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
          }
        }) {}
  ~TEventStream() { Stop(); }
  TEventStream(const TEventStream&) = delete;
  TEventStream& operator=(const TEventStream&) = delete;
  void Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }
  int Sent() const { return sent_.load(); }

 private:
  std::shared_ptr<TInProcessDevice> device_;
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};
