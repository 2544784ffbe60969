#include "PresetFile.h"

#include <QFile>
#include <QFileInfo>

#include "PresetError.h"
#include "WholeFileWriter.h"
#include "device/DeviceMessages.h"

bool IsValidPresetImage(const QByteArray& bytes) {
  // The size and the framing at the head make a preset file. Its last byte is only copied: the
  // program ends every dump it writes or sends with F7 whatever the file held there.
  return bytes.size() == PresetDumpLength && IsPresetDump(AsBytes(bytes));
}

QByteArray ReadPresetFile(const QString& fileName) {
  // A folder, pipe or device is no preset file; opening a pipe would wait for a writer forever.
  const QFileInfo info(fileName);
  if (info.exists() && !info.isFile()) throw EPresetError(NotValidPresetFileText);
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EPresetError(QStringLiteral("Cannot open %1: %2").arg(fileName, file.errorString()));
  // Anything longer than a dump is no preset file; reading one byte more is enough to know.
  const QByteArray bytes = file.read(PresetDumpLength + 1);
  if (!IsValidPresetImage(bytes)) throw EPresetError(NotValidPresetFileText);
  return bytes;
}

void LoadPresetFile(const QString& fileName, TPreset& preset) {
  const QByteArray bytes = ReadPresetFile(fileName);
  preset.LoadFromImage(AsBytes(bytes));
}

void SavePresetFile(const QString& fileName, TPreset& preset) {
  const TPresetImage image = preset.Encode();
  TWholeFileWriter file(fileName);
  if (!file.Open())
    throw EPresetError(QStringLiteral("Cannot create %1: %2").arg(fileName, file.ErrorString()));
  if (file.Device().write(reinterpret_cast<const char*>(image.data()), PresetDumpLength) !=
          PresetDumpLength ||
      !file.Commit())
    throw EPresetError(QStringLiteral("Cannot write %1: %2").arg(fileName, file.ErrorString()));
  preset.DumpImage = image;
  preset.Loaded = true;
}

int PresetNumberFromFileName(const QString& fileName) {
  const QString name = QFileInfo(fileName).fileName();
  const qsizetype at = name.lastIndexOf(QStringLiteral(".zqn"), -1, Qt::CaseInsensitive);
  if (at < 0) return -1;
  const QString tail = name.mid(at + 4, 3);
  if (tail.size() < 2) return -1;
  bool ok = false;
  const int number = tail.toInt(&ok, 10);
  return ok ? number : -1;
}

int FirstUnsendableByte(const TPresetImage& image) {
  for (std::size_t i = 1; i + 1 < image.size(); ++i)
    if (image[i] >= 0x80) return static_cast<int>(i);
  return -1;
}
