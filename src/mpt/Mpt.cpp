#include "mpt/Mpt.h"

#include "device/DeviceMessages.h"
#include "preset/SplitByte.h"

#include <QIODevice>

Tmpt::Tmpt() : preKinetic_(PreKineticMode) {
  Header = {SysExStart, ManufacturerId, DeviceChannel, ModelId, CmdMptDump};
  SetDefaultEntries();
}

void Tmpt::SetPreKinetic(bool on) {
  preKinetic_ = on;
  Header[4] = on ? PreKineticDumpCommand : DumpCommand;
}

int Tmpt::ImageEntryCount() {
  return PreKineticMode ? PreKineticEntryCount : EntryCount;
}

void Tmpt::SetDefaultEntries() {
  for (int i = 0; i < EntryCount; ++i) Entries[static_cast<std::size_t>(i)] = i;
}

void Tmpt::LoadFromStream(QIODevice& stream) {
  if (!stream.seek(0)) throw EMptError(QStringLiteral("Stream read error"));
  const QByteArray image = stream.read(ImageLength());
  if (image.size() != ImageLength()) throw EMptError(QStringLiteral("Stream read error"));
  LoadFromImage(image);
}

void Tmpt::LoadFromImage(const QByteArray& image) {
  if (image.size() < ImageLength()) throw EMptError(QStringLiteral("Stream read error"));
  const auto* b = reinterpret_cast<const std::uint8_t*>(image.constData());
  for (int i = 0; i < 5; ++i) Header[static_cast<std::size_t>(i)] = b[i];
  const int count = EntriesInImage();
  for (int i = 0; i < count; ++i)
    Entries[static_cast<std::size_t>(i)] = TSplitByte().SetBytes(b[5 + 2 * i], b[6 + 2 * i]);
  Trailer = b[ImageLength() - 1];
}

QByteArray Tmpt::Image() const {
  QByteArray image;
  image.reserve(ImageLength());
  for (std::uint8_t h : Header) image.append(char(h));
  const int count = EntriesInImage();
  for (int i = 0; i < count; ++i) {
    const TSplitByte pair(Entries[static_cast<std::size_t>(i)]);
    image.append(char(pair.Low)).append(char(pair.High));
  }
  image.append(char(Trailer));
  return image;
}

void Tmpt::SaveToStream(QIODevice& stream) const {
  const QByteArray image = Image();
  if (stream.write(image) != image.size()) throw EMptError(QStringLiteral("Stream write error"));
}

QString MptSendProblem(qint64 length) {
  if (length == MptDumpLength) return {};
  const auto mode = [](bool preKinetic) {
    return preKinetic ? QStringLiteral("a Pre-Kinetic unit") : QStringLiteral("a current unit");
  };
  if (length == Tmpt::ImageSize || length == Tmpt::PreKineticImageSize) {
    const bool tableIsPreKinetic = length == Tmpt::PreKineticImageSize;
    return QStringLiteral("Not sent: the table is laid out for ") + mode(tableIsPreKinetic) +
           QStringLiteral(" (") + QString::number(length) +
           QStringLiteral(" bytes), but the program is set up for ") + mode(PreKineticMode) +
           QStringLiteral(" (") + QString::number(MptDumpLength) +
           QStringLiteral(" bytes). Open the table again in this mode.");
  }
  return QStringLiteral("Not sent: the table image is ") + QString::number(length) +
         QStringLiteral(" bytes long instead of ") + QString::number(MptDumpLength);
}
