#pragma once

// The editor's history of a preset: every snapshot is the preset's whole 246-byte image, kept in
// a memory stream. The undo list holds the snapshots oldest first, its last one being the state
// on screen; the redo list holds the snapshots stepped back over, the most recent last.

#include <QBuffer>
#include <QString>
#include <memory>
#include <vector>

class TPreset;

// An ordered list that owns memory streams. Delete hands the stream back instead of freeing it,
// so a snapshot can move from one list to the other.
class TStreamList {
 public:
  void Add(std::unique_ptr<QBuffer> stream);
  QBuffer& Items(int i) const;
  [[nodiscard]] std::unique_ptr<QBuffer> Delete(int i);
  void Clear();
  int Count() const { return static_cast<int>(streams_.size()); }

 private:
  std::vector<std::unique_ptr<QBuffer>> streams_;
};

// While set, no snapshot is recorded: undo, redo and the editor's own recomputations replay
// changes that must not become history. One flag for every editor window in the process.
extern bool UndoSuppressed;

// Sets UndoSuppressed for a scope and restores the value it had before.
class TUndoSuppression {
 public:
  TUndoSuppression() : saved_(UndoSuppressed) { UndoSuppressed = true; }
  ~TUndoSuppression() { UndoSuppressed = saved_; }
  TUndoSuppression(const TUndoSuppression&) = delete;
  TUndoSuppression& operator=(const TUndoSuppression&) = delete;

 private:
  bool saved_;
};

// The preset's image in a memory stream, positioned at its start.
std::unique_ptr<QBuffer> PresetSnapshot(const TPreset& preset);

class TUndoHistory {
 public:
  TStreamList UndoList;
  TStreamList RedoList;

  // Records the preset's state unless UndoSuppressed is set or the last snapshot already holds
  // it; true when a snapshot was added.
  bool Push(const TPreset& preset);
  void ClearRedo() { RedoList.Clear(); }
  void Clear();

  bool CanUndo() const { return UndoList.Count() > 1; }
  bool CanRedo() const { return RedoList.Count() > 0; }

  // The snapshot an undo shows (the one before the current state), or null when there is none.
  QBuffer* UndoTarget() const;
  // The snapshot a redo shows, or null.
  QBuffer* RedoTarget() const;
  // After the undo target has been shown: the current state moves to the end of the redo list.
  void CommitUndo();
  // After the redo target has been shown: it moves to the end of the undo list.
  void CommitRedo();

  // "2 items in undo list   [Ctrl+Z]": the snapshots an undo can go back to.
  QString UndoHint() const;
  QString RedoHint() const;
};
