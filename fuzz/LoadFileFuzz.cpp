// Arbitrary files to the main window's "load file into buffer". Input: a flag byte (bit 0: the
// file vanishes before it is loaded; bit 1: the name is a folder instead), then the file's bytes.
// A file that can be read fills the buffer with its first 10,000 bytes, which the buffer's text
// gives back when parsed; one that cannot leaves the buffer as it was, tied to no file.

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <cstring>

#include "FuzzWindow.h"

namespace {

TFuzzWindow* World = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  World = new TFuzzWindow(argc, argv, std::make_shared<TInProcessMidi>());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TfrmMain& window = *World->window;
  const bool vanished = data[0] & 1;
  const bool folder = data[0] & 2;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const qint64 length = qint64(size - 1);

  const QString name = World->dir.filePath(QStringLiteral("input.syx"));
  QFile::remove(name);
  QDir(name).removeRecursively();
  if (folder) {
    if (!QDir().mkdir(name)) std::abort();
  } else if (!vanished) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes, length) != length) std::abort();
  }

  // Something else in the buffer beforehand, so a failed load is seen to keep it.
  constexpr std::uint8_t before[] = {0xF0, 0x7D, 0xF7};
  std::memcpy(window.MessageBuffer.Bytes.data(), before, sizeof before);
  window.MessageBuffer.BufferLength = sizeof before;
  const bool loaded = window.LoadFileIntoBuffer(name);

  if (folder || vanished) {
    if (loaded || window.BufferLength() != qint32(sizeof before) ||
        !window.BufferSourceFile.isEmpty() ||
        std::memcmp(window.MessageBuffer.Bytes.data(), before, sizeof before) != 0)
      __builtin_trap();
    return 0;
  }
  const qint64 kept = std::min<qint64>(length, MsgBufferSize);
  if (!loaded || window.BufferLength() != kept || window.BufferSourceFile != name) __builtin_trap();
  if (std::memcmp(window.MessageBuffer.Bytes.data(), bytes, std::size_t(kept)) != 0)
    __builtin_trap();
  // The text shown is the buffer: parsing it back gives the same bytes.
  if (!window.ParseBuffer() || window.BufferLength() != kept) __builtin_trap();
  if (std::memcmp(window.MessageBuffer.Bytes.data(), bytes, std::size_t(kept)) != 0)
    __builtin_trap();
  return 0;
}
