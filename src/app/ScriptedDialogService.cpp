#include "app/ScriptedDialogService.h"

namespace {

const char* KindName(TDialogKind kind) {
  switch (kind) {
    case TDialogKind::Message:
      return "message box";
    case TDialogKind::OpenFile:
      return "open dialog";
    case TDialogKind::SaveFile:
      return "save dialog";
    case TDialogKind::Folder:
      return "folder browser";
    case TDialogKind::PrinterSetup:
      return "printer set-up";
    case TDialogKind::Font:
      return "font dialog";
    case TDialogKind::Form:
      return "form";
  }
  return "dialog";
}

}  // namespace

void TScriptedDialogService::PlanButton(QMessageBox::StandardButton button) {
  TPlan plan;
  plan.kind = TDialogKind::Message;
  plan.button = button;
  plans_.push_back(plan);
}

void TScriptedDialogService::PlanOpenFiles(const QStringList& files,
                                           const QString& selectedFilter) {
  TPlan plan;
  plan.kind = TDialogKind::OpenFile;
  plan.files = files;
  plan.selectedFilter = selectedFilter;
  plans_.push_back(plan);
}

void TScriptedDialogService::PlanSaveFile(const QString& file, const QString& selectedFilter) {
  TPlan plan;
  plan.kind = TDialogKind::SaveFile;
  plan.files = QStringList{file};
  plan.selectedFilter = selectedFilter;
  plans_.push_back(plan);
}

void TScriptedDialogService::PlanFolder(const QString& folder, const QString& displayName) {
  TPlan plan;
  plan.kind = TDialogKind::Folder;
  plan.files = QStringList{folder};
  plan.displayName = displayName;
  plans_.push_back(plan);
}

void TScriptedDialogService::PlanPrinterSetup(bool accepted) {
  TPlan plan;
  plan.kind = TDialogKind::PrinterSetup;
  plan.accepted = accepted;
  plans_.push_back(plan);
}

void TScriptedDialogService::PlanFont(const QFont& font) {
  TPlan plan;
  plan.kind = TDialogKind::Font;
  plan.font = font;
  plans_.push_back(plan);
}

void TScriptedDialogService::PlanCancel() {
  plans_.push_back(TPlan{});
}

std::optional<TScriptedDialogService::TPlan> TScriptedDialogService::Take(TDialogRecord record) {
  std::optional<TPlan> plan;
  const QString what =
      QStringLiteral("%1 \"%2\"").arg(QLatin1String(KindName(record.kind)), record.caption);
  if (plans_.empty()) {
    problems_ << QStringLiteral("unplanned %1").arg(what);
  } else if (plans_.front().kind && *plans_.front().kind != record.kind) {
    problems_ << QStringLiteral("%1 asked where a %2 was planned")
                     .arg(what, QLatin1String(KindName(*plans_.front().kind)));
  } else {
    plan = plans_.front();
    plans_.erase(plans_.begin());
  }
  record.planned = plan.has_value();
  asked_.push_back(record);
  if (OnAsk) OnAsk(asked_.back());
  return plan;
}

QMessageBox::StandardButton TScriptedDialogService::Message(const TMessageRequest& request) {
  TDialogRecord record;
  record.kind = TDialogKind::Message;
  record.parent = request.parent;
  record.caption = request.caption;
  record.text = request.text;
  record.icon = request.icon;
  record.buttons = request.buttons;
  record.defaultButton = request.defaultButton;
  const std::optional<TPlan> plan = Take(record);
  const QMessageBox::StandardButton escape = EscapeButton(request.buttons);
  if (!plan || !plan->kind) return escape;
  if (!request.buttons.testFlag(plan->button)) {
    problems_ << QStringLiteral("message box \"%1\" does not offer the planned button %2")
                     .arg(request.caption)
                     .arg(static_cast<int>(plan->button), 0, 16);
    return escape;
  }
  return plan->button;
}

namespace {
TDialogRecord FileRecord(TDialogKind kind, const TFileRequest& request) {
  TDialogRecord record;
  record.kind = kind;
  record.parent = request.parent;
  record.caption = request.caption;
  record.directory = request.directory;
  record.fileName = request.fileName;
  record.filter = request.filter;
  record.selectedFilter = request.selectedFilter;
  record.defaultSuffix = request.defaultSuffix;
  record.multiSelect = kind == TDialogKind::OpenFile && request.multiSelect;
  return record;
}
}  // namespace

std::optional<TFileAnswer> TScriptedDialogService::OpenFile(const TFileRequest& request) {
  const std::optional<TPlan> plan = Take(FileRecord(TDialogKind::OpenFile, request));
  if (!plan || !plan->kind || plan->files.isEmpty()) return std::nullopt;
  if (!request.multiSelect && plan->files.size() > 1) {
    problems_ << QStringLiteral("several files planned for the single-file open dialog \"%1\"")
                     .arg(request.caption);
    return std::nullopt;
  }
  return TFileAnswer{plan->files, plan->selectedFilter};
}

std::optional<TFileAnswer> TScriptedDialogService::SaveFile(const TFileRequest& request) {
  const std::optional<TPlan> plan = Take(FileRecord(TDialogKind::SaveFile, request));
  if (!plan || !plan->kind || plan->files.isEmpty()) return std::nullopt;
  return TFileAnswer{plan->files, plan->selectedFilter};
}

std::optional<TFolderAnswer> TScriptedDialogService::BrowseForFolder(
    const TFolderRequest& request) {
  TDialogRecord record;
  record.kind = TDialogKind::Folder;
  record.parent = request.parent;
  record.caption = request.caption;
  record.statusText = request.statusText;
  record.directory = request.folder;
  record.root = request.root;
  record.flags = request.flags;
  const std::optional<TPlan> plan = Take(record);
  if (!plan || !plan->kind || plan->files.isEmpty()) return std::nullopt;
  return TFolderAnswer{plan->files.first(), plan->displayName};
}

bool TScriptedDialogService::PrinterSetup(const TPrinterRequest& request) {
  TDialogRecord record;
  record.kind = TDialogKind::PrinterSetup;
  record.parent = request.parent;
  const std::optional<TPlan> plan = Take(record);
  return plan && plan->kind && plan->accepted;
}

std::optional<QFont> TScriptedDialogService::ChooseFont(const TFontRequest& request) {
  TDialogRecord record;
  record.kind = TDialogKind::Font;
  record.parent = request.parent;
  record.caption = request.caption;
  record.font = request.font;
  record.fontOptions = request.options;
  const std::optional<TPlan> plan = Take(record);
  if (!plan || !plan->kind) return std::nullopt;
  return plan->font;
}

TDialogServiceScope::TDialogServiceScope(std::unique_ptr<TDialogService> service)
    : previous_(InstallDialogService(std::move(service))) {}

TDialogServiceScope::~TDialogServiceScope() {
  InstallDialogService(std::move(previous_));
}

namespace {

std::unique_ptr<TDialogService> NewScripted(TScriptedDialogService*& out) {
  auto service = std::make_unique<TScriptedDialogService>();
  out = service.get();
  return service;
}

}  // namespace

TScriptedDialogs::TScriptedDialogs() : service_(nullptr), scope_(NewScripted(service_)) {}

bool TScriptedDialogService::Form(QDialog& form) {
  TDialogRecord record;
  record.kind = TDialogKind::Form;
  record.parent = form.parentWidget();
  record.caption = form.windowTitle();
  record.formName = form.objectName();
  const std::size_t at = forms_.size();
  forms_.push_back(record);
  if (OnAsk) OnAsk(forms_.back());
  form.setResult(QDialog::Rejected);  // as exec() starts
  // The answer may ask questions of its own (a form's button that opens a file dialog), and may
  // even set answers of its own.
  const auto answers = formAnswers_;
  std::optional<bool> accepted;
  for (auto it = answers.rbegin(); it != answers.rend() && !accepted; ++it) accepted = (*it)(form);
  forms_[at].planned = accepted.has_value();
  if (!accepted) {
    problems_ << QStringLiteral("unanswered form \"%1\" (%2)")
                     .arg(record.caption, QString::fromLatin1(form.metaObject()->className()));
  }
  return accepted.value_or(false);
}
