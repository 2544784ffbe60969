#include "library/LibrarySearch.h"

#include <QStringList>

#include "device/DeviceMessages.h"
#include "library/PresetLibrary.h"

namespace {

// Words of the search text; a double-quoted run is one word (its quotes removed).
QStringList Words(const QString& text) {
  QStringList words;
  QString word;
  bool quoted = false;
  for (QChar c : text) {
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && c.isSpace()) {
      if (!word.isEmpty()) words << word;
      word.clear();
      continue;
    }
    word += c;
  }
  if (!word.isEmpty()) words << word;
  return words;
}

}  // namespace

TLibraryQuery TLibraryQuery::Parse(const QString& text) {
  TLibraryQuery q;
  for (QString word : Words(text)) {
    TTerm t;
    if (word.startsWith('-') && word.size() > 1) {
      t.Negated = true;
      word.remove(0, 1);
    }
    const QString lower = word.toLower();
    const qsizetype colon = lower.indexOf(':');
    const QString field = colon > 0 ? lower.left(colon) : QString();
    const QString value = colon > 0 ? lower.mid(colon + 1) : QString();
    if (field == QLatin1String("bank") && value.size() == 1 && value[0] >= 'a' &&
        value[0] < QChar('a' + BankCount)) {
      t.Field = TField::Bank;
      t.Value = value[0].unicode() - 'a';
    } else if (field == QLatin1String("tag") && !value.isEmpty()) {
      t.Field = TField::Tag;
      t.Text = value;
    } else if ((field == QLatin1String("no") || field == QLatin1String("number")) &&
               value.toInt() > 0) {
      t.Field = TField::Number;
      t.Value = value.toInt();
    } else if (field == QLatin1String("is") &&
               (value == QLatin1String("fav") || value == QLatin1String("favourite") ||
                value == QLatin1String("favorite"))) {
      t.Field = TField::Favourite;
    } else {
      t.Text = lower;
    }
    q.terms_.push_back(t);
  }
  return q;
}

bool TLibraryQuery::TermMatches(const TTerm& term, const TLibraryEntry& entry) const {
  switch (term.Field) {
    case TField::Text:
      return entry.SearchText.contains(term.Text);
    case TField::Bank:
      return entry.InBank(term.Value);
    case TField::Tag:
      for (const QString& tag : entry.Tags)
        if (tag.startsWith(term.Text, Qt::CaseInsensitive)) return true;
      return false;
    case TField::Number:
      for (const TPresetPlace& p : entry.Places)
        if (p.Number == term.Value) return true;
      return false;
    case TField::Favourite:
      return entry.Favourite;
  }
  return false;
}

bool TLibraryQuery::Matches(const TLibraryEntry& entry) const {
  for (const TTerm& t : terms_)
    if (TermMatches(t, entry) == t.Negated) return false;
  return true;
}
