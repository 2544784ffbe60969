#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>
#include "PdfText.h"

#include "EditorTestUtil.h"
#include "editor/PresetPrint.h"
#include "preset/PresetFile.h"

namespace {

// A preset with something in every section of the listing.
TPreset ListedPreset() {
  TPreset p = SamplePreset();
  p.Title = QStringLiteral("Listed");
  p.Mix = {31, 15, 0};
  p.PerfInUse[1] = true;
  p.PerfMIDI[1].ParamNo = FirstAnalogParam;  // compressor drive
  p.PerfMIDI[1].Low = 0;
  p.PerfMIDI[1].High = 31;
  p.PerfMIDI[1].Controller = 11;
  return p;
}

// The lines every form of the listing carries for ListedPreset.
const char* const ExpectedLines[] = {
    "ZQN-Tarvo Preset parameter listing",
    "Title: Listed",
    "Analog effects",
    "Compressor",
    "drive = 100%",
    "Slope = 4:1",
    "Equalizer",
    "40Hz = 0 db",
    "Digital effects",
    "Mix",
    "dry = 100%",
    "analog = 0%",
    "Performance MIDI",
    "Controller #2",
    "is controlling: Compressor: drive",
    "low range value = 0%",
    "high range value = 100%",
    "controller = #11 Expression ctlr",
};

TEST(PresetListingPrint, APrintedListingReadsBackFromThePdf) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.ShowSettled(ListedPreset(), dir.filePath("listed.zqn"));
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsPerfMIDI);
  const QString pdf = dir.filePath("listing.pdf");
  rig.editor->Printer().setOutputFormat(QPrinter::PdfFormat);
  rig.editor->Printer().setOutputFileName(pdf);
  rig.editor->btnPrint->click();
  EXPECT_EQ(rig.editor->pgcPreset->currentWidget(), rig.editor->tsAnalog);
  ASSERT_TRUE(QFile::exists(pdf));
  const std::optional<QString> text = PdfText(pdf);
  if (!text) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  for (const char* line : ExpectedLines) EXPECT_TRUE(text->contains(line)) << line;
  EXPECT_TRUE(text->contains("Filename: " + dir.filePath("listed.zqn")));
}

// With no printer, Print offers a PDF file; a declined offer prints nothing and says nothing, and
// the printer still takes the file chosen on the next Print.
TEST(PresetListingPrint, WithoutAPrinterPrintOffersAPdfFile) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.ShowSettled(ListedPreset(), dir.filePath("listed.zqn"));
  rig.editor->Printer().setOutputFormat(QPrinter::PdfFormat);
  rig.editor->Printer().setOutputFileName(QString());
  rig.dialogs->PlanCancel();
  rig.editor->btnPrint->click();
  ASSERT_EQ(rig.dialogs->Asked().size(), 1u);
  EXPECT_EQ(rig.dialogs->Last().kind, TDialogKind::SaveFile);
  EXPECT_EQ(rig.dialogs->Last().fileName.toStdString(), "listed.pdf");
  const QString pdf = dir.filePath("chosen.pdf");
  rig.dialogs->PlanSaveFile(pdf);
  rig.editor->btnPrint->click();
  EXPECT_EQ(rig.dialogs->Asked().size(), 2u);  // no error message
  EXPECT_GT(QFileInfo(pdf).size(), 0);
}

TEST(PresetListingPrint, TheCommandLineListingGivesTheSameLines) {
  QTemporaryDir dir;
  const QString good = dir.filePath("listed.zqn");
  QFile file(good);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(ImageBytes(ListedPreset()));
  file.close();
  QFile bad(dir.filePath("bad.zqn"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(QByteArray(247, 0));
  bad.close();

  QString out, err;
  QTextStream outStream(&out), errStream(&err);
  EXPECT_EQ(PrintListings({good}, outStream, errStream), 0);
  EXPECT_TRUE(err.isEmpty());
  for (const char* line : ExpectedLines) EXPECT_TRUE(out.contains(line)) << line;
  // Indented as on paper: pages by three blanks, parameters by six.
  EXPECT_TRUE(out.contains("\n   Compressor\n      drive = 100%\n"));
  EXPECT_TRUE(out.contains("\n    dry = 100%\n    digital = "));

  out.clear();
  EXPECT_EQ(PrintListings({bad.fileName(), good}, outStream, errStream), 1);
  EXPECT_EQ(err.toStdString(), (bad.fileName() + ": Not a valid preset file\n").toStdString());
  EXPECT_TRUE(out.contains("Title: Listed"));  // the good file is still listed

  // Several files: a form feed between two listings, none before the first.
  out.clear();
  EXPECT_EQ(PrintListings({good, good}, outStream, errStream), 0);
  EXPECT_FALSE(out.startsWith('\f'));
  EXPECT_EQ(out.count(QStringLiteral("\f\n")), 1);
}

TEST(PresetListingPrint, ScreenshotOfAnEditorWithAPresetFromTheUnit) {
  EditorRig rig;
  TPreset p;
  p.LoadFromImage(AsBytes(TUnitSimulator::FactoryPreset(0, 4)));
  p.AnalogInUse.fill(true);
  rig.Show(p);
  rig.editor->pgcAnalogParams->setCurrentIndex(5);
  QApplication::processEvents();
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath("preset-editor.png");
  ASSERT_TRUE(rig.editor->grab().save(path));
  EXPECT_GT(QFileInfo(path).size(), 1000);
}

}  // namespace
