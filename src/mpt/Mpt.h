#pragma once

// The unit's MIDI program table: which preset each incoming program change selects. Its byte
// image is both the unit's MPT dump and the .mpt file.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <stdexcept>

class QIODevice;

class EMptError : public std::runtime_error {
 public:
  explicit EMptError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

class Tmpt {
 public:
  static constexpr int EntryCount = 200;
  static constexpr int PreKineticEntryCount = 128;

  std::array<std::uint8_t, 5> Header{};
  std::array<std::int32_t, EntryCount> Entries{};
  std::uint8_t Trailer = 0xF7;

  // A new table: header from the protocol values as they stand now, identity mapping.
  Tmpt();

  // Number of entries that travel in the image in the current mode (200, or 128 Pre-Kinetic).
  static int ImageEntryCount();

  // Reads MptDumpLength bytes from the start of the stream in one piece; a short stream raises
  // "Stream read error" and changes nothing.
  void LoadFromStream(QIODevice& stream);
  void LoadFromImage(const QByteArray& image);
  // Writes the image: header, the entry pairs, trailer.
  void SaveToStream(QIODevice& stream) const;
  QByteArray Image() const;

  // Program change n selects preset n again.
  void SetDefaultEntries();

  std::int32_t Entry(int i) const { return Entries.at(static_cast<std::size_t>(i)); }
  void SetEntry(int i, std::int32_t presetIndex) {
    Entries.at(static_cast<std::size_t>(i)) = presetIndex;
  }
};
