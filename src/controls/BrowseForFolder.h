#pragma once

// A non-visual component that lets the user choose a folder, through the dialog service.

#include "app/DialogService.h"

#include <QObject>
#include <QString>
#include <cstdint>

class TBrowseForFolder : public QObject {
  Q_OBJECT
 public:
  explicit TBrowseForFolder(QObject* owner = nullptr);

  // The dialog's title line.
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption) { caption_ = caption; }

  // Shown only when the dialog has a status line (bf_statustext).
  const QString& StatusText() const { return statusText_; }
  void SetStatusText(const QString& text) { statusText_ = text; }

  // Preselected when the dialog opens; the chosen folder after a successful Execute. Stored
  // normalised: a drive always ends in a separator, a longer folder never does.
  const QString& FolderName() const { return folderName_; }
  void SetFolderName(const QString& folder);

  // Display name of the chosen item after a successful Execute.
  const QString& DisplayName() const { return displayName_; }

  TBrowseFlags Flags() const { return TBrowseFlags::fromInt(optionWord_); }
  void SetFlags(TBrowseFlags flags) { optionWord_ = flags.toInt(); }
  // The option word handed to the dialog: the flag bits plus its own validation.
  std::uint32_t DialogOptions() const { return optionWord_ | BrowseValidateOption; }

  TBrowseLocation Root() const { return root_; }
  void SetRoot(TBrowseLocation root) { root_ = root; }

  // The tree root used with bl_CUSTOM.
  const QString& CustomRoot() const { return customRoot_; }
  void SetCustomRoot(const QString& folder) { customRoot_ = folder; }

  // Shows the dialog modally over the owner's window (if the owner is a widget). True when the user
  // chose a folder; false when cancelled, leaving FolderName as it was.
  bool Execute();

 private:
  QString caption_;
  QString statusText_;
  QString folderName_;
  QString displayName_;
  std::uint32_t optionWord_ = 0;
  TBrowseLocation root_ = TBrowseLocation::bl_STANDART;
  QString customRoot_;
};
