#pragma once

// The one gate for every modal interaction: message boxes and questions, the open and save file
// dialogs, the folder browser, printer set-up and the font dialog. Windows ask through Dialogs();
// the program runs with the Qt dialogs, and tests install a scripted service (see
// ScriptedDialogService.h) that records every question and gives planned answers, so no test ever
// waits on a real modal window.

#include <QDialog>
#include <QFlags>
#include <QFont>
#include <QFontDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QPrinter;
class QWidget;

// Options of the folder browser, with the option bits of the Windows shell dialog they stand for.
enum class TBrowseFlag : std::uint32_t {
  bf_ReturnOnlyFSDIRS = 0x0001,   // only file-system folders
  bf_DontGoBelowDomain = 0x0002,  // no network folders below the domain level
  bf_statustext = 0x0004,         // show a status line
  bf_ReturnFSanceStors = 0x0008,  // only file-system ancestors
  bf_EditBox = 0x0010,            // show an edit box
  bf_BrowseForComputer = 0x1000,  // browse for computers
  bf_BrowseForPrinter = 0x2000,   // browse for printers
};
Q_DECLARE_FLAGS(TBrowseFlags, TBrowseFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBrowseFlags)

// The dialog's own validation: a typed name that is not a valid folder is reported and the dialog
// stays open. Always added to the options.
inline constexpr std::uint32_t BrowseValidateOption = 0x0020;

// Where the folder tree starts.
enum class TBrowseLocation {
  bl_STANDART,  // the whole name space
  bl_CUSTOM,    // a folder given at run time
  bl_DESKTOP,
  bl_PROGRAMS,
  bl_CONTROLS,
  bl_PRINTERS,
  bl_PERSONAL,
  bl_FAVORITES,
  bl_STARTUP,
  bl_RECENT,
  bl_SENDTO,
  bl_BITBUCKET,
  bl_STARTMENU,
  bl_DESKTOPDIRECTORY,
  bl_DRIVES,
  bl_NETWORK,
  bl_NETHOOD,
  bl_FONTS,
  bl_TEMPLATES,
  bl_COMMON_STARTMENU,
  bl_COMMON_PROGRAMS,
  bl_COMMON_STARTUP,
  bl_COMMON_DESKTOPDIRECTORY,
  bl_APPDATA,
  bl_PRINTHOOD,
};

// The Windows shell's special-folder number of a tree root; -1 for bl_STANDART and bl_CUSTOM, which
// have none.
int ShellFolderId(TBrowseLocation location);

struct TMessageRequest {
  QWidget* parent = nullptr;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

struct TFileRequest {
  QWidget* parent = nullptr;
  QString caption;
  QString directory;             // folder shown first; empty for the dialog's own choice
  QString fileName;              // name proposed in the name box
  QString filter;                // Qt filter list, e.g. "Preset files (*.zqn);;All files (*)"
  QString selectedFilter;        // entry of `filter` selected first
  QString defaultSuffix;         // added to a typed name without one ("zqn")
  bool multiSelect = false;      // open only
  bool confirmOverwrite = true;  // save only
};

struct TFileAnswer {
  QStringList files;  // never empty: a cancelled dialog gives no answer at all
  QString selectedFilter;
  QString File() const { return files.value(0); }
};

struct TFolderRequest {
  QWidget* parent = nullptr;
  QString caption = QStringLiteral("Select Folder");
  QString statusText = QStringLiteral("Plase select folder");
  QString folder = QStringLiteral("C:\\");  // preselected; empty for none
  TBrowseLocation root = TBrowseLocation::bl_STANDART;
  QString customRoot;  // the tree root for bl_CUSTOM
  TBrowseFlags flags;
};

struct TFolderAnswer {
  QString folder;
  QString displayName;
};

struct TPrinterRequest {
  QWidget* parent = nullptr;
  QPrinter* printer = nullptr;  // the dialog changes its settings when accepted
};

struct TFontRequest {
  QWidget* parent = nullptr;
  QString caption;
  QFont font;
  // Which fonts the dialog offers (fixed-pitch only, for instance).
  QFontDialog::FontDialogOptions options;
};

class TDialogService {
 public:
  virtual ~TDialogService();

  // The button the user chose. Closing the box without a choice gives its escape button
  // (EscapeButton).
  virtual QMessageBox::StandardButton Message(const TMessageRequest& request) = 0;
  virtual std::optional<TFileAnswer> OpenFile(const TFileRequest& request) = 0;
  virtual std::optional<TFileAnswer> SaveFile(const TFileRequest& request) = 0;
  virtual std::optional<TFolderAnswer> BrowseForFolder(const TFolderRequest& request) = 0;
  // True when the user accepted the set-up.
  virtual bool PrinterSetup(const TPrinterRequest& request) = 0;
  virtual std::optional<QFont> ChooseFont(const TFontRequest& request) = 0;
  // A form of the program's own (options before a run, a prompt, a report, the About box), shown
  // modally as the program made it. True when the user accepted it.
  virtual bool Form(QDialog& form) = 0;
};

// The program's service: the Qt dialogs.
class TQtDialogService : public TDialogService {
 public:
  QMessageBox::StandardButton Message(const TMessageRequest& request) override;
  std::optional<TFileAnswer> OpenFile(const TFileRequest& request) override;
  std::optional<TFileAnswer> SaveFile(const TFileRequest& request) override;
  std::optional<TFolderAnswer> BrowseForFolder(const TFolderRequest& request) override;
  bool PrinterSetup(const TPrinterRequest& request) override;
  std::optional<QFont> ChooseFont(const TFontRequest& request) override;
  bool Form(QDialog& form) override;
};

// The service in use; the Qt service until another is installed.
TDialogService& Dialogs();
// Installs a service and returns the one it replaces (empty when that was the built-in Qt service).
// An empty argument returns to the Qt service.
std::unique_ptr<TDialogService> InstallDialogService(std::unique_ptr<TDialogService> service);

// The escape button of a set of buttons: Cancel, else No, else Abort, else Ok, else the first one.
QMessageBox::StandardButton EscapeButton(QMessageBox::StandardButtons buttons);

// Brings a dialog that is being shown to the front and gives it the focus. A dialog is transient
// for its parent only: without this, one opened from the main window while an editor window lies
// over it would open behind the editor. Call from the dialog's showEvent, or just before exec().
void BringToFront(QWidget* dialog);

// Shorthands over Dialogs().
QMessageBox::StandardButton MessageDlg(
    QWidget* parent, const QString& caption, const QString& text, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
// An information box with the program's title and OK.
void ShowMessage(QWidget* parent, const QString& text);
// The standard error display: the program's title, an error icon, the text and OK.
void ShowErrorMessage(QWidget* parent, const QString& text);

enum class TQuestionAnswer { Yes, No, Cancel, YesToAll };
// Yes, No and Cancel (and "Yes to All" when `offerYesToAll`); closing the box is Cancel.
TQuestionAnswer AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text,
                               bool offerYesToAll = false);

// Asks "Do you want to save your changes?" before a window with unsaved work closes: Yes saves
// and lets the window close only when the save worked, No closes, Cancel keeps it open.
bool ConfirmCloseWithSave(QWidget* window, const std::function<bool()>& save);
