// The index of every preset file under the library's folders: one entry per preset with all its
// places, the search, and annotations that survive the loss of the database.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "LibraryTestUtil.h"
#include "library/PresetLibrary.h"

namespace {

const char* const Titles[] = {"Clean Chorus", "Fat Lead", "Ambient Pad", "Funk Rhythm",
                              "Slap Bass"};

// Three snapshots of a four-bank unit, five presets a bank. Between snapshots one preset changes
// (B-002 in the second) and one is added (D-006 in the third); everything else is the same
// preset in each snapshot. Then the debris a real backup folder collects.
class LibraryTree : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString root;
  QString db;

  static QByteArray Dump(int bank, int i, int version = 0) {
    TPreset p = GroupNinePreset(QString("%1 %2").arg(Titles[i]).arg(QChar('A' + bank)));
    // Each bank's presets use different analog effects; the reverb only in bank C.
    p.AnalogInUse[std::size_t(i)] = true;
    if (bank != 2) p.DigitalInUse[2] = false;
    p.Mix[0] = 20 + version;
    return DumpOf(p);
  }
  static QString FileName(int bank, int i) {
    return QString("%1 %2.zqn%3")
        .arg(Titles[i])
        .arg(QChar('A' + bank))
        .arg(i + 1, 3, 10, QChar('0'));
  }

  void SetUp() override {
    root = dir.path() + "/backups";
    db = dir.path() + "/data/library.sqlite";
    for (int snap = 1; snap <= 3; ++snap) {
      for (int bank = 0; bank < 4; ++bank) {
        for (int i = 0; i < 5; ++i) {
          const int version = snap >= 2 && bank == 1 && i == 1 ? 1 : 0;
          WriteFile(QString("%1/Snapshot %2/Bank %3/%4")
                        .arg(root)
                        .arg(snap)
                        .arg(QChar('A' + bank))
                        .arg(FileName(bank, i)),
                    Dump(bank, i, version));
        }
      }
    }
    TPreset extra = GroupNinePreset("Late Addition");
    extra.DigitalInUse[2] = false;
    WriteFile(root + "/Snapshot 3/Bank D/Late Addition.zqn006", DumpOf(extra));
    // A preset kept by hand, outside any bank folder, with a plain name: another place of A-001.
    WriteFile(root + "/favourites/my clean.zqn", Dump(0, 0));
    // Debris: a short file, another maker's dump, a text file, an empty file, a folder link
    // that leads back up, and a folder nobody may read.
    WriteFile(root + "/Snapshot 1/Bank A/Broken.zqn010", Dump(0, 0).left(120));
    QByteArray foreign = Dump(0, 1);
    foreign[1] = 0x7E;
    WriteFile(root + "/Snapshot 1/Bank A/Foreign.zqn011", foreign);
    WriteFile(root + "/Snapshot 1/notes.txt", "what I changed");
    WriteFile(root + "/Snapshot 2/Bank A/Empty.zqn012", QByteArray());
    QFile::link(root, root + "/Snapshot 2/loop");
    TPreset secret = GroupNinePreset("Secret");
    secret.DigitalInUse[2] = false;
    WriteFile(root + "/locked/Secret.zqn001", DumpOf(secret));
    QFile::setPermissions(root + "/locked", QFileDevice::Permissions());
  }
  void TearDown() override {
    QFile::setPermissions(root + "/locked",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }

  static const TLibraryEntry& EntryTitled(const TPresetLibrary& lib, const QString& title) {
    for (const TLibraryEntry& e : lib.Entries())
      if (e.Title == title) return e;
    static TLibraryEntry none;
    ADD_FAILURE() << "no entry " << qPrintable(title);
    return none;
  }
  static QStringList TitlesOf(const TPresetLibrary& lib, const std::vector<int>& rows) {
    QStringList titles;
    for (int r : rows) titles << lib.Entries()[std::size_t(r)].Title;
    titles.sort();
    return titles;
  }
};

TEST_F(LibraryTree, FindsEveryPresetOnceWithEveryPlace) {
  TPresetLibrary lib(db);
  EXPECT_TRUE(lib.Open({root}).isEmpty());
  // 20 presets, one of them in a second version, and the late addition; Secret only when the
  // locked folder could be read anyway (the superuser can).
  const bool locked = geteuid() != 0;
  EXPECT_EQ(lib.Entries().size(), locked ? 22u : 23u);
  EXPECT_EQ(lib.LastScan().Files, 3 * 20 + 1 + 1 + (locked ? 0 : 1));
  if (locked) {
    EXPECT_TRUE(lib.LastScan().UnreadableFolders.join("\n").contains("locked"));
  }

  const TLibraryEntry& clean = EntryTitled(lib, "Clean Chorus A");
  ASSERT_EQ(clean.Places.size(), 4u);
  EXPECT_EQ(clean.Places[0].SlotText(), "A-001");
  EXPECT_TRUE(clean.Places[0].File.endsWith("Snapshot 1/Bank A/Clean Chorus A.zqn001"));
  EXPECT_EQ(clean.Places[2].SlotText(), "A-001");
  EXPECT_EQ(clean.Places[3].SlotText(), "") << "a plain name carries no slot";
  EXPECT_TRUE(clean.Places[3].File.endsWith("favourites/my clean.zqn"));
  EXPECT_EQ(clean.Places[3].Bank, -1);

  // The changed preset: the first version in one snapshot, the second in two.
  int versions = 0;
  for (const TLibraryEntry& e : lib.Entries()) {
    if (e.Title != "Fat Lead B") continue;
    ++versions;
    EXPECT_TRUE(e.Places.size() == 1u || e.Places.size() == 2u);
  }
  EXPECT_EQ(versions, 2);
  EXPECT_EQ(EntryTitled(lib, "Late Addition").Places.at(0).SlotText(), "D-006");

  const QString skipped = lib.LastScan().Skipped.join('\n');
  EXPECT_TRUE(skipped.contains("Broken.zqn010: not a preset (120 bytes)")) << qPrintable(skipped);
  EXPECT_TRUE(skipped.contains("Foreign.zqn011: not a preset dump")) << qPrintable(skipped);
  EXPECT_TRUE(skipped.contains("Empty.zqn012")) << qPrintable(skipped);
  EXPECT_FALSE(skipped.contains("notes.txt")) << "files not named as presets are no concern";

  EXPECT_EQ(clean.AnalogEffects, QStringList{"Compressor"});
  EXPECT_EQ(clean.DigitalEffects, (QStringList{"Low Pass", "Regen DDL S", "Flanger", "Panner"}));
}

TEST_F(LibraryTree, ASecondOpenReadsTheIndexWithoutWalking) {
  {
    TPresetLibrary lib(db);
    lib.Open({root});
  }
  TPresetLibrary lib(db);
  EXPECT_TRUE(lib.Open().isEmpty());
  EXPECT_EQ(lib.Folders(), QStringList{root});
  EXPECT_EQ(EntryTitled(lib, "Clean Chorus A").Places.size(), 4u);
  EXPECT_EQ(lib.IndexOfFile(root + "/favourites/my clean.zqn"),
            lib.IndexOf(EntryTitled(lib, "Clean Chorus A").Key));
}

TEST_F(LibraryTree, SearchesTitlesEffectsTagsNotesAndBanks) {
  TPresetLibrary lib(db);
  lib.Open({root});
  lib.SetTags(EntryTitled(lib, "Fat Lead A").Key, {"lead", "solo"});
  lib.SetNotes(EntryTitled(lib, "Slap Bass D").Key, "for the wedding set");
  lib.SetFavourite(EntryTitled(lib, "Ambient Pad C").Key, true);

  const auto titles = [&](const QString& q) { return TitlesOf(lib, lib.Search(q)); };
  EXPECT_EQ(titles("\"fat lead a\""), QStringList{"Fat Lead A"});
  EXPECT_EQ(titles("lead fat").size(), 5) << "words match in any order";
  EXPECT_EQ(titles("LEAD").size(), 5) << "four titles and the version, all with \"lead\"";
  EXPECT_EQ(titles("reverb"), (QStringList{"Ambient Pad C", "Clean Chorus C", "Fat Lead C",
                                           "Funk Rhythm C", "Slap Bass C"}));
  EXPECT_EQ(titles("Envelope reverb"), QStringList{"Funk Rhythm C"});
  EXPECT_EQ(titles("tag:solo"), QStringList{"Fat Lead A"});
  EXPECT_EQ(titles("solo"), QStringList{"Fat Lead A"});
  EXPECT_EQ(titles("wedding"), QStringList{"Slap Bass D"});
  EXPECT_EQ(titles("is:fav"), QStringList{"Ambient Pad C"});
  EXPECT_EQ(titles("bank:B lead"), (QStringList{"Fat Lead B", "Fat Lead B"}));
  EXPECT_EQ(titles("bank:d no:6"), QStringList{"Late Addition"});
  EXPECT_EQ(titles("\"chorus a\""), QStringList{"Clean Chorus A"});
  EXPECT_EQ(titles("bank:A -chorus").size(), 4);
  EXPECT_EQ(lib.Search("").size(), lib.Entries().size());
  EXPECT_TRUE(lib.Search("nothing like this").empty());
}

TEST_F(LibraryTree, AMissingDatabaseRebuildsWithItsTags) {
  QString key;
  {
    TPresetLibrary lib(db);
    lib.Open({root});
    key = EntryTitled(lib, "Fat Lead A").Key;
    lib.SetTags(key, {"lead", "solo"});
    lib.SetFavourite(key, true);
    lib.SetNotes(key, "neck pickup\ttone 7");
  }
  ASSERT_TRUE(QFile::exists(TPresetLibrary::TagFileFor(db)));
  ASSERT_TRUE(QFile::remove(db));
  TPresetLibrary lib(db);
  EXPECT_TRUE(lib.Open().isEmpty()) << "a missing index is simply made again";
  EXPECT_EQ(lib.Folders(), QStringList{root}) << "the folders come back from the export";
  const TLibraryEntry& e = EntryTitled(lib, "Fat Lead A");
  EXPECT_EQ(e.Tags, (QStringList{"lead", "solo"}));
  EXPECT_TRUE(e.Favourite);
  EXPECT_EQ(e.Notes, "neck pickup\ttone 7");
  EXPECT_EQ(e.Places.size(), 3u);
}

TEST_F(LibraryTree, ADamagedDatabaseSaysSoOnceAndRebuildsWithItsTags) {
  {
    TPresetLibrary lib(db);
    lib.Open({root});
    lib.SetTags(EntryTitled(lib, "Slap Bass B").Key, {"bass"});
  }
  QFile f(db);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(4096, 'x'));
  f.close();
  QFile::remove(db + "-wal");
  {
    TPresetLibrary lib(db);
    const QString notice = lib.Open();
    EXPECT_TRUE(notice.contains("rebuilt")) << qPrintable(notice);
    EXPECT_EQ(EntryTitled(lib, "Slap Bass B").Tags, QStringList{"bass"});
    EXPECT_EQ(lib.Search("tag:bass").size(), 1u);
  }
  TPresetLibrary again(db);
  EXPECT_TRUE(again.Open().isEmpty()) << "said once: the rebuilt index is sound";
  EXPECT_EQ(EntryTitled(again, "Slap Bass B").Tags, QStringList{"bass"});
}

TEST_F(LibraryTree, AnIndexOfAnotherVersionIsRebuilt) {
  {
    TPresetLibrary lib(db);
    lib.Open({root});
    lib.SetTags(EntryTitled(lib, "Funk Rhythm A").Key, {"funk"});
  }
  {
    QSqlDatabase d = QSqlDatabase::addDatabase("QSQLITE", "other-version");
    d.setDatabaseName(db);
    ASSERT_TRUE(d.open());
    QSqlQuery q(d);
    ASSERT_TRUE(q.exec("UPDATE meta SET value = '99' WHERE name = 'schema'"));
    d.close();
  }
  QSqlDatabase::removeDatabase("other-version");
  TPresetLibrary lib(db);
  EXPECT_TRUE(lib.Open().contains("another version"));
  EXPECT_EQ(EntryTitled(lib, "Funk Rhythm A").Tags, QStringList{"funk"});
}

TEST(PresetLibrary, ContentKeyIgnoresTheChannelByte) {
  QByteArray a = TitledDump("Same");
  QByteArray b = a;
  b[2] = 5;
  EXPECT_EQ(TPresetLibrary::ContentKey(a), TPresetLibrary::ContentKey(b));
  b[120] = 'Z';
  EXPECT_NE(TPresetLibrary::ContentKey(a), TPresetLibrary::ContentKey(b));
}

TEST(PresetLibrary, TagsAreCommaSeparatedTrimmedAndUnique) {
  EXPECT_EQ(TPresetLibrary::ParseTags(" lead , Solo,,lead,  big   room "),
            (QStringList{"lead", "Solo", "big room"}));
}

TEST(PresetLibrary, AFolderThatDoesNotExistIsReportedNotFatal) {
  QTemporaryDir dir;
  TPresetLibrary lib(dir.path() + "/lib.sqlite");
  lib.Open({dir.path() + "/nowhere"});
  EXPECT_TRUE(lib.Entries().empty());
  EXPECT_EQ(lib.LastScan().UnreadableFolders.size(), 1);
}

}  // namespace
