#pragma once

// Reading back what a test printed to a PDF file.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <optional>

// Pages of a PDF written by Qt: each page is an object of type /Page.
inline int PdfPageCount(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QString text = QString::fromLatin1(file.readAll());
  return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b"))));
}

// The text of a PDF, or nothing when poppler's pdftotext is not installed.
inline std::optional<QString> PdfText(const QString& path) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (tool.isEmpty()) return std::nullopt;
  QProcess process;
  process.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
  if (!process.waitForFinished(20000)) return std::nullopt;
  // The printer's font sets "ff" as one ligature glyph; read it back as the two letters.
  return QString::fromUtf8(process.readAllStandardOutput())
      .replace(QChar(0xFB00), QStringLiteral("ff"));
}
