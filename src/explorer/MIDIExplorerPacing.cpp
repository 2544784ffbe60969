// Paced sending of the message buffer: message by message with a gap, long system-exclusive
// messages in pieces, stopped by Ctrl+C. Waits let events run, as every wait of the program does.

#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "explorer/MIDIExplorer.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <chrono>
#include <thread>

namespace {

const QString kGap = QStringLiteral("SEND_GAP_MS");
const QString kChunk = QStringLiteral("SEND_CHUNK_SIZE");
const QString kChunkDelay = QStringLiteral("SEND_CHUNK_DELAY_MS");

constexpr int kGapChoices[] = {0, 10, 20, 50, 100, 200, 500, 1000};
constexpr int kChunkChoices[] = {0, 16, 32, 64, 128, 256, 512, 1024};
constexpr int kChunkDelayChoices[] = {0, 5, 10, 20, 50, 100, 200};
// A piece of a message still not sent after this long is given up on.
constexpr int kSentTimeoutMs = 10000;

QString ChoiceText(int value, bool bytes) {
  if (value == 0) return bytes ? QStringLiteral("Whole message") : QStringLiteral("None");
  return QString::number(value) + (bytes ? QStringLiteral(" bytes") : QStringLiteral(" ms"));
}

// The menu's items for one setting, each with its value as data; one more for a value the
// settings hold that is none of the offered ones.
void FillChoices(QMenu* menu, std::span<const int> choices, int current, bool bytes,
                 const QString& prefix) {
  menu->clear();
  auto* group = new QActionGroup(menu);
  bool found = false;
  const auto add = [&](int value) {
    QAction* a = menu->addAction(ChoiceText(value, bytes));
    a->setObjectName(prefix + QString::number(value));
    a->setData(value);
    a->setCheckable(true);
    a->setActionGroup(group);
    if (value == current) {
      a->setChecked(true);
      found = true;
    }
  };
  for (int value : choices) add(value);
  if (!found) add(current);
}

int Chosen(QAction* a) {
  return a->data().toInt();
}

}  // namespace

void TfrmMIDIExplorer::CreatePacingMenu() {
  miSendPacing = new QMenu(QStringLiteral("Send &pacing"), this);
  miSendPacing->setObjectName(QStringLiteral("miSendPacing"));
  miSendPacing->menuAction()->setObjectName(QStringLiteral("miSendPacingItem"));
  miSendGap = miSendPacing->addMenu(QStringLiteral("&Gap between messages"));
  miSendGap->setObjectName(QStringLiteral("miSendGap"));
  miSendChunk = miSendPacing->addMenu(QStringLiteral("&Largest piece of system exclusive"));
  miSendChunk->setObjectName(QStringLiteral("miSendChunk"));
  miSendChunkDelay = miSendPacing->addMenu(QStringLiteral("&Delay between pieces"));
  miSendChunkDelay->setObjectName(QStringLiteral("miSendChunkDelay"));
  // Before the device list, which follows the last separator.
  const QList<QAction*> items = miMIDIOut->actions();
  miMIDIOut->insertMenu(items.isEmpty() ? nullptr : items.last(), miSendPacing);
  connect(miSendGap, &QMenu::triggered, this, [this](QAction* a) {
    TSendPacing p = pacing_;
    p.GapMs = Chosen(a);
    SetSendPacing(p);
  });
  connect(miSendChunk, &QMenu::triggered, this, [this](QAction* a) {
    TSendPacing p = pacing_;
    p.ChunkSize = Chosen(a);
    SetSendPacing(p);
  });
  connect(miSendChunkDelay, &QMenu::triggered, this, [this](QAction* a) {
    TSendPacing p = pacing_;
    p.ChunkDelayMs = Chosen(a);
    SetSendPacing(p);
  });
  ShowPacingMarks();
}

void TfrmMIDIExplorer::ReadPacingSettings() {
  const auto read = [this](const QString& name, int most) {
    const int value = ReadSettingOr(this, 0, [&] { return regUtil_->ReadInteger(name, true, 0); });
    // A damaged value must not make a send wait for hours or cut messages to nothing.
    return value < 0 || value > most ? 0 : value;
  };
  pacing_.GapMs = read(kGap, 60000);
  pacing_.ChunkSize = read(kChunk, MsgBufferSize);
  pacing_.ChunkDelayMs = read(kChunkDelay, 60000);
  ShowPacingMarks();
}

void TfrmMIDIExplorer::ShowPacingMarks() {
  FillChoices(miSendGap, kGapChoices, pacing_.GapMs, false, QStringLiteral("miSendGap"));
  FillChoices(miSendChunk, kChunkChoices, pacing_.ChunkSize, true, QStringLiteral("miSendChunk"));
  FillChoices(miSendChunkDelay, kChunkDelayChoices, pacing_.ChunkDelayMs, false,
              QStringLiteral("miSendChunkDelay"));
  // The delay between pieces means something only when messages are cut.
  miSendChunkDelay->setEnabled(pacing_.ChunkSize > 0);
}

void TfrmMIDIExplorer::SetSendPacing(const TSendPacing& pacing) {
  const bool changed = !(pacing == pacing_);
  pacing_ = pacing;
  // Rebuilt after the menu's own signal has been handled: the item that was clicked goes too.
  QTimer::singleShot(0, this, [this] { ShowPacingMarks(); });
  if (!changed) return;
  RememberInt(kGap, pacing_.GapMs);
  RememberInt(kChunk, pacing_.ChunkSize);
  RememberInt(kChunkDelay, pacing_.ChunkDelayMs);
}

void TfrmMIDIExplorer::StopSending() {
  if (!sending_) return;
  stopSending_ = true;
}

bool TfrmMIDIExplorer::PaceWait(int ms) {
  // Events run in short slices rather than in a nested event loop, which would return at once
  // once the application has been asked to quit, and a stop is noticed within a slice.
  QElapsedTimer clock;
  clock.start();
  while (!stopSending_) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (clock.elapsed() >= ms || stopSending_) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return !stopSending_;
}

void TfrmMIDIExplorer::SendBufferPaced(const std::vector<TSendPiece>& pieces) {
  int messages = 0;
  for (const TSendPiece& p : pieces) messages += p.StartsMessage ? 1 : 0;
  sending_ = true;
  stopSending_ = false;
  ShowStatus(QStringLiteral("Sending ") + QString::number(messages) +
             QStringLiteral(" messages to MIDI Out; Ctrl+C stops"));
  int sent = 0;
  QString failure;
  for (const TSendPiece& piece : pieces) {
    TMidiOutput* out = midiOutput_.get();
    if (!out || !out->IsOpen()) {
      failure = QStringLiteral("MIDI Out device not available");
      break;
    }
    if (piece.DelayBeforeMs > 0) {
      // The gap counts from the moment the previous piece has left, as the unit sees it.
      for (int waited = 0; out->PendingLongMessages() > 0 && waited < kSentTimeoutMs; waited += 2)
        if (!PaceWait(2)) break;
      if (!PaceWait(piece.DelayBeforeMs)) break;
      out = midiOutput_.get();
      if (!out || !out->IsOpen()) {
        failure = QStringLiteral("MIDI Out device not available");
        break;
      }
    }
    if (stopSending_) break;
    try {
      out->PutLong(piece.Bytes);
    } catch (const EmidioutputError& e) {
      failure = e.Message();
      break;
    }
    if (piece.StartsMessage) ++sent;
  }
  const bool stopped = stopSending_;
  sending_ = false;
  stopSending_ = false;
  if (!failure.isEmpty()) {
    MessageDlg(this, QStringLiteral("MIDI Out error"), failure, QMessageBox::Critical,
               QMessageBox::Ok);
  }
  if (stopped || !failure.isEmpty()) {
    ShowStatus(QStringLiteral("Sending stopped: ") + QString::number(sent) +
               QStringLiteral(" of ") + QString::number(messages) +
               QStringLiteral(" messages sent"));
  } else {
    ShowStatus(QStringLiteral("Message buffer sent to MIDI Out (") + QString::number(messages) +
               QStringLiteral(" messages)"));
  }
}
