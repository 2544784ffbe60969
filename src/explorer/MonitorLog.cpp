#include "explorer/MonitorLog.h"

#include "midi/MidiEventText.h"

#include <QSize>
#include <QTimerEvent>
#include <algorithm>

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

TNotedLine NotedLineText(const TMyMidiEvent& event, const QString& note, int shownLength,
                         int maxLength) {
  const QString own = MonitorLineText(event, maxLength);
  TNotedLine result;
  result.Full = own;
  if (!result.Full.endsWith(QLatin1Char(' '))) result.Full += QLatin1Char(' ');
  result.Full += note;
  if (event.MidiMessage != 0xF0) {
    // A channel message's text is short: the note follows it.
    result.Line = result.Full.left(maxLength);
    return result;
  }
  // "Sysex (N): " and then each byte as two digits and a blank.
  const int head = static_cast<int>(own.indexOf(QStringLiteral(": "))) + 2;
  const int held = MidiEventLength(event);
  const bool whole = own.size() == head + 3 * held;
  if (whole && own.size() + note.size() <= shownLength) {
    result.Line = (own + note).left(maxLength);
    return result;
  }
  const QString ellipsis = QString(QChar(0x2026)) + QLatin1Char(' ');
  const int room = shownLength - head - static_cast<int>(ellipsis.size() + note.size());
  const int bytes = std::clamp(room / 3, 1, std::max(1, held));
  result.Line = (own.left(head + 3 * bytes) + ellipsis + note).left(maxLength);
  return result;
}

TMonitorLog::TMonitorLog(QObject* parent) : QAbstractListModel(parent) {}

TMonitorLog::~TMonitorLog() = default;

void TMonitorLog::SetLineWidth(std::function<int(const QString&)> measure) {
  measure_ = std::move(measure);
  widestDue_ = true;
  if (viewCount_ > 0) emit dataChanged(index(0), index(viewCount_ - 1), {Qt::SizeHintRole});
}

int TMonitorLog::WidestLine() const {
  if (longestStale_) {
    longest_.clear();
    for (const TLine& line : lines_) {
      if (line.Text.size() > longest_.size()) longest_ = line.Text;
    }
    longestStale_ = false;
    widestDue_ = true;
  }
  if (widestDue_) {
    widest_ = measure_ && !longest_.isEmpty() ? measure_(longest_) : -1;
    widestDue_ = false;
  }
  return widest_;
}

void TMonitorLog::Append(const QString& text) {
  lines_.push_back({text, nullptr, QString()});
  if (!longestStale_ && text.size() > longest_.size()) {
    longest_ = text;
    widestDue_ = true;
  }
  ++appended_;
  Schedule();
}

void TMonitorLog::Attach(int index, std::unique_ptr<TMyMidiEvent> event) {
  lines_[static_cast<std::size_t>(index)].Event = std::move(event);
}

void TMonitorLog::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (lines_[static_cast<std::size_t>(index)].Text.size() >= longest_.size()) longestStale_ = true;
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
  if (!index.isValid()) return {};
  // One size for every row, also for one that is on its way out: the widest line's width, so
  // the view scrolls to the end of each.
  if (role == Qt::SizeHintRole) return QSize(WidestLine(), 20);
  // View rows still include the dropped lines the view has not been told about.
  const int line = index.row() - dropped_;
  if (line < 0 || line >= Count()) return {};
  if (role == Qt::DisplayRole) return Line(line);
  if (role == Qt::ToolTipRole) return FullText(line);
  return {};
}
