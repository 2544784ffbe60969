#pragma once

// The program's main window: the MIDI explorer plus everything that talks to the ZQN Tarvo: the
// online check and the unit's replies, the "ZQN Tarvo Requests" menu and F10, and the services
// through which editor windows reach the unit.

#include "device/DeviceState.h"
#include "device/RestorePlan.h"
#include "device/UnitDecoder.h"
#include "explorer/MIDIExplorer.h"

#include <QList>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QEventLoop;
class QIODevice;
class QMenu;
class QPrinter;
class QProgressBar;
class QTimer;
class TfrmPresetEditor;
class TfrmMPTEdit;
class TfrmLibrary;
class TPageWriter;

// Windows the main window opened from the message buffer. It owns them: emptying the list, or
// destroying it, frees every window it holds, front to back.
class TChildWindowList {
 public:
  TChildWindowList() = default;
  TChildWindowList(const TChildWindowList&) = delete;
  TChildWindowList& operator=(const TChildWindowList&) = delete;
  ~TChildWindowList() { Clear(); }
  void Add(QWidget* window) { windows_.append(window); }
  int Count() const { return static_cast<int>(windows_.size()); }
  QWidget* At(int i) const { return windows_.value(i); }
  void Clear() {
    while (!windows_.isEmpty()) delete windows_.takeFirst().data();
  }

 private:
  QList<QPointer<QWidget>> windows_;
};

class TfrmMain : public TfrmMIDIExplorer {
  Q_OBJECT
 public:
  static constexpr int DefaultRequestDelay = 1000;

  explicit TfrmMain(QWidget* parent = nullptr,
                    std::shared_ptr<IMidiInDriver> inDriver = DefaultMidiInDriver(),
                    std::shared_ptr<IMidiOutDriver> outDriver = DefaultMidiOutDriver());
  ~TfrmMain() override;

  void InitExplorer(TkxRegUtil* regUtil, const QString& appTitle) override;
  void DoFormShow() override;
  void DoFormClose() override;
  void DoFormDestroy() override;
  void DoFormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
  // Every open editor and table editor is closed first, each asking its save question; Cancel on
  // any of them keeps every window open.
  bool DoFormCloseQuery() override;
  QString LineBusyReason() const override;
  void EditBuffer() override;
  void UpdateBufferMenu() override;
  // Opens files named on the command line (or by the desktop, for a double-clicked file): each
  // goes into the message buffer, and a preset or program table on into its editor, as "Edit" in
  // the file pane does. Anything else stays in the buffer; a file that cannot be read is reported.
  void OpenFiles(const QStringList& files);

  // Asks the unit for bypass (and bank) and reports what it says; a silent unit is reported when
  // the request timer runs out.
  void OnlineCheck();
  // Sends a parameter query and waits RequestDelay with the event loop running, so the report is
  // handled during the wait.
  void QueryParam(std::uint8_t param);

  // Services for editor windows.
  // The unit's current preset number 1..200, or -1 when it did not answer.
  int OnGetPresetNo();
  // Sends the stream's whole content, from its start, as one message; returns the result text.
  QString OnSendPreset(QIODevice& stream);
  QString OnSendMPT(QIODevice& stream);
  // False when nothing was sent: the line is busy with a sequence, or the port refused.
  bool OnSendRaw(const std::uint8_t* bytes, std::uint16_t length);

  // The buffer tests: the first one shows "Preset loaded: " + title when it succeeds.
  bool BufferHoldsPreset();
  bool BufferHoldsMpt() const;

  void ApplyPreKineticMode();

  // ---- Request sequences: back up presets to files, print their titles, or both.
  void StartSequence(bool save);
  // Takes the 246-byte dump as the answer to the current request. The run keeps its dumps to
  // itself; the message buffer stays what the user made it.
  void SequenceStep(const QByteArray& dump);
  void RequestPreset();
  void StopSequence();
  void AbortSequence();
  // The next chosen bank after CurrentBank, or -1 (always -1 for a single-bank unit).
  int NextBank();
  // From the moment a sequence starts until it stops, it alone talks to the unit: every request it
  // makes waits for its own answer, and a second request on the line would take that answer.
  bool SequenceOwnsLine() const { return Running || starting_ || unitRun_; }

  // ---- Runs over the unit's memory: restore from a backup folder with every preset read back,
  // compare the unit with a folder, and a snapshot of the whole unit.
  void RestoreClick();
  void SnapshotClick();
  // The slots of the last run, with what became of each.
  const std::vector<TRunSlot>& RunSlots() const { return runSlots_; }
  bool UnitRunActive() const { return unitRun_; }

  TDeviceState Device;
  // What the monitor knows of the unit's tables to decode its messages with: the program table
  // and the current preset it last saw, and the titles of presets by place.
  TUnitDecoder& Decoder() const { return decoder_; }
  bool Running = false;
  bool SaveToFiles = false;
  int PresetIndex = 0;
  int LastIndex = 0;
  bool BankChosen[BankCount] = {};
  int StartBank = -1;
  bool LoopByNumber = true;
  bool PrintTitles = false;
  QString OutputDir;
  QString UntitledName;
  qint64 LastRequestTime = 0;
  // A request without an answer for this long is made again.
  int RequestTimeoutMs = 10000;
  // The printer of title listings (and the target of the dialog's printer set-up).
  QPrinter* ListingPrinter();
  QProgressBar* prgSequence = nullptr;
  TChildWindowList* ChildWindows() const { return childWindows_; }

  // "ZQN Tarvo Requests" and its items, in menu order.
  QMenu* miZQNRequests = nullptr;
  QAction* miGetCurrentPreset = nullptr;
  QAction* miGetSaveEach = nullptr;
  QAction* miPrintList = nullptr;
  QAction* miBulkDump = nullptr;
  QAction* miGetMPT = nullptr;
  QAction* miBypass = nullptr;
  QAction* miBank[BankCount] = {};
  QAction* miPreKinetic = nullptr;
  QAction* pmiEdit = nullptr;  // "&Edit..." in the buffer's menu
  // "Presets" menu.
  QMenu* miPresets = nullptr;
  QAction* miOpenPreset = nullptr;
  QAction* miNewPreset = nullptr;
  QAction* miRestore = nullptr;
  QAction* miSnapshot = nullptr;
  QAction* miLibrary = nullptr;
  QAction* miCompareEditors = nullptr;
  // "Compare open editors": the two preset editors open, parameter by parameter, the one opened
  // first on the left. Enabled while exactly two preset editors are open.
  void CompareEditors();

  // The preset library window, created on first use and kept (hidden when closed) until the main
  // window goes; its index lives in LibraryDatabaseFile.
  TfrmLibrary* OpenLibrary();
  // Asks the unit for its edit buffer and waits for the dump, with the event loop running;
  // nothing when the line is busy, the port is closed or the unit does not answer (`why` then
  // says which). Ctrl+C in the main window stops the wait.
  std::optional<QByteArray> FetchEditPreset(QString* why = nullptr);
  // Restores the given backup files through the restore of a folder: they are copied, in their
  // bank folders, into a new folder beside the library's index, and the restore options open on
  // it. Two files for one slot: the last one given counts.
  void RestoreFiles(const QStringList& files);
  TfrmLibrary* Library() const { return library_; }
  // Where the library keeps its index; the user's data folder unless a test sets another.
  QString LibraryDatabaseFile;

  // Opens the buffer's preset dump in an editor: the first hidden one opened from the buffer,
  // or a new one. Null when the buffer holds no preset dump.
  TfrmPresetEditor* OpenPresetEditor();
  TfrmPresetEditor* NewPresetEditor();
  // "MPT" menu.
  QMenu* miMPT = nullptr;
  QAction* miOpenMPT = nullptr;
  QAction* miNewMPT = nullptr;
  // Opens the buffer's program-table dump in a new editor; null when it holds none.
  TfrmMPTEdit* OpenMptEditor();
  TfrmMPTEdit* NewMptEditor();
  QTimer* timPresetReq = nullptr;

 signals:
  // A request sequence (backup or title listing) was asked for; saveToFiles tells which.
  void RequestSequence(bool saveToFiles);

 protected:
  // Incoming events: dumps for a running sequence, parameter reports, the rest to the monitor.
  int HandleMidiEvent(std::unique_ptr<TMyMidiEvent> event) override;
  // A preset dump's line names the preset: its title in double quotes.
  QString LogLineNote(const TMyMidiEvent& event) const override;
  // After a batch that brought a preset dump the user did not get by a backup or listing: how to
  // open it in an editor, instead of the byte count.
  QString ReceivedStatus(int length) override;
  void timPresetReqTimer();
  // The requests menu follows whether both directions of the cable are there.
  void DevicesChanged(bool anyInput, bool anyOutput) override;
  void LogSequenceLine(const QString& text);
  int RequestKey() const { return Device.CurrentBank * 256 + PresetIndex; }
  // Whether a preset dump that arrived during the run answers the request for the preset the run
  // is at.
  bool TakeSequenceDump(const QByteArray& dump);
  bool MakeBankFolder(int bank);
  QString BankFolder(int bank) const;
  // Starts the title listing; false when the user chose not to run without it.
  bool BeginListing();
  void EndListing();
  void PrintListingHead(TPageWriter& w);
  void PrintListingLine(const QString& title);
  void StartProgress();
  void StartProgressOf(int planned);
  // A backup keeps a journal in its folder; one that stopped can resume at its first preset not
  // done (asked here, which may move `first` and the bank to start with). False: the user
  // cancelled.
  bool PlanBackupJournal(int& first, int last, int& resumeBank);
  void NoteBackupSlot(TSlotState state);
  void AdvanceProgress();

 private:
  void BuildRequestsMenu();
  void BuildPresetsMenu();
  void BuildMptMenu();
  void ConnectEditor(TfrmPresetEditor* editor);
  void GetEditPreset();
  void SendRequest(const QByteArray& message, bool showMonitor, const QString& status);
  void BypassClick();
  void SelectBankClick(int bank);
  void PreKineticClick();
  void SendSysex(const QByteArray& message);
  // A user's command that talks to the unit: refused, with the reason in the status bar, while a
  // sequence owns the line.
  bool LineFree();
  // RequestDelay times `factor`, kept within what a timer and a wait can take.
  int RequestDelayTimes(int factor) const;
  // The preset and table editors that are open, in the order they were opened.
  QList<QWidget*> OpenEditors() const;
  QString SendDump(QIODevice& stream, int expectedLength);

  TfrmLibrary* library_ = nullptr;
  QPointer<QWidget> editorCompare_;
  // Everything the window creates and frees itself, last first.
  QList<QObject*> ownedObjects_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<TPageWriter> listing_;
  bool listingColumnsDue_ = false;
  int progressDone_ = 0;
  qint64 progressStart_ = 0;
  TChildWindowList* childWindows_ = nullptr;
  bool destroyed_ = false;
  bool starting_ = false;
  bool closing_ = false;
  // The preset (bank * 256 + index) each edit-preset request still unanswered asked for, oldest
  // first, and the last preset taken with its bytes; see TakeSequenceDump.
  std::deque<int> requested_;
  int lastTakenKey_ = -1;
  QByteArray lastTakenDump_;
  // Counts the sequence's requests; a wait that returns to find it changed has been overtaken (by
  // a time-out's new request, the next preset or the end of the run) and sends nothing.
  quint64 requestSerial_ = 0;

  // A restore, compare or snapshot under way; see MainRestore.cpp.
  enum class TRunEnd { Running, Cancelled, NoAnswer, PortFailed, WriteFailed };
  enum class TAwaited { Nothing, Preset, Mpt };
  bool RunStopped() const;
  void RunAbort();
  // Lets events run until `done` holds, the time-out passes or the run stops.
  bool RunWaitFor(const std::function<bool()>& done, int timeoutMs);
  void RunWake();
  // Sends one message, waits until it has left and then the request delay; false when the run
  // stopped (the user, the port, the window closing).
  bool RunSend(const QByteArray& message);
  // Puts the message on the port; the port, or null when the run stopped or the port failed.
  TMidiOutput* RunPut(const QByteArray& message);
  // End the run with the port's failure, or a file's.
  void RunPortFailed(const QString& reason);
  void RunWriteFailed(const QString& reason);
  bool RunSelectBank(int bank);
  // Sends the request and waits for its answer, asking again after each time-out; false when the
  // run stopped or the unit never answered.
  bool RunAwait(const QByteArray& request, bool mpt, QByteArray& answer);
  bool RunFetch(int bank, int index, QByteArray& dump);
  // Takes the event as the answer the run waits for.
  bool TakeRunAnswer(const TMyMidiEvent& event);
  void BeginUnitRun(int planned);
  // Ends the run and says how: "Restore is complete", "... was cancelled", ...
  QString EndUnitRun(const QString& what);
  void ShowRunReport(const QString& heading, const QString& ending, bool resumable);
  QString SaveRunJournal(const TRunJournal& journal, const QString& folder);
  void RunRestore(const QString& folder, TRunJournal& journal);
  void RunCompare(const QString& folder);
  void RunSnapshot(const QString& folder, TRunJournal& journal);
  QString UnfinishedSnapshot(const QString& parent) const;

  bool unitRun_ = false;
  TRunEnd runEnd_ = TRunEnd::Running;
  QString runError_;
  TAwaited runAwaiting_ = TAwaited::Nothing;
  QByteArray runAnswer_;
  int runStartBank_ = -1;
  bool journalWarned_ = false;
  TRunJournal backupJournal_;
  bool backupJournaled_ = false;
  QEventLoop* runWake_ = nullptr;
  std::vector<TRunSlot> runSlots_;
  QString restoreFolder_;

  // Written while lines are made, which are const work otherwise.
  mutable TUnitDecoder decoder_;

  // The title of a preset dump logged in the batch now being taken from the port, if any.
  std::optional<QString> receivedPresetTitle_;
};
