#pragma once

// The library's search field: words that must all match (in any order), each looked for in the
// preset's title, effect names, tags and notes, whatever the case. A few words name a field
// instead: "bank:B" (a place in bank B), "tag:lead" (a tag that starts with "lead"), "no:42" (a
// place with preset number 42), "is:fav" (a favourite). Words in double quotes match as one
// phrase; a word that starts with "-" must not match.

#include <QString>
#include <vector>

struct TLibraryEntry;

class TLibraryQuery {
 public:
  static TLibraryQuery Parse(const QString& text);
  bool Matches(const TLibraryEntry& entry) const;
  bool IsEmpty() const { return terms_.empty(); }

 private:
  enum class TField { Text, Bank, Tag, Number, Favourite };
  struct TTerm {
    TField Field = TField::Text;
    QString Text;  // lower case
    int Value = 0;
    bool Negated = false;
  };
  bool TermMatches(const TTerm& term, const TLibraryEntry& entry) const;
  std::vector<TTerm> terms_;
};
