#include "WholeFileWriter.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

TWholeFileWriter::TWholeFileWriter(const QString& fileName) {
  const QFileInfo info(fileName);
  // A save file would put a regular file in place of the device node.
  direct_ = info.exists() && !info.isFile() && !info.isDir();
#ifdef Q_OS_UNIX
  struct stat status {};
  if (direct_ && ::stat(QFile::encodeName(fileName).constData(), &status) == 0)
    refused_ = !S_ISCHR(status.st_mode);
#endif
  if (direct_)
    file_ = std::make_unique<QFile>(fileName);
  else
    file_ = std::make_unique<QSaveFile>(fileName);
}

TWholeFileWriter::~TWholeFileWriter() = default;

bool TWholeFileWriter::Open() {
  if (refused_) {
    error_ = QStringLiteral("Not a regular file");
    return false;
  }
  return file_->open(QIODevice::WriteOnly);
}

QIODevice& TWholeFileWriter::Device() {
  return *file_;
}

bool TWholeFileWriter::Commit() {
  // The bytes still buffered go out now; a device or a disk that refuses them shows here. Qt's
  // save file would not notice this last refusal and would put a short file in place of the old
  // one, so the flush is checked before it commits.
  const bool flushed = file_->flush() && file_->error() == QFileDevice::NoError;
  if (!flushed) error_ = file_->errorString();
  if (direct_) {
    file_->close();
    return flushed;
  }
  auto& save = static_cast<QSaveFile&>(*file_);
  if (!flushed) {
    save.cancelWriting();
    return false;
  }
  if (save.commit()) return true;
  // Qt gives no reason when the written copy cannot be renamed over the old file.
  error_ = save.error() == QFileDevice::UnspecifiedError
               ? QStringLiteral("The written file could not take the place of the old one")
               : save.errorString();
  return false;
}

void TWholeFileWriter::Cancel() {
  if (direct_) {
    file_->close();
    return;
  }
  // A save file may not be closed by hand; it removes what it wrote when it goes.
  static_cast<QSaveFile&>(*file_).cancelWriting();
}

QString TWholeFileWriter::ErrorString() const {
  return error_.isEmpty() ? file_->errorString() : error_;
}

QString WriteWholeFile(const QString& fileName, const QByteArray& bytes) {
  TWholeFileWriter writer(fileName);
  if (!writer.Open()) return writer.ErrorString();
  if (writer.Device().write(bytes) != bytes.size()) {
    const QString error = writer.ErrorString();
    writer.Cancel();
    return error;
  }
  if (!writer.Commit()) return writer.ErrorString();
  return {};
}
