#include "library/CompareWindow.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "preset/Preset.h"

TfrmCompare::TfrmCompare(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmCompare"));
  setWindowTitle(QStringLiteral("Compare presets"));
  auto* layout = new QVBoxLayout(this);
  lblLeft = new QLabel(this);
  lblLeft->setObjectName(QStringLiteral("lblLeft"));
  lblRight = new QLabel(this);
  lblRight->setObjectName(QStringLiteral("lblRight"));
  lblCount = new QLabel(this);
  lblCount->setObjectName(QStringLiteral("lblCount"));
  memDifferences = new QPlainTextEdit(this);
  memDifferences->setObjectName(QStringLiteral("memDifferences"));
  memDifferences->setReadOnly(true);
  memDifferences->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memDifferences->setLineWrapMode(QPlainTextEdit::NoWrap);
  for (QLabel* l : {lblLeft, lblRight}) l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lblLeft);
  layout->addWidget(lblRight);
  layout->addWidget(memDifferences, 1);
  layout->addWidget(lblCount);
  resize(620, 520);
}

void TfrmCompare::ShowComparison(const TPreset& a, const QString& leftName, const TPreset& b,
                                 const QString& rightName) {
  differences_ = ComparePresets(a, b);
  lblLeft->setText(QStringLiteral("From: ") + a.Title + QStringLiteral("  (") + leftName + ')');
  lblRight->setText(QStringLiteral("To: ") + b.Title + QStringLiteral("  (") + rightName + ')');
  memDifferences->setPlainText(DifferencesText(differences_));
  lblCount->setText(differences_.empty()
                        ? QStringLiteral("The presets are the same")
                        : QStringLiteral("%1 parameters differ").arg(differences_.size()));
  setWindowTitle(QStringLiteral("Compare presets - ") + a.Title + QStringLiteral(" / ") + b.Title);
}

void TfrmCompare::ShowText(const QString& caption, const QString& left, const QString& right,
                           const QString& text, const QString& summary) {
  differences_.clear();
  lblLeft->setText(left);
  lblRight->setText(right);
  memDifferences->setPlainText(text);
  lblCount->setText(summary);
  setWindowTitle(caption);
}

QString TfrmCompare::Text() const {
  return memDifferences->toPlainText();
}
