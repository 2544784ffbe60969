#include "midi/MidiHdr.h"

TMyMidiHdr::TMyMidiHdr(std::uint16_t size) : size_(size) {
  if (size == 0) return;
  data_ = std::make_unique<std::uint8_t[]>(size);
  hdr_ = std::make_unique<TMidiHeader>();
  hdr_->lpData = data_.get();
  hdr_->dwBufferLength = size;
  hdr_->dwUser = this;
}
