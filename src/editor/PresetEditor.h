#pragma once

// The window in which one preset is edited. Every parameter control is generated from the
// parameter table and bound to its field of the preset: a control writes its value there itself
// and reports the change, and the window turns each change into an undo snapshot and, unless the
// user switches it off, a send to the unit about a second after the movements settle.
//
// The window never touches the MIDI ports: whoever opens it hands it OnSendPreset, OnSendRaw and
// OnGetPresetNo. Closing hides it; the opener may reset and reuse it for the next preset.

#include <QFont>
#include <QPrinter>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "editor/EditorPages.h"
#include "preset/Preset.h"
#include "preset/PresetListing.h"
#include "preset/UndoHistory.h"

class QCheckBox;
class QGroupBox;
class QIODevice;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QScrollBar;
class QTableWidget;
class TkxRegUtil;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class TfrmStorePrompt;

inline const QString PresetEditorCaption = QStringLiteral("QVA ZQN-Tarvo Preset Editor");

class TfrmPresetEditor : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmPresetEditor(QWidget* parent = nullptr);
  ~TfrmPresetEditor() override;

  // Services of the opener. OnSendPreset sends the stream's whole content as one message and
  // returns the result text; OnGetPresetNo gives the unit's current preset 1..200 or -1.
  std::function<QString(QIODevice& stream)> OnSendPreset;
  std::function<void(const std::uint8_t* bytes, std::uint16_t length)> OnSendRaw;
  std::function<int()> OnGetPresetNo;
  // Names of controllers 0..128 for the printed listing; the built-in names when unset.
  TControllerNameFn ControllerName;
  // Heads the printed listing and names the settings key of the controller names.
  QString AppTitle = QStringLiteral("ZQN-Tarvo");
  // The program's settings store; unset, the editor keeps its own store on the program's key
  // ("\SOFTWARE\Marvandel/" + AppTitle), which reads and writes the same values.
  TkxRegUtil* Settings = nullptr;

  // Back to a fresh, never-saved preset editor: caption, empty histories, no file name. The
  // record stays and is overwritten by the next load.
  void ResetEditor();
  // Loads a 246-byte dump from the stream (raises EPresetError for anything else, changing
  // nothing) and takes the file name it came from (empty for a dump from the unit). A visible
  // editor shows the preset at once; a hidden one when it is shown.
  void LoadPreset(QIODevice& stream, const QString& sourceFileName);
  void LoadPresetFromStream(QIODevice& stream);
  void SetFileName(const QString& name);
  const QString& FileName() const { return fileName_; }
  bool NeverSaved() const { return neverSaved_; }

  TPreset& Preset() { return preset_; }
  const TUndoHistory& History() const { return history_; }
  QString StatusText() const;
  bool Loading() const { return loading_; }
  bool SendPending() const { return sendPending_; }

  // Fills every control from the preset and binds it; ends with the preset's own snapshot.
  void FormShow();
  // The single entry for a change of the preset: immediate changes are recorded and sent at once,
  // deferred ones (control movements) when the settle timer runs out.
  void MarkModified(bool immediate);
  void TimerTick();
  // False when the preset did not go out (it cannot be sent, or the opener refused it).
  bool SendPreset();
  void BoundControlChanged();
  void RefreshVexaStates();
  // Shows how to start on the analog page while no analog effect is on.
  void ShowStartHint();
  // True when a snapshot was recorded.
  bool PushUndo();
  void Undo();
  void Redo();
  void UpdateUndoButtons();
  bool SaveAs();
  void Open();
  bool CloseQuery();
  // Closes after the save question was already answered (the main window asks every editor
  // before it closes any), so it is not asked twice.
  void CloseAnswered();
  // Shows why a send or store did not reach the unit, in place of the send mark.
  void ShowSendRefused(const QString& reason);
  void Store();
  void Print();
  void PrinterSetup();
  // Item i of the analog list was checked or unchecked.
  void cklAnalogSelectClickCheck(int i);
  // Handles the window's keys before its controls; true when the key was used.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

  // The settle time of the timer (1000 ms; tests run it shorter).
  void SetSettleInterval(int milliseconds);
  QPrinter& Printer() { return printer_; }
  TfrmStorePrompt* StorePrompt() const { return storePrompt_; }
  // The generated parameter controls: mix, then analog in slot order A0..A27.
  const std::vector<TParamControl>& MixControls() const { return mixControls_; }
  const std::vector<TParamControl>& AnalogControls() const { return analogControls_; }
  // The listing Print writes, for the preset as it stands.
  TPresetListing Listing() const;
  // Pages of the digital page control that show for the chain.
  std::array<bool, 17> DigitalPagesShown() const;
  // The generated digital controls, page by page in page order, each page in its slot order.
  const std::vector<TParamControl>& DigitalControls() const { return digitalControls_; }

  // Digital chain editing.
  void lbxDigAvailClick();
  void lbxDigSelClick();
  void lbxDigAvailDblClick();
  void lbxDigSelDblClick();
  void btnAddDfxClick();
  void btnDelDfxClick();
  void btnDigGrpClick();
  void pgcDigitalParamsChange();
  void btnMPNcenterClick();
  // Shows the three diffusion controls only for "Reverb 3" and moves the Level control beside
  // them or under Position.
  void ApplyReverbDiffusion();

  // Performance MIDI page.
  void pgcPresetChange();
  void lbxPMIdefctlClick();
  void btnPMIaddClick();
  void btnPMIdelClick();
  void popPMIctldefPopup();
  void lbxCtlParamClick();
  void lbxParamNamesClick();
  void scrLowValueChange();
  void scrHighValueChange();
  void grdPMctlClick();
  void grdPMctlSetEditText(int row, const QString& text);
  void btnVexaleftClick();
  void btnVexarightClick();
  // Rebuilds "Controllers defined" from the preset, dropping entries whose parameter left the
  // chain, and resets the parameter lists.
  void RefreshPerfControllers();
  // Column 0 the numbers 0..128, column 1 the user's names, else the built-in ones.
  void FillControllerNames(QTableWidget* grid);
  void SaveControllerName(int row, const QString& text);
  QString ControllerNameOf(int row) const;
  int CurrentPerfEntry() const { return perfCurrent_; }

  // The directory of the last save in this program run, with a trailing separator; shared by
  // every editor.
  static QString LastSaveFolder;

  // Tool bar.
  QToolBar* tbrTools;
  QToolButton* btnOpen;
  QToolButton* btnUndo;
  QToolButton* btnRedo;
  QToolButton* btnSaveAs;
  QToolButton* btnSendOut;
  QToolButton* btnStore;
  QToolButton* btnPrint;
  QToolButton* btnPrtSetup;
  QToolButton* btnExit;
  // Title row.
  QLabel* lblTitle;
  QLineEdit* edtTitle;
  QLabel* lblStatus;
  QCheckBox* chkAutoSend;
  // Effect selection and mix.
  QGroupBox* grpAnalogFX;
  QListWidget* cklAnalogSelect;
  QGroupBox* grpDigFX;
  QListWidget* lbxDigSel;
  QListWidget* lbxDigAvail;
  QToolButton* btnAddDfx;
  QToolButton* btnDelDfx;
  QToolButton* btnDigGrp;
  QLabel* lblDigGrp;
  QGroupBox* grpMix;
  // Pages.
  QTabWidget* pgcPreset;
  QWidget* tsAnalog;
  QWidget* tsDigital;
  QWidget* tsPerfMIDI;
  QWidget* tsVexastates;
  QTabWidget* pgcAnalogParams;
  QLabel* lblStartHint = nullptr;  // in place of the analog pages while none is on
  QTabWidget* pgcDigitalParams;
  std::array<QCheckBox*, 9> VexaBoxes{};
  std::array<QWidget*, 17> DigitalPageWidgets{};
  QPushButton* btnMPNcenter = nullptr;
  // Performance MIDI page.
  QListWidget* lbxPMIdefctl;
  QToolButton* btnPMIadd;
  QToolButton* btnPMIdel;
  QMenu* popPMIctldef;
  QAction* pmiAddController;
  QAction* pmiDeleteController;
  QListWidget* lbxCtlParam;
  QListWidget* lbxParamNames;
  QScrollBar* scrLowValue;
  QScrollBar* scrHighValue;
  QLabel* lblPMILowValue;
  QLabel* lblPMIHighValue;
  QLabel* lblPMIcurrval;
  QTableWidget* grdPMctl;
  QPushButton* btnVexaleft;
  QPushButton* btnVexaright;
  QTimer* timSys;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolBar();
  void BuildTitleRow();
  void BuildSelection();
  void BuildPages();
  void BindMixControls();
  void BindAnalogControls();
  void ShowAnalogTabs();
  void FillDigitalSelection();
  void RefreshPerformanceAssignments();
  void ShowSnapshot(QBuffer& snapshot);
  // Records a deferred change still waiting for the settle timer, so history steps never lose it.
  void TakePendingSnapshot();
  void SetStatus(const QString& text);
  void edtTitleChange(const QString& text);
  void VexaClick(int index, bool checked);
  bool VexaFamilyPresent(int number) const;
  void InstallChangeCallbacks();
  // Digital side (EditorDigital.cpp).
  void BuildDigitalSelection(QGroupBox* box);
  void BuildDigitalPages();
  void FillAvailable();
  bool Regroup();
  void ShowDigitalPages();
  void BindDigitalControls();
  void AfterChainChange();
  TParamControl* FindDigitalControl(int page, const char* name);
  // Performance side (EditorPerformance.cpp).
  void BuildPerfPage();
  void ResetParamLists(bool fillEffects);
  void UpdatePerfAddDelete();
  // Until an entry is chosen: nothing of an entry can be edited.
  void DisablePerfEditing();
  void ShowPerfEntry();
  // Shows the chosen parameter's range; an edit (the user chose a new target) also starts the
  // entry's range at the parameter's full range and marks the entry shown.
  void SetUpRange(bool edit);
  void SelectControllerRow(int row);
  void ShowRangeText(QLabel* label, int position) const;
  TkxRegUtil& ControllerStore();

  TPreset preset_;
  TUndoHistory history_;
  QString fileName_;
  bool neverSaved_ = true;
  bool closeAnswered_ = false;
  bool loading_ = false;
  bool sendPending_ = false;
  std::vector<TParamControl> mixControls_;
  std::vector<TParamControl> analogControls_;
  std::vector<TParamControl> digitalControls_;
  std::array<int, 18> digitalPageStart_{};  // first control of page p; [17] the end
  int perfCurrent_ = -1;
  bool rangeEdit_ = false;
  bool perfUpdating_ = false;  // the page moves its own controls: no edit of the entry
  bool namesFilling_ = false;
  QFont namesFont_;  // the controller grid's widths below were measured in this font
  int numberWidth_ = 0;
  int namesWidth_ = 0;
  bool callbacksInstalled_ = false;
  std::array<bool, 9> vexaEnabled_{};  // each Vexa box's family was in the chain at last look
  std::vector<const TParamControl*> paramControls_;  // per item of lbxParamNames
  std::unique_ptr<TkxRegUtil> ownSettings_;
  TfrmStorePrompt* storePrompt_ = nullptr;
  QPrinter printer_;
};
