#include "explorer/MonitorCapture.h"

#include "midi/MidiDriver.h"

#include <QFileInfo>

TMonitorCapture::TFormat TMonitorCapture::FormatFor(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  return suffix == QLatin1String("txt") || suffix == QLatin1String("log") ? TFormat::Text
                                                                          : TFormat::Raw;
}

TMonitorCapture::~TMonitorCapture() {
  Stop();
}

QString TMonitorCapture::Start(const QString& fileName, TFormat format) {
  Stop();
  error_.clear();
  events_.store(0, std::memory_order_release);
  bytes_ = 0;
  pending_.clear();
  pending_.reserve(WriteChunk + 16 * 1024);
  format_ = format;
  fileName_ = fileName;
  file_.setFileName(fileName);
  // The gathering is done here, in chunks; the file's own buffer would only copy them again.
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
    return file_.errorString();
  return {};
}

void TMonitorCapture::AddRaw(const TMyMidiEvent& event) {
  if (!file_.isOpen()) return;
  if (event.MidiMessage == 0xF0) {
    pending_.append(event.Sysex.constData(), static_cast<std::size_t>(event.Sysex.size()));
    Count(static_cast<std::size_t>(event.Sysex.size()));
    return;
  }
  const int length = ShortMessageLength(event.MidiMessage);
  const char bytes[3] = {static_cast<char>(event.MidiMessage), static_cast<char>(event.Data1),
                         static_cast<char>(event.Data2)};
  pending_.append(bytes, static_cast<std::size_t>(length));
  Count(static_cast<std::size_t>(length));
}

void TMonitorCapture::AddLine(std::uint32_t time, const QString& line) {
  if (!file_.isOpen()) return;
  const std::size_t before = pending_.size();
  const std::string stamp = std::to_string(time);
  // Milliseconds right-aligned in ten places, so the lines of a long recording stay in columns.
  if (stamp.size() < 10) pending_.append(10 - stamp.size(), ' ');
  pending_ += stamp;
  pending_ += "  ";
  const QByteArray text = line.toUtf8();
  pending_.append(text.constData(), static_cast<std::size_t>(text.size()));
  pending_ += "\r\n";
  Count(pending_.size() - before);
}

void TMonitorCapture::WritePending() {
  if (pending_.empty() || !file_.isOpen()) return;
  const qint64 written = file_.write(pending_.data(), static_cast<qint64>(pending_.size()));
  if (written != static_cast<qint64>(pending_.size())) {
    error_ = file_.errorString();
    if (error_.isEmpty()) error_ = QStringLiteral("The file could not be written");
    file_.close();
  }
  pending_.clear();
}

QString TMonitorCapture::Stop() {
  if (file_.isOpen()) {
    WritePending();
    if (file_.isOpen()) {
      if (!file_.flush() && error_.isEmpty()) error_ = file_.errorString();
      file_.close();
    }
  }
  return error_;
}
