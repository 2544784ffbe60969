#pragma once

// A resizable list from which the user picks one line, such as the editor's chooser of valid
// digital groups. The caller fills it, replaces the caption and shows it modally; afterwards
// SelectedIndex and SelectedText hold the choice.

#include <QDialog>
#include <QString>
#include <cstdint>

class QListWidget;
class QListWidgetItem;
class QPushButton;

class TfrmPickList : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmPickList(QWidget* parent = nullptr);

  // Appends a line to the list.
  void AddItem(const QString& text);

  // The chosen line's number, -1 when nothing was taken.
  std::int32_t SelectedIndex() const { return selectedIndex_; }
  // The chosen line, empty when nothing was taken.
  const QString& SelectedText() const { return selectedText_; }

  QListWidget* lbxPickList;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void lbxPickListClick();
  void lbxPickListDblClick(QListWidgetItem* item);
  void btnOkClick();
  void TakeSelection();

  std::int32_t selectedIndex_ = -1;
  QString selectedText_;
};
