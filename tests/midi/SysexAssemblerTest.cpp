// Joining system-exclusive messages sent in pieces, as a unit reading its cable byte by byte
// would see them.

#include "midi/SysexAssembler.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

std::vector<std::uint8_t> Hex(const char* text) {
  const QByteArray bytes = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
  return {bytes.begin(), bytes.end()};
}

QString Text(const QByteArray& bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// What each piece yields, a part a line: "=" a message to act on, "~" a piece taken in.
QStringList Feed(const std::vector<const char*>& pieces) {
  TSysexAssembler assembler;
  QStringList lines;
  for (const char* piece : pieces) {
    const std::vector<std::uint8_t> bytes = Hex(piece);
    for (const TSysexAssembler::TPart& part : assembler.Take(bytes))
      lines << (part.Message ? "= " : "~ ") + Text(part.Bytes);
  }
  return lines;
}

struct TCase {
  const char* name;
  std::vector<const char*> pieces;
  QStringList expected;
};

void PrintTo(const TCase& c, std::ostream* os) {
  *os << c.name;
}

class SysexAssembler : public ::testing::TestWithParam<TCase> {};

TEST_P(SysexAssembler, Joins) {
  EXPECT_EQ(Feed(GetParam().pieces), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, SysexAssembler,
    ::testing::Values(TCase{"whole messages pass as they came",
                            {"F0 1A 00 15 45 F7", "C0 05", "90 3C 64", "3C 00"},
                            {"= F0 1A 00 15 45 F7", "= C0 05", "= 90 3C 64", "= 3C 00"}},
                      TCase{"three pieces make one message",
                            {"F0 1A 00", "15 43", "09 F7"},
                            {"~ F0 1A 00", "~ 15 43", "= F0 1A 00 15 43 09 F7"}},
                      TCase{"a real-time byte inside is passed on at once",
                            {"F0 1A", "00 F8 15", "F7"},
                            {"~ F0 1A", "= F8", "~ 00 F8 15", "= F0 1A 00 15 F7"}},
                      TCase{"what follows the end in the same piece is taken on its own",
                            {"F0 01", "02 F7 C0 03"},
                            {"~ F0 01", "= F0 01 02 F7", "= C0 03"}},
                      TCase{"a new status byte ends an unfinished message as it stands",
                            {"F0 01 02", "C0 05"},
                            {"~ F0 01 02", "= F0 01 02", "= C0 05"}},
                      TCase{"a new start does too, and is joined itself",
                            {"F0 01", "F0 02", "03 F7"},
                            {"~ F0 01", "= F0 01", "~ F0 02", "= F0 02 03 F7"}},
                      TCase{"a start cut short within its own piece is handed on whole",
                            {"F0 01 90 3C"},
                            {"= F0 01 90 3C"}},
                      TCase{"a lone F7 and empty pieces", {"F7", ""}, {"= F7"}}),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.name))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
      return name;
    });

TEST(SysexAssemblerLimit, AMessageThatNeverEndsIsHandedOnAtTheLimit) {
  TSysexAssembler assembler;
  std::vector<std::uint8_t> piece(1000, 0x11);
  piece[0] = 0xF0;
  EXPECT_FALSE(assembler.Take(piece)[0].Message);
  std::fill(piece.begin(), piece.end(), 0x22);
  std::size_t fed = 1000;
  std::vector<TSysexAssembler::TPart> parts;
  while (parts.empty() || !parts[0].Message) {
    parts = assembler.Take(piece);
    fed += piece.size();
    ASSERT_LE(fed, std::size_t(TSysexAssembler::MaxMessage) + 1000);
  }
  EXPECT_EQ(parts[0].Bytes.size(), TSysexAssembler::MaxMessage);
  EXPECT_EQ(std::uint8_t(parts[0].Bytes[0]), 0xF0);
  EXPECT_FALSE(assembler.Joining());
  // The rest of that piece follows as data without a status byte.
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[1].Bytes.size(), qsizetype(fed) - TSysexAssembler::MaxMessage);
}

}  // namespace
