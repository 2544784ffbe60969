#include "explorer/MonitorLog.h"

#include "midi/MidiEventText.h"

#include <QSize>
#include <QTimerEvent>

QString MonitorLineText(const TMyMidiEvent& event, int maxLength) {
  if (event.MidiMessage != 0xF0) {
    QString text = MidiEventText(event);
    if (text.size() > maxLength) text.truncate(maxLength);
    return text;
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const int held = MidiEventLength(event);
  const std::span<const std::uint8_t> bytes = event.SysexBytes();
  QString text = QStringLiteral("Sysex (") + QString::number(held) + QStringLiteral("): ");
  text.reserve(maxLength + 3);
  for (int i = 0; i < held && text.size() < maxLength; ++i) {
    const std::uint8_t b = bytes[static_cast<std::size_t>(i)];
    text += QLatin1Char(kDigits[b >> 4]);
    text += QLatin1Char(kDigits[b & 15]);
    text += QLatin1Char(' ');
  }
  if (text.size() > maxLength) text.truncate(maxLength);
  return text;
}

TMonitorLog::TMonitorLog(QObject* parent) : QAbstractListModel(parent) {}

TMonitorLog::~TMonitorLog() = default;

void TMonitorLog::Append(const QString& text) {
  lines_.push_back({text, nullptr});
  ++appended_;
  Schedule();
}

void TMonitorLog::Attach(int index, std::unique_ptr<TMyMidiEvent> event) {
  lines_[static_cast<std::size_t>(index)].Event = std::move(event);
}

void TMonitorLog::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  const int known = viewCount_ - dropped_;  // lines the view shows, from the front
  if (index == 0 && known > 0 && FlushPending()) {
    // The oldest line gives way to a new one: let the next batch tell the view.
    lines_.pop_front();
    ++dropped_;
    return;
  }
  if (index == 0 && known == 0) {
    // Not shown yet at all.
    lines_.pop_front();
    --appended_;
    return;
  }
  Flush();
  beginRemoveRows(QModelIndex(), index, index);
  lines_.erase(lines_.begin() + index);
  --viewCount_;
  endRemoveRows();
}

void TMonitorLog::Flush() {
  timer_.stop();
  if (!FlushPending()) return;
  if (dropped_ > 0) {
    beginRemoveRows(QModelIndex(), 0, dropped_ - 1);
    viewCount_ -= dropped_;
    dropped_ = 0;
    endRemoveRows();
  }
  if (appended_ > 0) {
    beginInsertRows(QModelIndex(), viewCount_, viewCount_ + appended_ - 1);
    viewCount_ += appended_;
    appended_ = 0;
    endInsertRows();
  }
  ++viewUpdates_;
  emit Flushed();
}

void TMonitorLog::Schedule() {
  if (!timer_.isActive()) timer_.start(FrameMs, Qt::PreciseTimer, this);
}

void TMonitorLog::timerEvent(QTimerEvent* e) {
  if (e->timerId() == timer_.timerId()) {
    Flush();
    return;
  }
  QAbstractListModel::timerEvent(e);
}

int TMonitorLog::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : viewCount_;
}

QVariant TMonitorLog::data(const QModelIndex& index, int role) const {
  // View rows still include the dropped lines the view has not been told about.
  const int line = index.row() - dropped_;
  if (!index.isValid() || line < 0 || line >= Count()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return Line(line);
  if (role == Qt::SizeHintRole) return QSize(-1, 20);
  return {};
}
