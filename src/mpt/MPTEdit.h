#pragma once

// The window in which one MIDI program table is edited: a grid of the 200 program changes (128 on
// Pre-Kinetic units), each showing the preset it selects. The table is validated before it is
// saved as a .mpt file or sent to the unit, printed as a grid or as a list, and the file-name
// hints of the grid name the backup file of each preset.
//
// The window never touches the MIDI ports: whoever opens it hands it OnSendMPT. Closing destroys
// the window (Qt::WA_DeleteOnClose).

#include <QPointer>
#include <QPrinter>
#include <QString>
#include <QTableWidget>
#include <QWidget>
#include <functional>

#include "mpt/Mpt.h"
#include "mpt/MptGrid.h"
#include "mpt/MptReport.h"

class QAction;
class QActionGroup;
class QIODevice;
class QMenu;
class QPushButton;
class TfrmMPTRptOpt;
class TkxRegUtil;

inline const QString MptEditorCaption = QStringLiteral("QVA ZQN Tarvo MPT Editor");

// The grid widget. Rows and columns of the window's grid are 1-based positions; the widget's
// own rows and columns are the data cells only (its headers are the fixed row and column).
class TMptGridView : public QTableWidget {
  Q_OBJECT
 public:
  using QTableWidget::QTableWidget;

  // Asked before the current cell changes to (row, col); false keeps the cell (the handler may
  // have moved it elsewhere itself).
  std::function<bool(int row, int col)> OnSelectCell;
  // The mouse is over (row, col); 0, 0 off the data cells.
  std::function<void(int row, int col)> OnMouseMoveCell;
  // The cell editor while one is open (set by the window's delegate).
  QPointer<QWidget> OpenEditor;

  // Writes an open cell editor's text into its cell and closes it, as leaving the cell does;
  // commands that read the grid call this first.
  void CommitOpenEditor();

 protected:
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool MayMoveTo(const QModelIndex& index);
  bool dragRefused_ = false;
};

class TfrmMPTEdit : public QWidget {
  Q_OBJECT
 public:
  // `settings` keeps the hint folder, the report style and the window rectangle; it may be null.
  // The grid takes the Pre-Kinetic layout when that mode is on now.
  explicit TfrmMPTEdit(QWidget* parent = nullptr, TkxRegUtil* settings = nullptr);
  ~TfrmMPTEdit() override;

  // Sends a complete dump image (MptDumpLength bytes, F0 .. F7) and returns the result text.
  std::function<QString(QIODevice& stream)> OnSendMPT;
  // Heads the proposed file name of the first save.
  QString AppTitle = QStringLiteral("ZQN-Tarvo");

  // Loads a table image (MptDumpLength bytes from the start of the stream) into the table and the
  // grid and clears modified. A short stream raises EMptError and changes nothing.
  void LoadTable(QIODevice& stream);
  // Caption: the file name, " - " and the editor's name; just the name for an empty file name.
  void SetFileName(const QString& fileName);
  const QString& FileName() const { return fileName_; }

  bool Modified() const { return modified_; }

  // Whether this editor can follow a switch of Pre-Kinetic mode to `on`. A table whose program
  // changes 129..200 hold more than their default presets asks first, since those are left out
  // of a Pre-Kinetic table; false when the user keeps them.
  bool MayFollowPreKinetic(bool on);
  // Lays the table and the grid out for the mode: header command, image length and grid rows.
  // The cells both layouts have keep their texts; the others come from the table.
  void FollowPreKinetic(bool on);
  const Tmpt& Table() const { return table_; }
  bool PreKinetic() const { return cells_.PreKinetic(); }
  int DataRows() const { return cells_.Rows(); }
  const QString& HintFolder() const { return hintFolder_; }
  const THintFiles& HintFiles() const { return hintFiles_; }
  TMptRowLabels RowLabels() const { return labels_; }
  QPrinter& Printer() { return printer_; }
  // The report options dialog while it is open (it closes itself), else null.
  TfrmMPTRptOpt* ReportOptions() const { return rptOpt_; }
  // The result text of the last send.
  const QString& LastSendResult() const { return lastSendResult_; }

  // The text of a grid cell by position: (0, 0) the corner, row 0 the column headings, column 0
  // the row labels, anything else a data cell.
  QString Cell(int row, int col) const;
  void SetCell(int row, int col, const QString& text);
  // The grid's current cell by position.
  int CurrentRow() const;
  int CurrentCol() const;
  void SetCurrentCell(int row, int col);
  // The grid's data cells as texts, in position order.
  TMptCells GridCells() const;

  // The edit mask of a cell: three digits for the data cells.
  QString grdMPTGetEditMask(int row, int col) const;
  // Whether the current cell may become (row, col): only when every cell is valid.
  bool grdMPTSelectCell(int row, int col);
  void grdMPTMouseMove(int row, int col);
  void pmiShowRangesClick();
  void pmiShowOffsetsClick();
  void pmiSetToDefaultClick();
  void pmiSelectFolderClick();
  void pmiInsertShiftRowClick();
  void pmiInsertShiftAllClick();
  void pmiDeleteShiftRowClick();
  void pmiDeleteShiftAllClick();
  // True when a file was written.
  bool btnSaveAsClick();
  void btnSendOutClick();
  void btnPrintClick();
  void btnPrtSetupClick();
  void btnFontClick();
  void btnExitClick();
  // True when the key was used.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  bool FormCloseQuery();
  // Closes after the save question was already answered (the main window asks every editor
  // before it closes any), so it is not asked twice.
  void CloseAnswered();
  void FormClose();
  // Fills the data cells from the table.
  void FormShow();

  // Runs validation on the grid: the "Error found" message and the cell moved to at the first
  // invalid one.
  bool ValidateGrid();
  // After a successful validation: the grid, in grid order, into the table.
  void CopyGridToTable();
  // Prints in the given style on Printer(); false when the job could not start.
  bool PrintReport(TMptReportStyle style);

  TMptGridView* grdMPT;
  QPushButton* btnSaveAs;
  QPushButton* btnSendOut;
  QPushButton* btnPrint;
  QPushButton* btnPrtSetup;
  QPushButton* btnFont;
  QPushButton* btnExit;
  QMenu* popMPTgrid;
  QAction* pmiShowRanges;
  QAction* pmiShowOffsets;
  QAction* pmiSetToDefault;
  QAction* pmiSelectFolder;
  QMenu* pmiInsertCell;
  QAction* pmiInsertShiftRow;
  QAction* pmiInsertShiftAll;
  QMenu* pmiDeleteCell;
  QAction* pmiDeleteShiftRow;
  QAction* pmiDeleteShiftAll;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildGrid();
  // Rows, cells and row labels for the layout in cells_.
  void LayOutRows();
  void BuildMenu();
  void PutCells(const TMptCells& cells);
  void Relabel();
  void ApplyGridFont(const QFont& font);
  // Rows or columns dragged to new places: their texts are laid out again by position, so the
  // grid's order is what every later operation (and the table) reads.
  void grdMPTSectionMoved(Qt::Orientation orientation);
  void ShiftCells(bool insert, TMptShift shift);
  void ReportOptionsClosed(int result);
  void ReadSettings();
  void WriteSettings();

  TkxRegUtil* settings_;
  Tmpt table_;
  TMptCells cells_;  // the layout; the texts live in the grid widget
  QString fileName_;
  QString lastDialogFile_;
  QString hintFolder_;
  QString lastSendResult_;
  TMptRowLabels labels_ = TMptRowLabels::Ranges;
  bool modified_ = true;
  bool closeAnswered_ = false;
  bool relaying_ = false;
  int hintRow_ = 0;
  int hintCol_ = 0;
  QPrinter printer_;
  TfrmMPTRptOpt* rptOpt_ = nullptr;
  THintFiles hintFiles_;
};

// Tells the table editors among the children of `owner` of a switch of Pre-Kinetic mode to `on`,
// so every table keeps one layout. When one of them refuses (its user keeps program changes only
// a full table holds), none changes and the result is false.
bool SwitchMptEditorsPreKinetic(QObject* owner, bool on);
