#pragma once

// Writing a file whole or not at all, for every save the program makes: preset files, program
// tables, the message buffer and backups.

#include <QString>
#include <memory>

class QFileDevice;
class QIODevice;

// A regular file (or a new one) is written beside the old one and put in its place only by
// Commit, so a failed or abandoned write leaves the old file whole and nothing half-written. A
// character device named as the file (/dev/null, say) cannot be replaced: it is written directly,
// and a write it refuses is reported as a failed commit. A pipe, socket or disk device is refused
// at Open: a pipe nobody reads would never let the open return, and a disk is no file.
class TWholeFileWriter {
 public:
  explicit TWholeFileWriter(const QString& fileName);
  ~TWholeFileWriter();
  TWholeFileWriter(const TWholeFileWriter&) = delete;
  TWholeFileWriter& operator=(const TWholeFileWriter&) = delete;

  // False when the file cannot be written at all; ErrorString says why.
  bool Open();
  // Where the content goes, between Open and Commit.
  QIODevice& Device();
  // Puts the written content in place; false (with ErrorString) when any of it failed, in which
  // case a regular file is left as it was.
  bool Commit();
  // Abandons what was written; a regular file is left as it was.
  void Cancel();
  QString ErrorString() const;

 private:
  std::unique_ptr<QFileDevice> file_;
  bool direct_ = false;
  bool refused_ = false;
  QString error_;  // the reason of a failed commit, kept past the cancel that follows it
};

// Writes the bytes as the file's whole content; an empty text when it worked, otherwise the file
// system's reason.
QString WriteWholeFile(const QString& fileName, const QByteArray& bytes);
