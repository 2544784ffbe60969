#include "controls/BrowseForFolder.h"

#include "app/kxUtility.h"

#include <QWidget>

TBrowseForFolder::TBrowseForFolder(QObject* owner) : QObject(owner) {
  const TFolderRequest defaults;
  caption_ = defaults.caption;
  statusText_ = defaults.statusText;
  SetFolderName(defaults.folder);
}

void TBrowseForFolder::SetFolderName(const QString& folder) {
  folderName_ = NormalizeFolderName(folder);
}

bool TBrowseForFolder::Execute() {
  TFolderRequest request;
  auto* ownerWidget = qobject_cast<QWidget*>(parent());
  request.parent = ownerWidget ? ownerWidget->window() : nullptr;
  request.caption = caption_;
  request.statusText = statusText_;
  request.folder = folderName_;
  request.root = root_;
  request.customRoot = customRoot_;
  request.flags = Flags();
  const std::optional<TFolderAnswer> answer = Dialogs().BrowseForFolder(request);
  if (!answer) return false;
  SetFolderName(answer->folder);
  displayName_ = answer->displayName;
  return true;
}
