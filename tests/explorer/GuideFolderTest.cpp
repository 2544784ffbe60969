// Where the Help menu finds the user guide: beside the program in a build tree, in the data folder
// of an installation.

#include "explorer/MIDIExplorer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class GuideFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    programDir = root.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(programDir));
  }
  static void PutGuide(const QString& folder) {
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(folder + "/contents.htm");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
  }

  QTemporaryDir root;
  QString programDir;
};

TEST_F(GuideFolderTest, InstalledGuideLiesInTheDataFolderBesideTheProgramFolder) {
  const QString installed = InstalledGuideFolder(programDir);
  EXPECT_TRUE(installed.startsWith(root.path() + "/")) << installed.toStdString();
  EXPECT_FALSE(installed.startsWith(programDir)) << installed.toStdString();
  EXPECT_TRUE(installed.endsWith("/zqn-tarvo")) << installed.toStdString();
}

TEST_F(GuideFolderTest, AnInstalledProgramFindsTheInstalledGuide) {
  PutGuide(InstalledGuideFolder(programDir));
  EXPECT_EQ(GuideFolder(programDir), InstalledGuideFolder(programDir));
}

TEST_F(GuideFolderTest, TheGuideBesideTheProgramComesFirst) {
  PutGuide(InstalledGuideFolder(programDir));
  PutGuide(programDir);
  EXPECT_EQ(GuideFolder(programDir), programDir);
}

TEST_F(GuideFolderTest, WithoutAGuideTheProgramFolderIsNamed) {
  EXPECT_EQ(GuideFolder(programDir), programDir);
}

}  // namespace
