#include "app/DialogService.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>

namespace {

std::unique_ptr<TDialogService>& Installed() {
  static std::unique_ptr<TDialogService> service;
  return service;
}

// Dialogs without an explicit owner still belong to the window the user is working in, so they open
// over it and block it.
QWidget* Owner(QWidget* parent) {
  return parent ? parent : QApplication::activeWindow();
}

QString ApplicationTitle() {
  const QString display = QGuiApplication::applicationDisplayName();
  return display.isEmpty() ? QCoreApplication::applicationName() : display;
}

// A starting place on this system for a tree root; empty when the root has no counterpart here.
QString RootFolder(const TFolderRequest& request) {
  using L = TBrowseLocation;
  const auto standard = [](QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location);
  };
  switch (request.root) {
    case L::bl_STANDART:
      return {};
    case L::bl_CUSTOM:
      return request.customRoot;
    case L::bl_DESKTOP:
    case L::bl_DESKTOPDIRECTORY:
    case L::bl_COMMON_DESKTOPDIRECTORY:
      return standard(QStandardPaths::DesktopLocation);
    case L::bl_PERSONAL:
    case L::bl_TEMPLATES:
      return standard(QStandardPaths::DocumentsLocation);
    case L::bl_FONTS:
      return standard(QStandardPaths::FontsLocation);
    case L::bl_APPDATA:
      return standard(QStandardPaths::GenericDataLocation);
    case L::bl_PROGRAMS:
    case L::bl_STARTMENU:
    case L::bl_STARTUP:
    case L::bl_COMMON_STARTMENU:
    case L::bl_COMMON_PROGRAMS:
    case L::bl_COMMON_STARTUP:
      return standard(QStandardPaths::ApplicationsLocation);
    case L::bl_DRIVES:
      return QDir::rootPath();
    default:
      return standard(QStandardPaths::HomeLocation);
  }
}

QString DisplayNameOf(const QString& folder) {
  const QFileInfo info(folder);
  if (info.isRoot()) {
    const QString volume = QStorageInfo(folder).displayName();
    return volume.isEmpty() ? QDir::toNativeSeparators(folder) : volume;
  }
  return info.fileName().isEmpty() ? QDir(folder).dirName() : info.fileName();
}

}  // namespace

TDialogService::~TDialogService() = default;

int ShellFolderId(TBrowseLocation location) {
  using L = TBrowseLocation;
  switch (location) {
    case L::bl_STANDART:
    case L::bl_CUSTOM:
      return -1;
    case L::bl_DESKTOP:
      return 0;
    case L::bl_PROGRAMS:
      return 2;
    case L::bl_CONTROLS:
      return 3;
    case L::bl_PRINTERS:
      return 4;
    case L::bl_PERSONAL:
      return 5;
    case L::bl_FAVORITES:
      return 6;
    case L::bl_STARTUP:
      return 7;
    case L::bl_RECENT:
      return 8;
    case L::bl_SENDTO:
      return 9;
    case L::bl_BITBUCKET:
      return 10;
    case L::bl_STARTMENU:
      return 11;
    case L::bl_DESKTOPDIRECTORY:
      return 16;
    case L::bl_DRIVES:
      return 17;
    case L::bl_NETWORK:
      return 18;
    case L::bl_NETHOOD:
      return 19;
    case L::bl_FONTS:
      return 20;
    case L::bl_TEMPLATES:
      return 21;
    case L::bl_COMMON_STARTMENU:
      return 22;
    case L::bl_COMMON_PROGRAMS:
      return 23;
    case L::bl_COMMON_STARTUP:
      return 24;
    case L::bl_COMMON_DESKTOPDIRECTORY:
      return 25;
    case L::bl_APPDATA:
      return 26;
    case L::bl_PRINTHOOD:
      return 27;
  }
  return -1;
}

QMessageBox::StandardButton EscapeButton(QMessageBox::StandardButtons buttons) {
  for (auto b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Abort, QMessageBox::Ok}) {
    if (buttons.testFlag(b)) return b;
  }
  for (unsigned bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1) {
    if (buttons.testFlag(static_cast<QMessageBox::StandardButton>(bit))) {
      return static_cast<QMessageBox::StandardButton>(bit);
    }
  }
  return QMessageBox::NoButton;
}

void BringToFront(QWidget* dialog) {
  if (!dialog) return;
  // Once the window exists and is mapped: exec() shows it only after this returns.
  QTimer::singleShot(0, dialog, [dialog] {
    if (!dialog->isVisible()) return;
    dialog->raise();
    dialog->activateWindow();
  });
}

QMessageBox::StandardButton TQtDialogService::Message(const TMessageRequest& request) {
  QMessageBox box(request.icon, request.caption, request.text, request.buttons,
                  Owner(request.parent));
  if (request.defaultButton != QMessageBox::NoButton) box.setDefaultButton(request.defaultButton);
  const QMessageBox::StandardButton escape = EscapeButton(request.buttons);
  if (escape != QMessageBox::NoButton) box.setEscapeButton(escape);
  BringToFront(&box);
  box.exec();
  const QMessageBox::StandardButton chosen = box.standardButton(box.clickedButton());
  return chosen == QMessageBox::NoButton ? escape : chosen;
}

std::optional<TFileAnswer> TQtDialogService::OpenFile(const TFileRequest& request) {
  QFileDialog dialog(Owner(request.parent), request.caption, request.directory, request.filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.selectedFilter.isEmpty()) dialog.selectNameFilter(request.selectedFilter);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  BringToFront(&dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return TFileAnswer{dialog.selectedFiles(), dialog.selectedNameFilter()};
}

std::optional<TFileAnswer> TQtDialogService::SaveFile(const TFileRequest& request) {
  QFileDialog dialog(Owner(request.parent), request.caption, request.directory, request.filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.selectedFilter.isEmpty()) dialog.selectNameFilter(request.selectedFilter);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  BringToFront(&dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return TFileAnswer{QStringList{dialog.selectedFiles().first()}, dialog.selectedNameFilter()};
}

std::optional<TFolderAnswer> TQtDialogService::BrowseForFolder(const TFolderRequest& request) {
  QFileDialog dialog(Owner(request.parent), request.caption);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  const QString root = RootFolder(request);
  if (!root.isEmpty()) {
    dialog.setSidebarUrls(dialog.sidebarUrls() << QUrl::fromLocalFile(root));
  }
  // The preselected folder if it exists here, else the tree root, else the user's home.
  const QString preselected = QDir::fromNativeSeparators(request.folder);
  if (!preselected.isEmpty() && QFileInfo(preselected).isDir()) {
    dialog.setDirectory(preselected);
  } else if (!root.isEmpty() && QFileInfo(root).isDir()) {
    dialog.setDirectory(root);
  } else {
    dialog.setDirectory(QDir::homePath());
  }
  if (request.flags.testFlag(TBrowseFlag::bf_statustext) && !request.statusText.isEmpty()) {
    dialog.setLabelText(QFileDialog::LookIn, request.statusText);
  }
  BringToFront(&dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = QDir::toNativeSeparators(dialog.selectedFiles().first());
  return TFolderAnswer{chosen, DisplayNameOf(dialog.selectedFiles().first())};
}

bool TQtDialogService::PrinterSetup(const TPrinterRequest& request) {
  if (!request.printer) return false;
  QPrintDialog dialog(request.printer, Owner(request.parent));
  // Qt's dialog is made for printing; here it only chooses and configures the printer (or the
  // PDF file), and is titled and buttoned as such.
  dialog.setWindowTitle(QStringLiteral("Printer Setup"));
  if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
    if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
  }
  BringToFront(&dialog);
  return dialog.exec() == QDialog::Accepted;
}

std::optional<QFont> TQtDialogService::ChooseFont(const TFontRequest& request) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, request.font, Owner(request.parent), request.caption,
                                          request.options);
  if (!ok) return std::nullopt;
  return font;
}

bool TQtDialogService::Form(QDialog& form) {
  return form.exec() == QDialog::Accepted;
}

TDialogService& Dialogs() {
  static TQtDialogService qtService;
  const auto& installed = Installed();
  return installed ? *installed : static_cast<TDialogService&>(qtService);
}

std::unique_ptr<TDialogService> InstallDialogService(std::unique_ptr<TDialogService> service) {
  std::unique_ptr<TDialogService> previous = std::move(Installed());
  Installed() = std::move(service);
  return previous;
}

QMessageBox::StandardButton MessageDlg(QWidget* parent, const QString& caption, const QString& text,
                                       QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                       QMessageBox::StandardButton defaultButton) {
  TMessageRequest request;
  request.parent = parent;
  request.icon = icon;
  request.caption = caption;
  request.text = text;
  request.buttons = buttons;
  request.defaultButton = defaultButton;
  return Dialogs().Message(request);
}

void ShowMessage(QWidget* parent, const QString& text) {
  MessageDlg(parent, ApplicationTitle(), text, QMessageBox::Information, QMessageBox::Ok);
}

void ShowErrorMessage(QWidget* parent, const QString& text) {
  MessageDlg(parent, ApplicationTitle(), text, QMessageBox::Critical, QMessageBox::Ok);
}

TQuestionAnswer AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text,
                               bool offerYesToAll) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  if (offerYesToAll) buttons |= QMessageBox::YesToAll;
  switch (MessageDlg(parent, caption, text, QMessageBox::Question, buttons, QMessageBox::Yes)) {
    case QMessageBox::Yes:
      return TQuestionAnswer::Yes;
    case QMessageBox::No:
      return TQuestionAnswer::No;
    case QMessageBox::YesToAll:
      return offerYesToAll ? TQuestionAnswer::YesToAll : TQuestionAnswer::Cancel;
    default:
      return TQuestionAnswer::Cancel;
  }
}

bool ConfirmCloseWithSave(QWidget* window, const std::function<bool()>& save) {
  switch (AskYesNoCancel(window, window ? window->windowTitle() : QString(),
                         QStringLiteral("Do you want to save your changes?"))) {
    case TQuestionAnswer::Yes:
      return save();
    case TQuestionAnswer::No:
    case TQuestionAnswer::YesToAll:
      return true;
    case TQuestionAnswer::Cancel:
      break;
  }
  return false;
}
