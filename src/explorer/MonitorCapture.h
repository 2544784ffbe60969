#pragma once

// A recording of every event the window receives, streamed to a file as it arrives: either the
// raw bytes as received (a .syx or .bin file that can be loaded or sent again) or a text log of
// the monitor's lines with their time stamps. Nothing is kept in memory beyond one write buffer,
// so an hour of a dense stream costs disk space, not memory.

#include "midi/MidiEvent.h"

#include <QFile>
#include <QString>
#include <atomic>
#include <cstdint>
#include <string>

class TMonitorCapture {
 public:
  enum class TFormat { Raw, Text };
  // Bytes gathered before they are written to the file.
  static constexpr std::size_t WriteChunk = 64 * 1024;

  // A text log for ".txt" and ".log" files, raw bytes for anything else.
  static TFormat FormatFor(const QString& fileName);

  TMonitorCapture() = default;
  ~TMonitorCapture();
  TMonitorCapture(const TMonitorCapture&) = delete;
  TMonitorCapture& operator=(const TMonitorCapture&) = delete;

  // Creates (or empties) the file; the reason when it cannot be written, else empty.
  QString Start(const QString& fileName, TFormat format);
  bool Active() const { return file_.isOpen(); }
  TFormat Format() const { return format_; }
  const QString& FileName() const { return fileName_; }

  // Raw recording: the event's bytes as received.
  void AddRaw(const TMyMidiEvent& event);
  // Text recording: the time stamp in milliseconds, then the line.
  void AddLine(std::uint32_t time, const QString& line);

  // Writes what is gathered and closes the file; the first write error of the recording, or
  // empty when all of it reached the file.
  QString Stop();
  // A failed write ends the recording at once; this is why (empty while all is well).
  const QString& Error() const { return error_; }

  // Events and bytes recorded since Start. Events may be read from any thread.
  std::uint64_t Events() const { return events_.load(std::memory_order_acquire); }
  std::uint64_t Bytes() const { return bytes_; }

 private:
  void Count(std::size_t bytes) {
    bytes_ += bytes;
    events_.store(events_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    if (pending_.size() >= WriteChunk) WritePending();
  }
  void WritePending();

  QFile file_;
  QString fileName_;
  TFormat format_ = TFormat::Raw;
  std::string pending_;
  QString error_;
  std::atomic<std::uint64_t> events_{0};
  std::uint64_t bytes_ = 0;
};
