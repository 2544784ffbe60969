#pragma once

// A dialog service for tests: it shows nothing, records every question it is asked and gives the
// answers planned beforehand, in order. A question without a plan, or whose plan does not fit,
// gets the answer of a user who cancels and is listed in Problems(), so a test that forgets a plan
// fails instead of hanging on a modal window.

#include "app/DialogService.h"

#include <QFont>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum class TDialogKind { Message, OpenFile, SaveFile, Folder, PrinterSetup, Font, Form };

// What was asked, whatever the kind; fields that do not apply stay empty.
struct TDialogRecord {
  TDialogKind kind = TDialogKind::Message;
  QWidget* parent = nullptr;
  QString caption;
  // Message
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  // Files and folders
  QString directory;  // file dialogs: the folder; folder browser: the preselected folder
  QString fileName;
  QString filter;
  QString selectedFilter;
  QString defaultSuffix;
  bool multiSelect = false;
  QString statusText;
  TBrowseLocation root = TBrowseLocation::bl_STANDART;
  TBrowseFlags flags;
  // Form: the form's object name (its caption is in caption)
  QString formName;
  // Font
  QFont font;
  QFontDialog::FontDialogOptions fontOptions;
  // Whether a fitting plan answered it.
  bool planned = false;
};

class TScriptedDialogService : public TDialogService {
 public:
  // Plans, used in the order given.
  void PlanButton(QMessageBox::StandardButton button);
  void PlanOpenFiles(const QStringList& files, const QString& selectedFilter = {});
  void PlanSaveFile(const QString& file, const QString& selectedFilter = {});
  void PlanFolder(const QString& folder, const QString& displayName = {});
  void PlanPrinterSetup(bool accepted);
  void PlanFont(const QFont& font);
  // The user cancels whatever comes next: the escape button of a message box, no file, no folder.
  void PlanCancel();

  // The standing answer for the program's forms of type T: called each time one is shown, with
  // the form as the program made it (not shown); it acts on the form as a user would and returns
  // whether the user accepted it. The newest answer for a type holds; a form without one is
  // rejected and listed in Problems(). Forms do not take plans, so they never upset the order
  // of the planned message boxes and file dialogs.
  template <class T>
  void AnswerForm(std::function<bool(T&)> answer) {
    formAnswers_.push_back([answer = std::move(answer)](QDialog& form) -> std::optional<bool> {
      T* typed = dynamic_cast<T*>(&form);
      if (!typed) return std::nullopt;
      return answer(*typed);
    });
  }

  // The message boxes and file, folder, printer and font dialogs asked for, in order.
  const std::vector<TDialogRecord>& Asked() const { return asked_; }
  // The forms shown, in order.
  const std::vector<TDialogRecord>& Forms() const { return forms_; }
  const TDialogRecord& Last() const { return asked_.back(); }
  int PlansLeft() const { return static_cast<int>(plans_.size()); }
  const QStringList& Problems() const { return problems_; }

  // Called with each record before it is answered, for tests that look at the program's state
  // while the dialog would be open.
  std::function<void(const TDialogRecord&)> OnAsk;

  QMessageBox::StandardButton Message(const TMessageRequest& request) override;
  std::optional<TFileAnswer> OpenFile(const TFileRequest& request) override;
  std::optional<TFileAnswer> SaveFile(const TFileRequest& request) override;
  std::optional<TFolderAnswer> BrowseForFolder(const TFolderRequest& request) override;
  bool PrinterSetup(const TPrinterRequest& request) override;
  std::optional<QFont> ChooseFont(const TFontRequest& request) override;
  bool Form(QDialog& form) override;

 private:
  struct TPlan {
    std::optional<TDialogKind> kind;  // none: a cancel that fits any dialog
    QMessageBox::StandardButton button = QMessageBox::NoButton;
    QStringList files;
    QString selectedFilter;
    QString displayName;
    bool accepted = false;
    QFont font;
  };
  // The next plan if it fits the record's kind; records the question and any problem.
  std::optional<TPlan> Take(TDialogRecord record);

  std::vector<TPlan> plans_;
  std::vector<std::function<std::optional<bool>(QDialog&)>> formAnswers_;
  std::vector<TDialogRecord> asked_;
  std::vector<TDialogRecord> forms_;
  QStringList problems_;
};

// Installs a service for the lifetime of the scope and puts the previous one back afterwards.
class TDialogServiceScope {
 public:
  explicit TDialogServiceScope(std::unique_ptr<TDialogService> service);
  ~TDialogServiceScope();
  TDialogServiceScope(const TDialogServiceScope&) = delete;
  TDialogServiceScope& operator=(const TDialogServiceScope&) = delete;

 private:
  std::unique_ptr<TDialogService> previous_;
};

// The usual test set-up: a scripted service installed for the scope.
class TScriptedDialogs {
 public:
  TScriptedDialogs();
  TScriptedDialogService* operator->() const { return service_; }
  TScriptedDialogService& operator*() const { return *service_; }

 private:
  TScriptedDialogService* service_;  // owned by the installed scope
  TDialogServiceScope scope_;
};
