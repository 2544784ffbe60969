#pragma once

// Preset files: a file holds exactly the unit's 246-byte preset dump, nothing before or after
// it. Backup runs add the preset number as three characters after the ".zqn" extension.

#include <QByteArray>
#include <QString>

#include "Preset.h"

// Filter of the open and save dialogs: plain ".zqn" files and numbered backup files.
inline const QString PresetFileFilter = QStringLiteral("ZQN-Tarvo presets (*.zqn*)");
inline const QString PresetFilePattern = QStringLiteral("*.zqn*");
inline const QString NotValidPresetFileText = QStringLiteral("Not a valid preset file");

// Whether the bytes are a whole preset file: 246 bytes with the dump's framing.
bool IsValidPresetImage(const QByteArray& bytes);

// Reads a preset file into the record. A file that cannot be read, or is no preset file, raises
// EPresetError and leaves the record exactly as it was.
void LoadPresetFile(const QString& fileName, TPreset& preset);
// Reads a preset file's bytes; raises EPresetError ("Not a valid preset file" for a wrong size or
// framing, or for a folder, pipe or device) without touching any record.
QByteArray ReadPresetFile(const QString& fileName);

// Writes the record's image to the file whole or not at all (TWholeFileWriter), so a failed write
// leaves an existing file whole; then the written image becomes the record's DumpImage (the record
// reads as not modified). Raises EPresetError with the file system's text when the file cannot be
// written.
void SavePresetFile(const QString& fileName, TPreset& preset);

// The number a backup file name carries after ".zqn" (up to three digits, at least two
// characters present), as in "Lead.zqn042" -> 42; -1 when the name carries none.
int PresetNumberFromFileName(const QString& fileName);

// Position of the first data byte of the image (between the framing bytes) that is 0x80 or more,
// which the unit would take as the end of the message; -1 when every data byte is sendable.
int FirstUnsendableByte(const TPresetImage& image);
