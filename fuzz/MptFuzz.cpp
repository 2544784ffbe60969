// Arbitrary bytes as a program-table file, read in both unit modes: a short stream must be refused
// with EMptError and leave the table as it was; a long enough one must load, and the table's image
// must have the mode's length and give back every entry pair that was a valid value.

#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "device/DeviceMessages.h"
#include "mpt/Mpt.h"

namespace {

bool SameTable(const Tmpt& a, const Tmpt& b) {
  return a.Header == b.Header && a.Entries == b.Entries && a.Trailer == b.Trailer;
}

void ReadInMode(const QByteArray& in, bool preKinetic) {
  SetPreKineticMode(preKinetic);
  const int length = MptDumpLength;
  const int count = Tmpt::ImageEntryCount();
  if (length != 5 + 2 * count + 1) __builtin_trap();

  // A table that differs from a new one everywhere, so that any write by a refused read shows.
  Tmpt table;
  for (int i = 0; i < Tmpt::EntryCount; ++i) table.SetEntry(i, Tmpt::EntryCount - 1 - i);
  table.Header[2] = 0x0F;
  table.Trailer = 0x00;
  const Tmpt before = table;

  QByteArray copy = in;
  QBuffer reader(&copy);
  reader.open(QIODevice::ReadOnly);
  bool refused = false;
  try {
    table.LoadFromStream(reader);
  } catch (const EMptError& e) {
    refused = true;
    if (e.Message().isEmpty()) __builtin_trap();
    if (!SameTable(table, before)) __builtin_trap();
  }
  if (refused != (in.size() < length)) __builtin_trap();

  const QByteArray image = table.Image();
  if (image.size() != length) __builtin_trap();
  QByteArray out;
  QBuffer writer(&out);
  writer.open(QIODevice::WriteOnly);
  table.SaveToStream(writer);
  if (out != image) __builtin_trap();
  if (refused) {
    if (!SameTable(table, before)) __builtin_trap();
    return;
  }

  // Header and trailer travel unchanged; an entry pair of a low data byte and a high byte of 0 or
  // 1 is a value the image gives back as it came.
  for (int i = 0; i < 5; ++i)
    if (image[i] != in[i]) __builtin_trap();
  if (image[length - 1] != in[length - 1]) __builtin_trap();
  for (int i = 0; i < count; ++i) {
    const auto low = std::uint8_t(in[5 + 2 * i]);
    const auto high = std::uint8_t(in[6 + 2 * i]);
    if (low < 0x80 && high <= 1 &&
        (image[5 + 2 * i] != in[5 + 2 * i] || image[6 + 2 * i] != in[6 + 2 * i]))
      __builtin_trap();
  }
  // Entries the mode does not carry keep what they held.
  for (int i = count; i < Tmpt::EntryCount; ++i)
    if (table.Entry(i) != before.Entry(i)) __builtin_trap();

  // The image read back is the same table.
  Tmpt again = table;
  again.LoadFromImage(image);
  if (again.Image() != image) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
  ReadInMode(in, false);
  ReadInMode(in, true);
  SetPreKineticMode(false);
  return 0;
}
