#include "UndoHistory.h"

#include <algorithm>
#include <stdexcept>

#include "Preset.h"

bool UndoSuppressed = false;

void TStreamList::Add(std::unique_ptr<QBuffer> stream) {
  if (!stream) throw std::invalid_argument("TStreamList::Add: no stream");
  streams_.push_back(std::move(stream));
}

QBuffer& TStreamList::Items(int i) const {
  return *streams_.at(static_cast<std::size_t>(i));
}

std::unique_ptr<QBuffer> TStreamList::Delete(int i) {
  if (i < 0 || i >= Count()) throw std::out_of_range("TStreamList::Delete: index out of range");
  auto it = streams_.begin() + i;
  std::unique_ptr<QBuffer> stream = std::move(*it);
  streams_.erase(it);
  return stream;
}

void TStreamList::Clear() {
  streams_.clear();
}

std::unique_ptr<QBuffer> PresetSnapshot(const TPreset& preset) {
  auto stream = std::make_unique<QBuffer>();
  stream->open(QIODevice::ReadWrite);
  preset.SaveToStream(*stream);
  stream->seek(0);
  return stream;
}

bool TUndoHistory::Push(const TPreset& preset) {
  if (UndoSuppressed) return false;
  std::unique_ptr<QBuffer> snapshot = PresetSnapshot(preset);
  // A state already on top is no step of its own: an undo to it would change nothing.
  if (UndoList.Count() > 0 && UndoList.Items(UndoList.Count() - 1).data() == snapshot->data())
    return false;
  UndoList.Add(std::move(snapshot));
  return true;
}

void TUndoHistory::Clear() {
  UndoList.Clear();
  RedoList.Clear();
}

QBuffer* TUndoHistory::UndoTarget() const {
  return CanUndo() ? &UndoList.Items(UndoList.Count() - 2) : nullptr;
}

QBuffer* TUndoHistory::RedoTarget() const {
  return CanRedo() ? &RedoList.Items(RedoList.Count() - 1) : nullptr;
}

void TUndoHistory::CommitUndo() {
  if (CanUndo()) RedoList.Add(UndoList.Delete(UndoList.Count() - 1));
}

void TUndoHistory::CommitRedo() {
  if (CanRedo()) UndoList.Add(RedoList.Delete(RedoList.Count() - 1));
}

QString TUndoHistory::UndoHint() const {
  // The current state is no step back; an empty list (never the case once a preset is shown)
  // reads 0, not -1.
  const int steps = std::max(0, UndoList.Count() - 1);
  return QString::number(steps) + QStringLiteral(" items in undo list   [Ctrl+Z]");
}

QString TUndoHistory::RedoHint() const {
  return QString::number(RedoList.Count()) + QStringLiteral(" items in redo list   [Ctrl+Y]");
}
