#pragma once

// Cutting a fuzz input into MIDI messages, for the targets that take message sequences.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

// Calls take(message) for each message of data[at..size): two length bytes (low first, the length
// taken modulo 1024 and cut to what is left), then that many bytes.
template <typename TTake>
void ForEachMessage(const std::uint8_t* data, std::size_t size, std::size_t at, TTake take) {
  while (at < size) {
    std::size_t length = data[at];
    if (at + 1 < size) length |= std::size_t(data[at + 1]) << 8;
    at += 2;
    if (at > size) break;
    length = std::min(length % 1024, size - at);
    take(std::span<const std::uint8_t>(data + at, length));
    at += length;
  }
}
