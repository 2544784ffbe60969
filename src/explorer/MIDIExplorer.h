#pragma once

// The MIDI explorer window: owns the program's one MIDI input port and one output port, lets the
// user pick the devices from menus, logs every received event in the monitor, keeps a hexadecimal
// message buffer that can be sent to the output, and shows a file pane. The program's main window
// derives from it and adds the unit's work through the virtual hooks; start-up is done by
// InitExplorer, not by the constructor.

#include "explorer/FileListing.h"
#include "explorer/MonitorFilter.h"
#include "explorer/MsgBuffer.h"
#include "explorer/SendPacing.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

class QAbstractItemView;
class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QListView;
class QMenu;
class QModelIndex;
class QSplitter;
class QStackedWidget;
class QStandardItem;
class QStandardItemModel;
class QStatusBar;
class QTabWidget;
class QTextBrowser;
class QTimer;
class QToolButton;
class QTreeView;
class QWidget;
class TkxMIDIMenuItem;
class TkxRegUtil;
class TMonitorCapture;
class TMonitorLog;
class TMsgBufEdit;

// The folder of the user guide "contents.htm" for a program in programDir: beside the program, as
// the build leaves it, or else the installed data folder (share/zqn-tarvo beside bin/). When
// neither holds the guide, programDir, so the Help menu can say it is missing.
QString GuideFolder(const QString& programDir);
// Where an installation puts the guide for a program in programDir.
QString InstalledGuideFolder(const QString& programDir);
// Why the help page could not be shown in a browser, once opening it failed: the browser the
// user set (the BROWSER environment value, a program name or path) is missing or cannot be run,
// or no browser could be found. Whether the system lacked the resources to start one is not
// told apart from the last by the platform.
QString HelpBrowserProblem(const QString& browserSetting);

class TfrmMIDIExplorer : public QMainWindow {
  Q_OBJECT
 public:
  // The log keeps at most this many lines, dropping the oldest.
  static constexpr int MaxLogLines = 500;
  // Log lines are cut to this many characters.
  static constexpr int MaxLogLineLength = 255;
  // Events taken from the input port before the window lets other work run again.
  static constexpr int MaxEventsPerTurn = 1024;
  static constexpr int DesignPageWidth = 460;
  // Characters of a log line the monitor shows without scrolling at the window's design size.
  static constexpr int ShownLogLineLength = 42;

  enum TLogAction { laLoadEvent = 0, laEdit = 1, laSend = 2 };
  enum TFileAction { faEdit = 0, faSend = 1 };

  // The drivers are the ports' MIDI services; tests hand in private in-process ones.
  explicit TfrmMIDIExplorer(QWidget* parent = nullptr,
                            std::shared_ptr<IMidiInDriver> inDriver = DefaultMidiInDriver(),
                            std::shared_ptr<IMidiOutDriver> outDriver = DefaultMidiOutDriver());
  ~TfrmMIDIExplorer() override;

  // ---- Hooks, in the order the main window knows them.
  virtual void DoFormShow();
  virtual void DoFormActivate();
  virtual void DoFormKeyDown(int& key, Qt::KeyboardModifiers shift);
  virtual void DoFormClose();
  virtual void DoFormDestroy();
  virtual void ProcessMidiInput(TMidiInput* sender);
  // True when the file is in the buffer; a file that cannot be read is reported, leaves the
  // buffer as it was and unties it from any file.
  virtual bool LoadFileIntoBuffer(const QString& fileName);
  virtual void EditBuffer() = 0;
  virtual bool CheckMidiOut(bool showMonitor);
  virtual void AddLogLine(const QString& text);
  virtual void DeleteLogItem(int index);
  virtual void UpdateBufferMenu();
  virtual void InitExplorer(TkxRegUtil* regUtil, const QString& appTitle);
  // Asked before the window closes; false keeps it open (and nothing of the close happens).
  virtual bool DoFormCloseQuery() { return true; }
  // Why nothing may be sent to the unit now, or empty when sending is free. A derived window that
  // runs a conversation of its own with the unit owns the line meanwhile.
  virtual QString LineBusyReason() const { return {}; }

  // ---- Services for the derived window.
  // Shows the text at once (the status bar is repainted) and runs no other handler: only waits
  // and modal dialogs do that.
  void ShowStatus(const QString& text);
  void AddMenuBeforeHelp(QMenu* topItem);
  void AddBufferMenuItem(QAction* item);
  void RefreshFileList();
  // Parses the editor's text into the buffer; false (with a message box) when it is refused.
  bool ParseBuffer();
  void SendBuffer();
  void ShowBufferBytes(const QString& text);
  void LoadEventIntoBuffer(const TMyMidiEvent& event);
  // Runs the destroy hook once; the destructor does it for whoever did not.
  void FormDestroy();

  TMidiInput* MidiInput() const { return midiInput_.get(); }
  TMidiOutput* MidiOutput() const { return midiOutput_.get(); }
  int OutputChannel() const { return outputChannel_; }
  TkxRegUtil* RegUtil() const { return regUtil_; }
  const QString& AppTitle() const { return appTitle_; }
  bool Initialized() const { return initialized_; }
  bool InsertMode() const;

  // The message buffer; the derived window may write bytes and BufferLength directly.
  TMsgBuffer MessageBuffer;
  std::int32_t BufferLength() const { return MessageBuffer.BufferLength; }
  // The file last loaded with LoadFileIntoBuffer; empty after an event is loaded or after editing.
  QString BufferSourceFile;
  // Puts one message's bytes into the buffer as the window received them; they come from no file.
  void SetBufferBytes(const QByteArray& bytes);
  // The file whose first 10,000 bytes the buffer holds after a load that cut it; the buffer is
  // not saved over it. Empty when the buffer holds a whole file, an event or nothing.
  const QString& TruncatedSource() const { return truncatedSource_; }

  // ---- Monitor log.
  int LogCount() const;
  QString LogLine(int index) const;
  TMyMidiEvent* LogEvent(int index) const;  // null for lines without an event
  // Brings the log's view up to date now instead of at its next frame.
  void FlushLogView();
  TMonitorLog* LogModel() const { return log_; }
  int LogAction() const { return logAction_; }
  int FileAction() const { return fileAction_; }

  // ---- What the monitor shows (MIDIExplorerMonitor.cpp). Filters and the pause change only what
  // the log shows; every event is still handled and captured.
  const TMonitorFilter& MonitorFilter() const { return filter_; }
  // Takes the filter, sets the menu's check marks to it and remembers it.
  void SetMonitorFilter(const TMonitorFilter& filter);
  bool MonitorPaused() const { return paused_; }
  void SetMonitorPaused(bool paused);
  // Events received while the log was paused or filtered, since the last change of either.
  int HiddenEvents() const { return hiddenEvents_; }
  // Whether what the program sends is logged too, marked with OutgoingMark.
  bool ShowOutgoing() const { return showOutgoing_; }
  void SetShowOutgoing(bool show);
  static inline const QString OutgoingMark = QStringLiteral("\u2192 ");
  // ---- Devices that come and go (MIDIExplorerDevices.cpp). The device menus are read again
  // when opened and every RescanIntervalMs; a device in use that disappears is closed and
  // reported once, and reopened when a device of its name returns, as is a remembered device
  // that was missing at start-up. The timer's rescans list the devices on a worker thread.
  static constexpr int RescanIntervalMs = 2000;
  void RescanDevices();
  void RescanDevicesInBackground();
  // The input and output device waited for, to be reopened when it appears; empty for none.
  const QString& AwaitedInput() const { return awaitedIn_; }
  const QString& AwaitedOutput() const { return awaitedOut_; }

  // ---- Paced sending of the message buffer (MIDIExplorerPacing.cpp).
  const TSendPacing& SendPacing() const { return pacing_; }
  // Takes the pacing, sets the menu's check marks to it and remembers it.
  void SetSendPacing(const TSendPacing& pacing);
  // A paced send of the buffer is under way; Ctrl+C stops it.
  bool Sending() const { return sending_; }
  void StopSending();

  // Recording of every received event to a file: raw bytes, or text for ".txt" and ".log".
  // False (with a message box) when the file cannot be written.
  bool StartCapture(const QString& fileName);
  void StopCapture();
  // The running recording, or null.
  const TMonitorCapture* Capture() const;

  // ---- File pane.
  const QString& CurrentFolder() const { return currentFolder_; }
  // Makes an existing folder the current one and lists it; "Invalid folder: " box otherwise.
  void SetFolder(const QString& path);
  // Lists the file's folder and selects the file in it; false when there is no such file.
  bool RevealFile(const QString& file);
  // Full paths of the selected entries that are not folders, in list order.
  QStringList GetSelectedPathFileNames();
  int SortKey() const { return sortKey_; }
  bool SortAscending() const { return sortAscending_; }
  // The listed entries in list order.
  const std::vector<TFileEntry>& FileEntries() const { return entries_; }
  QString FileInfoText(int panel) const;
  QString StatusText(int panel) const;

  // Where "contents.htm" is looked for; GuideFolder of the program's own folder unless set.
  QString HelpFolder() const;
  void SetHelpFolder(const QString& folder) { helpFolder_ = folder; }

 signals:
  // Every text ShowStatus shows, in order.
  void StatusShown(const QString& text);

 protected:
  // Decides what becomes of one event taken from the input port; the explorer logs it. Returns
  // the length to report in the status bar, or -1 for an event that is not reported there.
  virtual int HandleMidiEvent(std::unique_ptr<TMyMidiEvent> event);
  // What the window knows of a received event beyond its bytes, to be seen on its log line (after
  // as much of the event's own text as leaves it in sight); empty for nothing. The explorer
  // knows nothing of the kind.
  virtual QString LogLineNote(const TMyMidiEvent& event) const;
  // The status after a batch of received events, the last of them `length` bytes long:
  // "Received N MIDI in bytes".
  virtual QString ReceivedStatus(int length);
  // Logs one received event as the monitor does (the oldest line goes beyond the cap, the line
  // keeps its event, the monitor page is marked) and returns the event's length in bytes.
  int LogMidiEvent(std::unique_ptr<TMyMidiEvent> event);
  // ReceivedStatus, once per batch of events.
  void ShowReceivedStatus(int length);
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

  // Logs a message the program sent, as the output port reports it.
  void LogOutgoing(std::span<const std::uint8_t> message);
  // Records one received event when a recording runs.
  void CaptureEvent(const TMyMidiEvent& event);

  // After a rescan found devices added or gone (the menus are up to date by then), with
  // whether any input and any output device is there.
  virtual void DevicesChanged(bool /*anyInput*/, bool /*anyOutput*/) {}

  // Runs ProcessMidiInput again on a later turn of the event loop, for events left waiting after
  // MaxEventsPerTurn; overrides of ProcessMidiInput use it the same way.
  void ScheduleMidiInput();

  // Event handlers, named after the controls.
  void FormShow();
  void FormActivate();
  void FormKeyDown(int& key, Qt::KeyboardModifiers shift);
  void FormClose();
  void InputDeviceClick(TkxMIDIMenuItem* item);
  void OutputDeviceClick(TkxMIDIMenuItem* item);
  void miSendClick();
  void miSaveAsClick();
  void miClearOutClick();
  void miClearInClick();
  void miContentsClick();
  // The guide in a window of the program's own, when no browser can show it.
  void ShowHelpWindow(const QString& page);
  void miAboutClick();
  void ChannelClick(QAction* item);
  void LogActionClick(QAction* item);
  void FileActionClick(QAction* item);
  void popInLogPopup();
  void pmiDeleteClick();
  void pmiCopySelectedTextClick();
  void pmiLoadEventIntoBufferClick();
  // A double-click on the line `clicked` (a row of the log's view).
  void lbxLogDblClick(const QModelIndex& clicked);
  void pgcTabChange(int index);
  void pmiPasteClick();
  void pmiSelectAllClick();
  void SaveBuffer();
  void lvwFileListClick(const QModelIndex& index);
  void lvwFileListDblClick();
  void lvwFileListEdited(QStandardItem* item);
  void lvwFileListColumnClick(int column);
  void pmiDeleteFileClick();
  void btnPrevFolderClick();
  void btnBrowseClick();
  void cbxFolderSelect(int index);
  void cbxFolderEnter();
  void SetFileView(int view);

  // ---- Controls, with their object names.
  TMsgBufEdit* memMsgBuf = nullptr;
  QSplitter* splVertical = nullptr;
  QTabWidget* pgcTab = nullptr;
  QWidget* tsExplorer = nullptr;
  QWidget* tsMonitor = nullptr;
  QListView* lbxLog = nullptr;
  QStatusBar* stbStatBar = nullptr;
  QMenu* miFile = nullptr;
  QAction* miSaveAs = nullptr;
  QAction* miClearOut = nullptr;
  QAction* miExit = nullptr;
  QMenu* miMIDIIn = nullptr;
  QAction* miClearIn = nullptr;
  QMenu* miMIDIOut = nullptr;
  QAction* miSend = nullptr;
  QMenu* miTransmitonchannel = nullptr;
  std::vector<QAction*> miChannel;  // miChannel1 .. miChannel16
  QMenu* miHelp = nullptr;
  QAction* miContents = nullptr;
  QAction* miAbout = nullptr;
  QMenu* popInLog = nullptr;
  QAction* pmiDelete = nullptr;
  QAction* pmiClearinputLog = nullptr;
  QAction* pmiCopySelectedText = nullptr;
  QMenu* pmiSetDblClickLogOpt = nullptr;
  QAction* pmiSetLogLoadEvent = nullptr;
  QAction* pmiSetLogEdit = nullptr;
  QAction* pmiSetLogSend = nullptr;
  QMenu* popMsgBuf = nullptr;
  QAction* pmiUndo = nullptr;
  QAction* pmiCut = nullptr;
  QAction* pmiCopy = nullptr;
  QAction* pmiPaste = nullptr;
  QAction* pmiSelectAll = nullptr;
  QAction* pmiBufClear = nullptr;
  QAction* pmiSendtoMIDIOut = nullptr;
  QAction* pmiSave = nullptr;
  // "Monitor" menu.
  QMenu* miMonitor = nullptr;
  QAction* miPauseLog = nullptr;
  QAction* miHideRealtime = nullptr;
  QMenu* miHideKinds = nullptr;
  std::vector<QAction*> miHideKind;  // note off .. pitch bend
  QMenu* miHideChannels = nullptr;
  std::vector<QAction*> miHideChannel;  // channels 1 .. 16
  QAction* miSysexOnly = nullptr;
  QAction* miShowAll = nullptr;
  QAction* miShowOutgoing = nullptr;
  QAction* miRecord = nullptr;
  QAction* miStopRecord = nullptr;
  // "Send pacing" in the MIDI Out menu.
  QMenu* miSendPacing = nullptr;
  QMenu* miSendGap = nullptr;
  QMenu* miSendChunk = nullptr;
  QMenu* miSendChunkDelay = nullptr;
  // File pane.
  QToolButton* btnBrowse = nullptr;
  QToolButton* btnPrevFolder = nullptr;
  QToolButton* btnFileDetails = nullptr;
  QToolButton* btnFileList = nullptr;
  QToolButton* btnFileIcons = nullptr;
  QComboBox* cbxFolder = nullptr;
  QStackedWidget* stkFileViews = nullptr;
  QTreeView* lvwFileList = nullptr;       // details
  QListView* lvwFileListIcons = nullptr;  // plain list and large icons, same items
  QStatusBar* stbFileInfo = nullptr;
  QMenu* popFileList = nullptr;
  QAction* pmiRefresh = nullptr;
  QAction* pmiDeleteFile = nullptr;
  QMenu* pmiSetDblClickFileOpt = nullptr;
  QAction* pmiSetFileEdit = nullptr;
  QAction* pmiSetFileSend = nullptr;

 private:
  void CreateControls();
  void CreateMenus();
  void CreateFilePane();
  void CreateMonitorMenu();
  void ReadMonitorSettings();
  void ShowFilterMarks();
  void FilterMenuClick();
  void miRecordClick();
  void CreatePacingMenu();
  void RebuildDeviceItems(bool input, const QStringList& names);
  void ApplyDeviceScan(std::uint64_t scan, const QStringList& inNames, const QStringList& outNames);
  void ShowDeviceMarks();
  void ReadPacingSettings();
  void ShowPacingMarks();
  void SendBufferPaced(const std::vector<TSendPiece>& pieces);
  // Lets events run for `ms` milliseconds, or until the send is stopped; false when stopped.
  bool PaceWait(int ms);
  // Logs one event, with `mark` before its text; the event's length in bytes.
  int LogEventLine(std::unique_ptr<TMyMidiEvent> event, const QString& mark);
  void ReadFolderHistory();
  void WriteFolderHistory();
  void SetStatusPanels(const QString& text);
  void UpdateModePanel();
  void RememberInt(const QString& name, int value);
  int SelectedLogIndex() const;
  QAbstractItemView* ActiveFileView() const;
  QModelIndex FileIndexAt(int row) const;
  void SelectFirstFile();
  void FocusFileList();
  // Moves `folder` to the top of the history (inserting it when new) and selects it.
  void PutFolderOnTop(const QString& folder);
  void SendTextBuffer();
  // Focuses the buffer's editor with the caret at the start; says so when the editor refused a
  // text (`textShown` false).
  void FocusBufferStart(bool textShown);

  std::shared_ptr<IMidiInDriver> inDriver_;
  std::shared_ptr<IMidiOutDriver> outDriver_;
  std::unique_ptr<TMidiInput> midiInput_;
  std::unique_ptr<TMidiOutput> midiOutput_;
  std::vector<std::unique_ptr<TkxMIDIMenuItem>> inputItems_;
  std::vector<std::unique_ptr<TkxMIDIMenuItem>> outputItems_;
  QActionGroup* inputGroup_ = nullptr;
  QActionGroup* outputGroup_ = nullptr;
  TkxRegUtil* regUtil_ = nullptr;
  QString appTitle_;
  QTextBrowser* helpWindow_ = nullptr;
  int outputChannel_ = 0;
  int logAction_ = laLoadEvent;
  int fileAction_ = faEdit;
  bool initialized_ = false;
  bool destroyed_ = false;
  bool retryPosted_ = false;
  bool monitorMarked_ = false;
  int pendingPageWidth_ = DesignPageWidth;
  QString helpFolder_;
  QString truncatedSource_;
  QLabel* statusPanel0_ = nullptr;
  QLabel* statusPanel1_ = nullptr;
  QLabel* fileInfoPanel0_ = nullptr;
  QLabel* fileInfoPanel1_ = nullptr;
  TMonitorLog* log_ = nullptr;
  TMonitorFilter filter_;
  bool paused_ = false;
  bool showOutgoing_ = false;
  int hiddenEvents_ = 0;
  std::unique_ptr<TMonitorCapture> capture_;
  QString awaitedIn_;
  QString awaitedOut_;
  bool rescanning_ = false;
  QTimer* timRescan_ = nullptr;
  struct TDeviceScan {
    std::uint64_t Number = 0;
    QStringList Inputs;
    QStringList Outputs;
  };
  QFutureWatcher<TDeviceScan>* scanWatcher_ = nullptr;
  std::uint64_t scansStarted_ = 0;
  std::uint64_t scansApplied_ = 0;
  TSendPacing pacing_;
  bool sending_ = false;
  bool stopSending_ = false;
  // Time stamps of the lines of sent messages, on the clock of the input's own.
  QElapsedTimer inputClock_;
  // Key preview: the key event last shown to DoFormKeyDown and where it was going, so the same
  // event is not previewed again while it travels up to the window.
  const QEvent* previewedKey_ = nullptr;
  QPointer<QObject> previewedTarget_;

  // File pane state.
  QString currentFolder_;
  int sortKey_ = fsName;
  bool sortAscending_ = true;
  QStringList selectedFileNames_;
  std::vector<TFileEntry> entries_;
  QStandardItemModel* fileModel_ = nullptr;
  bool fillingFiles_ = false;
};
