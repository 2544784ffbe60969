// Presets through the preset editor (offscreen), which must give back what it was given. Input:
// the bytes a preset is drawn from, one choice a byte (read as 0 past the end): the channel, the
// Vexa and in-use flags, the group (0..53), every mix, analog and digital value (its control's
// ends, just outside them, 0 or any byte), the title (printable characters, no blank at either
// end), and the eight performance entries (active only on a target in the chain, which the
// editor keeps); the bytes left after those pick controls to move, two bytes a movement.
//
// Traps (abort) unless showing the preset, visiting every page and asking to close gives back the
// very bytes shown, unmodified, with one undo snapshot, nothing sent and no status; and unless
// each movement changes the bytes of the moved control's field (and the current-value pairs of
// the entries that target it) and nothing else.

#include <QApplication>
#include <QBuffer>
#include <QListWidget>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "CancellingDialogs.h"
#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "controls/kxLCDmeter.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"
#include "editor/PresetEditor.h"
#include "preset/DigitalCatalogue.h"
#include "preset/ParamTable.h"

namespace {

struct TWorld {
  std::unique_ptr<QApplication> app;
  QTemporaryDir dir;
  TkxRegUtil reg;
  std::unique_ptr<TfrmPresetEditor> editor;
  int sent = 0;
  // The window's controls never change; looked up once.
  std::vector<TkxTrackBar*> bars;
  std::vector<TkxRadioGroup*> groups;
  std::vector<std::pair<TkxLCDmeter*, QScrollBar*>> meters;
  std::vector<QListWidget*> keyLists;
};
TWorld* World = nullptr;

class TReader {
 public:
  TReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int Pick(int lo, int hi) { return lo + Byte() % (hi - lo + 1); }
  bool Bit() { return Byte() & 1; }
  bool More() const { return at_ < size_; }

  int Value(int lo, int hi) {
    const int how = Byte(), any = Byte();
    switch (how % 6) {
      case 0:
        return lo;
      case 1:
        return hi;
      case 2:
        return std::max(0, lo - 1);
      case 3:
        return std::min(255, hi + 1);
      case 4:
        return 0;
      default:
        return any;
    }
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

bool TargetPresent(const TPreset& p, int paramNo) {
  if (paramNo < FirstAnalogParam) return true;
  if (paramNo < FirstDigitalParam)
    return p.AnalogInUse[std::size_t(AnalogEffectOfSlot(paramNo - FirstAnalogParam))];
  const int slot = paramNo - FirstDigitalParam;
  for (int k = 0; k < GroupEffectCount(p.DigitalGroup); ++k)
    if (slot >= SlotOffset(p.DigitalGroup, k) && slot < SlotOffset(p.DigitalGroup, k + 1))
      return p.DigitalInUse[std::size_t(k)];
  return false;
}

TPreset Draw(TReader& in) {
  TPreset p;
  p.Header[2] = std::uint8_t(in.Pick(0, 15));
  for (bool& b : p.VexaStates) b = in.Bit();
  for (bool& b : p.AnalogInUse) b = in.Bit();
  p.DigitalGroup = in.Pick(0, DigitalGroupCount - 1);
  for (bool& b : p.DigitalInUse) b = in.Bit();
  for (int id = 1; id <= 31; ++id) {
    const TParamDef& d = ParamDef(id);
    *p.ParamField(id) = in.Value(d.Min, d.Max);
  }
  for (int slot = 0; slot < DigitalSlotCount; ++slot) {
    const TParamDef* d = DigitalSlotParam(p.DigitalGroup, slot);
    p.DigitalSlots[std::size_t(slot)] = d ? in.Value(d->Min, d->Max) : in.Byte();
  }
  QString title;
  const int length = in.Pick(0, TitleLength);
  for (int i = 0; i < length; ++i) title += QChar(in.Pick(0x20, 0x7E));
  p.Title = title.trimmed();
  for (int e = 0; e < PerfMIDICount; ++e) {
    TPerfMIDI& m = p.PerfMIDI[std::size_t(e)];
    m.Controller = in.Pick(0, 128);
    m.Low = in.Pick(0, 127);
    m.High = in.Pick(0, 127);
    m.Extra = in.Byte();
    m.ParamNo = in.Pick(0, LastParam);
    p.PerfInUse[std::size_t(e)] = in.Bit() && TargetPresent(p, m.ParamNo);
    m.InUse = p.PerfInUse[std::size_t(e)];
  }
  return p;
}

QByteArray Bytes(const TPreset& p) {
  const TPresetImage image = p.Encode();
  return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
}

// Dump offset of the pair of parameter number 1..49.
int PairOffset(int paramNo) {
  if (paramNo < FirstAnalogParam) return 17 + 2 * (paramNo - FirstMixParam);
  if (paramNo < FirstDigitalParam) return 23 + 2 * (paramNo - FirstAnalogParam);
  return 79 + 2 * (paramNo - FirstDigitalParam);
}

int ParamNoOf(TPreset& p, const std::int32_t* field) {
  for (int id = 1; id <= LastParam; ++id)
    if (p.ParamField(id) == field) return id;
  return 0;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

// Moves one control and checks which bytes changed.
void Move(TfrmPresetEditor& e, TReader& in) {
  const int kind = in.Byte() % 4, which = in.Byte();
  std::int32_t* field = nullptr;
  std::function<void()> move;
  if (kind == 0) {
    std::vector<TkxTrackBar*> bars;
    for (TkxTrackBar* b : World->bars)
      if (b->BoundField()) bars.push_back(b);
    if (bars.empty()) return;
    TkxTrackBar* bar = bars[std::size_t(which) % bars.size()];
    const int to = bar->Min() + which % (bar->Max() - bar->Min() + 1);
    field = bar->BoundField();
    move = [bar, to] { bar->SetPosition(to); };
  } else if (kind == 1) {
    std::vector<TkxRadioGroup*> groups;
    for (TkxRadioGroup* g : World->groups)
      if (g->BoundField() && g->isEnabled() && g->ButtonCount() > 0) groups.push_back(g);
    if (groups.empty()) return;
    TkxRadioGroup* group = groups[std::size_t(which) % groups.size()];
    const int to = which % group->ButtonCount();
    field = group->BoundField();
    move = [group, to] { group->Button(to)->click(); };
  } else if (kind == 2) {
    TkxLCDmeter* meter = World->meters[std::size_t(which) % World->meters.size()].first;
    QScrollBar* scroll = World->meters[std::size_t(which) % World->meters.size()].second;
    if (!meter->BoundField() || !scroll) return;
    const int to = which % (scroll->maximum() + 1);
    field = meter->BoundField();
    move = [scroll, to] { scroll->setValue(to); };
  } else {
    QListWidget* list = World->keyLists[std::size_t(which) % World->keyLists.size()];
    const int slot = list ? list->property("Tag").toInt() : -1;
    if (slot < 0 || slot >= DigitalSlotCount) return;
    const int to = which % list->count();
    field = &e.Preset().DigitalSlots[std::size_t(slot)];
    move = [list, to] { list->setCurrentRow(to); };
  }
  const int paramNo = ParamNoOf(e.Preset(), field);
  Check(paramNo > 0);
  const QByteArray before = Bytes(e.Preset());
  move();
  const QByteArray after = Bytes(e.Preset());
  std::vector<bool> allowed(246, false);
  allowed[std::size_t(PairOffset(paramNo))] = allowed[std::size_t(PairOffset(paramNo) + 1)] = true;
  for (int k = 0; k < PerfMIDICount; ++k)
    if (e.Preset().PerfMIDI[std::size_t(k)].ParamNo == paramNo)
      allowed[std::size_t(149 + 12 * k + 8)] = allowed[std::size_t(149 + 12 * k + 9)] = true;
  for (int i = 0; i < 246; ++i) Check(before[i] == after[i] || allowed[std::size_t(i)]);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  World = new TWorld;
  World->app = std::make_unique<QApplication>(*argc, *argv);
  World->reg.SetStorageFolder(World->dir.path());
  World->reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
  InstallDialogService(std::make_unique<TCancellingDialogs>());
  World->editor = std::make_unique<TfrmPresetEditor>();
  World->editor->Settings = &World->reg;
  TfrmPresetEditor& e = *World->editor;
  for (TkxTrackBar* b : e.findChildren<TkxTrackBar*>()) World->bars.push_back(b);
  for (TkxRadioGroup* g : e.findChildren<TkxRadioGroup*>()) World->groups.push_back(g);
  for (TkxLCDmeter* m : e.findChildren<TkxLCDmeter*>())
    World->meters.emplace_back(
        m, e.findChild<QScrollBar*>(QStringLiteral("scr") + m->objectName().mid(3)));
  for (const char* name : {"lstPTRbase_key", "lstSPTbase_key"})
    World->keyLists.push_back(e.findChild<QListWidget*>(QString::fromLatin1(name)));
  World->editor->OnSendPreset = [](QIODevice&) {
    ++World->sent;
    return QString();
  };
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TReader in(data, size);
  const TPreset drawn = Draw(in);
  QByteArray dump = Bytes(drawn);
  TfrmPresetEditor& e = *World->editor;
  World->sent = 0;

  e.ResetEditor();
  QBuffer stream(&dump);
  stream.open(QIODevice::ReadOnly);
  e.LoadPreset(stream, QString());
  e.FormShow();
  // Held updates spare each page switch a walk over every control of the window.
  e.setUpdatesEnabled(false);
  for (QTabWidget* pages : {e.pgcAnalogParams, e.pgcDigitalParams})
    for (int i = 0; i < pages->count(); ++i)
      if (pages->isTabVisible(i)) pages->setCurrentIndex(i);
  for (int i = e.pgcPreset->count(); i-- > 0;) e.pgcPreset->setCurrentIndex(i);
  e.setUpdatesEnabled(true);

  Check(Bytes(e.Preset()) == dump);
  Check(!e.Preset().IsModified());
  Check(e.History().UndoList.Count() == 1);
  Check(World->sent == 0);
  Check(e.StatusText().isEmpty());
  Check(e.CloseQuery());

  for (int n = 0; n < 16 && in.More(); ++n) Move(e, in);
  e.timSys->stop();
  // What the window posted to itself (layout requests, deferred deletes) is delivered as the
  // program's event loop would; left queued, the queue grows with every input and each new post
  // searches a longer one.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
