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
  static constexpr std::uint8_t DumpCommand = 0x13;
  static constexpr std::uint8_t PreKineticDumpCommand = 0x0C;
  static constexpr int ImageSize = 5 + 2 * EntryCount + 1;                      // 406
  static constexpr int PreKineticImageSize = 5 + 2 * PreKineticEntryCount + 1;  // 262

  std::array<std::uint8_t, 5> Header{};
  std::array<std::int32_t, EntryCount> Entries{};
  std::uint8_t Trailer = 0xF7;

  // A new table: header from the protocol values as they stand now, identity mapping. The table
  // keeps the mode it was made in (its image length and command byte) until it is told to
  // follow another with SetPreKinetic, so its header and length never disagree.
  Tmpt();

  // Number of entries that travel in the image in the program's current mode (200, or 128
  // Pre-Kinetic).
  static int ImageEntryCount();

  bool PreKinetic() const { return preKinetic_; }
  // Lays the table out for a mode: its image length and the command byte of its header follow;
  // the entries stay (those beyond 128 then neither travel nor are read).
  void SetPreKinetic(bool on);
  // Entries in this table's image: 200, or 128 Pre-Kinetic.
  int EntriesInImage() const { return preKinetic_ ? PreKineticEntryCount : EntryCount; }
  // 406, or 262 Pre-Kinetic.
  int ImageLength() const { return preKinetic_ ? PreKineticImageSize : ImageSize; }

  // Reads ImageLength() bytes from the start of the stream in one piece; a short stream raises
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

 private:
  bool preKinetic_ = false;
};

// Why a table image of `length` bytes cannot go to the unit in the program's current mode (a
// table laid out for the other mode would be neither kind of table to the unit); empty when it
// can.
QString MptSendProblem(qint64 length);
