#include "preset/PresetFile.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "device/DeviceMessages.h"
#include "preset/PresetError.h"

namespace {

QByteArray Image(const TPreset& p) {
  const TPresetImage i = p.Encode();
  return QByteArray(reinterpret_cast<const char*>(i.data()), int(i.size()));
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST(PresetFile, NumberAfterTheExtension) {
  const struct {
    const char* name;
    int number;
  } cases[] = {{"Lead.zqn042", 42},       {"Lead.zqn", -1},  {"Lead.zqn4", -1},
               {"Lead.zqn12", 12},        {"x.ZQN200", 200}, {"a.zqnab", -1},
               {"/b/Bank A/a.zqn001", 1}, {"a.zqn0421", 42}, {"a.zqn.zqn007", 7},
               {"noextension", -1},       {".zqn042", 42}};  // a preset with no title
  for (const auto& c : cases)
    EXPECT_EQ(PresetNumberFromFileName(QString::fromLatin1(c.name)), c.number) << c.name;
}

TEST(PresetFile, SaveAndLoadRoundTripAndSaveMarksUnmodified) {
  QTemporaryDir dir;
  TPreset p;
  p.Title = QStringLiteral("Round");
  p.AnalogInUse[2] = true;
  const QString path = dir.filePath("r.zqn");
  SavePresetFile(path, p);
  EXPECT_TRUE(p.Loaded);
  EXPECT_FALSE(p.IsModified());
  p.Title = QStringLiteral("Changed");
  EXPECT_TRUE(p.IsModified());
  TPreset q;
  LoadPresetFile(path, q);
  EXPECT_EQ(q.Title.toStdString(), "Round");
  EXPECT_TRUE(q.AnalogInUse[2]);
}

TEST(PresetFile, WrongSizesAndFramingAreRefusedWithoutTouchingTheRecord) {
  QTemporaryDir dir;
  TPreset good;
  good.Title = QStringLiteral("Good");
  const QByteArray image = Image(good);
  QByteArray badHead = image;
  badHead[4] = char(0x06);
  const QByteArray samples[] = {image + QByteArray(1, 0), image.left(245), badHead, QByteArray()};
  for (const QByteArray& bytes : samples) {
    const QString path = dir.filePath("bad.zqn");
    Write(path, bytes);
    TPreset record;
    record.Title = QStringLiteral("Kept");
    const TPresetImage before = record.Encode();
    try {
      LoadPresetFile(path, record);
      ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
    } catch (const EPresetError& e) {
      EXPECT_EQ(e.Message().toStdString(), "Not a valid preset file");
    }
    EXPECT_EQ(record.Encode(), before);
    EXPECT_EQ(record.DumpImage, TPresetImage{});
  }
  EXPECT_THROW(LoadPresetFile(dir.filePath("missing.zqn"), good), EPresetError);
}

TEST(PresetFile, ALastByteOtherThanF7IsCopiedAndWrittenBackAsF7) {
  QTemporaryDir dir;
  TPreset good;
  good.Title = QStringLiteral("Tail");
  QByteArray bytes = Image(good);
  bytes[245] = char(0x00);
  const QString path = dir.filePath("tail.zqn");
  Write(path, bytes);
  TPreset record;
  LoadPresetFile(path, record);
  EXPECT_EQ(record.Title, QStringLiteral("Tail"));
  EXPECT_EQ(record.EndByte, 0x00);
  // The program's own file ends the message.
  const QString saved = dir.filePath("saved.zqn");
  SavePresetFile(saved, record);
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray written = file.readAll();
  ASSERT_EQ(written.size(), 246);
  EXPECT_EQ(std::uint8_t(written[245]), 0xF7);
  EXPECT_EQ(written.left(245), bytes.left(245));
}

TEST(PresetFile, AFailedSaveLeavesTheOldFileWhole) {
  QTemporaryDir dir;
  TPreset p;
  EXPECT_THROW(SavePresetFile(dir.filePath("no/such/dir/x.zqn"), p), EPresetError);
  EXPECT_FALSE(p.Loaded);
  // An existing file in a folder that refuses new files: the save file cannot replace it.
  const QString sub = dir.filePath("ro");
  ASSERT_TRUE(QDir().mkdir(sub));
  const QString path = QDir(sub).filePath("old.zqn");
  Write(path, QByteArray("old content"));
  QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
  if (QFile(QDir(sub).filePath("probe")).open(QIODevice::WriteOnly)) {
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    GTEST_SKIP() << "running with rights that ignore folder permissions";
  }
  EXPECT_THROW(SavePresetFile(path, p), EPresetError);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("old content"));
  QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(PresetFile, UnsendableBytesAreFoundBetweenTheFramingBytes) {
  TPreset p;
  TPresetImage image = p.Encode();
  EXPECT_EQ(FirstUnsendableByte(image), -1);  // F0 and F7 themselves are framing
  image[2] = 0x80;
  EXPECT_EQ(FirstUnsendableByte(image), 2);
  image[2] = 0;
  image[244] = 0xFF;
  EXPECT_EQ(FirstUnsendableByte(image), 244);
}

}  // namespace
