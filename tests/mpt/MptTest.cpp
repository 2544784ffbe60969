#include "device/DeviceMessages.h"
#include "mpt/Mpt.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace {

class MptTable : public ::testing::Test {
 protected:
  void TearDown() override {
    SetPreKineticMode(false);
    DeviceChannel = 0;
  }
  static QByteArray Saved(const Tmpt& t) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    t.SaveToStream(buffer);
    return bytes;
  }
};

TEST_F(MptTable, NewTableSavesTheIdentityImage) {
  DeviceChannel = 3;
  const QByteArray image = Saved(Tmpt());
  ASSERT_EQ(image.size(), 406);
  EXPECT_EQ(image.left(9), QByteArray::fromHex("F01A03151300000100"));
  EXPECT_EQ(image.mid(5 + 2 * 127, 4), QByteArray::fromHex("7F000001"));  // 127, then 128
  EXPECT_EQ(image.mid(5 + 2 * 199, 2), QByteArray::fromHex("4701"));
  EXPECT_EQ(static_cast<std::uint8_t>(image.back()), 0xF7);
  EXPECT_TRUE(IsMptDump(AsBytes(image)));
}

TEST_F(MptTable, RoundTripKeepsTheSourceChannel) {
  Tmpt t;
  for (int i = 0; i < Tmpt::EntryCount; ++i) t.SetEntry(i, (i * 37 + 11) % 200);
  QByteArray image = Saved(t);
  image[2] = char(9);     // received from a unit on channel 9
  image[0] = char(0x7E);  // the header is kept as read, not checked or rebuilt
  QBuffer in(&image);
  in.open(QIODevice::ReadOnly);
  in.seek(100);  // loading reads from the start whatever the position
  Tmpt loaded;
  loaded.LoadFromStream(in);
  EXPECT_EQ(loaded.Entries, t.Entries);
  EXPECT_EQ(Saved(loaded), image);
  loaded.SetDefaultEntries();
  for (int i = 0; i < Tmpt::EntryCount; ++i) ASSERT_EQ(loaded.Entry(i), i);
}

TEST_F(MptTable, ATableLaidOutForTheOtherModeChangesItsCommandByteOnly) {
  Tmpt t;
  t.SetPreKinetic(true);
  EXPECT_EQ(t.Header, (std::array<std::uint8_t, 5>{0xF0, 0x1A, 0x00, 0x15, 0x0C}));
  t.SetPreKinetic(false);
  EXPECT_EQ(t.Header, (std::array<std::uint8_t, 5>{0xF0, 0x1A, 0x00, 0x15, 0x13}));
}

TEST_F(MptTable, ShortStreamChangesNothing) {
  Tmpt t;
  t.SetEntry(0, 42);
  QByteArray shortImage = Saved(Tmpt()).left(405);
  QBuffer in(&shortImage);
  in.open(QIODevice::ReadOnly);
  try {
    t.LoadFromStream(in);
    FAIL() << "a short stream must not load";
  } catch (const EMptError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  EXPECT_EQ(t.Entry(0), 42);
  EXPECT_EQ(t.Header[4], 0x13);
}

TEST_F(MptTable, PreKineticImageCarriesOnly128Entries) {
  SetPreKineticMode(true);
  Tmpt t;
  t.SetEntry(150, 7);
  const QByteArray image = Saved(t);
  ASSERT_EQ(image.size(), 262);
  EXPECT_EQ(image[4], char(0x0C));
  EXPECT_EQ(static_cast<std::uint8_t>(image[261]), 0xF7);
  Tmpt other;
  other.SetEntry(150, 99);
  other.SetEntry(128, 3);  // the first entry past the image
  QByteArray copy = image;
  QBuffer in(&copy);
  in.open(QIODevice::ReadOnly);
  other.LoadFromStream(in);
  EXPECT_EQ(other.Entry(150), 99);  // entries 128..199 are neither written nor read
  EXPECT_EQ(other.Entry(128), 3);
  EXPECT_EQ(other.Entry(127), 127);
}

// Only an image of the length the unit takes in the current mode goes out; each other length,
// also the other mode's, is refused with a reason.
TEST_F(MptTable, OnlyAnImageOfTheModesLengthIsSent) {
  EXPECT_TRUE(MptSendProblem(406).isEmpty());
  for (qint64 length : {262, 405, 407, 0}) EXPECT_FALSE(MptSendProblem(length).isEmpty()) << length;
  // The reason names the mode a table of the other mode's length was laid out for.
  EXPECT_TRUE(MptSendProblem(262).contains("laid out for a Pre-Kinetic unit (262 bytes)"));
  EXPECT_TRUE(MptSendProblem(405).contains("405 bytes long instead of 406"));
  SetPreKineticMode(true);
  EXPECT_TRUE(MptSendProblem(262).isEmpty());
  for (qint64 length : {406, 261, 263}) EXPECT_FALSE(MptSendProblem(length).isEmpty()) << length;
  EXPECT_TRUE(MptSendProblem(406).contains("laid out for a current unit (406 bytes)"));
  EXPECT_TRUE(MptSendProblem(263).contains("263 bytes long instead of 262"));
}

}  // namespace
