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
#include <memory>

// The log line of an event: its text from MidiEventText, cut to `maxLength` characters. A dump's
// bytes are formatted only as far as the line shows them, so a 4 KB dump costs no more than a short
// one.
QString MonitorLineText(const TMyMidiEvent& event, int maxLength);

class TMonitorLog : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TMonitorLog(QObject* parent = nullptr);
  ~TMonitorLog() override;

  int Count() const { return static_cast<int>(lines_.size()); }
  const QString& Line(int index) const { return lines_[static_cast<std::size_t>(index)].Text; }
  // The event attached to a line; null for lines written without one.
  TMyMidiEvent* Event(int index) const {
    return lines_[static_cast<std::size_t>(index)].Event.get();
  }

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
  };
  void Schedule();

  std::deque<TLine> lines_;
  int viewCount_ = 0;  // rows the view knows about
  int dropped_ = 0;    // oldest rows the view still shows although they are gone
  int appended_ = 0;   // newest lines the view has not been told about
  int viewUpdates_ = 0;
  QBasicTimer timer_;
};
