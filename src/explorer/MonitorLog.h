#pragma once

// The monitor log's lines and the list model that shows them. Each line may own the event it
// describes. Appends (and the dropping of the oldest line that comes with them) change the lines
// at once but reach the view in batches, at most one per frame, so a flood of MIDI costs the view
// one update per frame instead of one per event; every other change reaches the view at once.

#include "midi/MidiEvent.h"

#include <QAbstractListModel>
#include <QBasicTimer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

// The log line of an event: its text from MidiEventText, cut to `maxLength` characters. A dump's
// bytes are formatted only as far as the line shows them, so a 4 KB dump costs no more than a short
// one.
QString MonitorLineText(const TMyMidiEvent& event, int maxLength);

// The log line of an event that carries a note (what the window knows of it beyond its bytes).
struct TNotedLine {
  // The start of the event's own text, cut after as many whole bytes as leave the note in sight
  // in a pane that shows `shownLength` characters, then "…" and the note; the whole own text and
  // the note when both fit. At most `maxLength` characters.
  QString Line;
  // The event's own text (cut to `maxLength`) followed by the note: what a copy of the line gives.
  QString Full;
};
TNotedLine NotedLineText(const TMyMidiEvent& event, const QString& note, int shownLength,
                         int maxLength);

class TMonitorLog : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TMonitorLog(QObject* parent = nullptr);
  ~TMonitorLog() override;

  int Count() const { return static_cast<int>(lines_.size()); }
  const QString& Line(int index) const { return lines_[static_cast<std::size_t>(index)].Text; }
  // The line's whole text: the one set for it, else the line itself.
  const QString& FullText(int index) const {
    const TLine& line = lines_[static_cast<std::size_t>(index)];
    return line.Full.isEmpty() ? line.Text : line.Full;
  }
  // A line shown shortened keeps its whole text for copies and its tip.
  void SetFullText(int index, const QString& text) {
    lines_[static_cast<std::size_t>(index)].Full = text;
  }
  // The event attached to a line; null for lines written without one.
  TMyMidiEvent* Event(int index) const {
    return lines_[static_cast<std::size_t>(index)].Event.get();
  }

  // How wide the view draws a line, in pixels. With it every row tells the view the width of the
  // longest line, so a view that takes one row's size for all (for a fast layout of many lines)
  // still scrolls sideways to the end of every line; without it rows give no width. Only the
  // longest line is measured, once: in the monitor's fixed-pitch font it is the widest, and a
  // flood of events costs no measuring per event.
  void SetLineWidth(std::function<int(const QString&)> measure);
  // The longest line's width by the measure; -1 without a measure or lines.
  int WidestLine() const;

  void Append(const QString& text);
  void Attach(int index, std::unique_ptr<TMyMidiEvent> event);
  // Removes one line and frees its event.
  void Delete(int index);

  // Brings the view up to date with the lines now.
  void Flush();
  bool FlushPending() const { return dropped_ != 0 || appended_ != 0; }
  // How many batched updates have reached the view.
  int ViewUpdates() const { return viewUpdates_; }
  // Shortest time between two batched updates.
  static constexpr int FrameMs = 16;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 signals:
  // After a batch of appends reached the view.
  void Flushed();

 protected:
  void timerEvent(QTimerEvent* e) override;

 private:
  struct TLine {
    QString Text;
    std::unique_ptr<TMyMidiEvent> Event;
    QString Full;  // empty when the same as Text
  };
  void Schedule();

  std::deque<TLine> lines_;
  int viewCount_ = 0;  // rows the view knows about
  int dropped_ = 0;    // oldest rows the view still shows although they are gone
  int appended_ = 0;   // newest lines the view has not been told about
  int viewUpdates_ = 0;
  QBasicTimer timer_;
  std::function<int(const QString&)> measure_;
  // The longest line and its width by the measure. The line is looked for again only after the
  // longest one has gone, and measured only when it has changed.
  mutable QString longest_;
  mutable bool longestStale_ = false;
  mutable int widest_ = -1;
  mutable bool widestDue_ = false;
};
