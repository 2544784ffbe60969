#pragma once

#include "midi/MidiDriver.h"

#include <cstdint>
#include <memory>

// Owns one driver buffer header and its data block. The header's user word points back here, so a
// header returned by the driver leads to its wrapper. Size 0 creates neither header nor block.
class TMyMidiHdr {
 public:
  explicit TMyMidiHdr(std::uint16_t size);
  TMyMidiHdr(const TMyMidiHdr&) = delete;
  TMyMidiHdr& operator=(const TMyMidiHdr&) = delete;

  TMidiHeader* Header() { return hdr_.get(); }
  std::uint8_t* Data() { return data_.get(); }
  std::uint16_t Size() const { return size_; }

  static TMyMidiHdr* FromHeader(const TMidiHeader* hdr) {
    return static_cast<TMyMidiHdr*>(hdr->dwUser);
  }

 private:
  std::uint16_t size_;
  std::unique_ptr<std::uint8_t[]> data_;
  std::unique_ptr<TMidiHeader> hdr_;
};
