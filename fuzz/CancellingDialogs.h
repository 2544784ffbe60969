#pragma once

// The dialog service of the fuzz targets: every question is answered as a user who cancels.

#include "app/DialogService.h"

// Whatever a window would ask, the user cancels; nothing is recorded, so millions of runs do not
// pile up answers.
class TCancellingDialogs : public TDialogService {
 public:
  QMessageBox::StandardButton Message(const TMessageRequest&) override {
    return QMessageBox::Cancel;
  }
  std::optional<TFileAnswer> OpenFile(const TFileRequest&) override { return std::nullopt; }
  std::optional<TFileAnswer> SaveFile(const TFileRequest&) override { return std::nullopt; }
  std::optional<TFolderAnswer> BrowseForFolder(const TFolderRequest&) override {
    return std::nullopt;
  }
  bool PrinterSetup(const TPrinterRequest&) override { return false; }
  std::optional<QFont> ChooseFont(const TFontRequest&) override { return std::nullopt; }
  bool Form(QDialog&) override { return false; }
};
