// Quick search over the colleagues' names: a case-insensitive substring of the name, or the
// pinyin initials of the name's first characters ("ZS" for a two-character name of initials Z
// and S; "?" matches any character).
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::directory {

// The pinyin initial of a GB2312 double-byte character (first byte × 256 + second byte), or 0
// when the code lies in no range of the table.
char pinyinInitial(uint16_t code);

// What the search compares of one name, computed once per name.
struct SearchKey {
    QString upperName;    // the name's characters, upper-cased
    std::string initials; // one byte per character: its initial letter, or 0 for none
};
SearchKey makeSearchKey(std::string_view gbkName);

// At most this many characters of the search text count.
inline constexpr qsizetype kMaxSearchLength = 30;

class SearchPattern {
  public:
    explicit SearchPattern(const QString& text);
    bool empty() const { return upper_.isEmpty(); }
    const QString& upper() const { return upper_; }
    bool matches(const SearchKey& key) const;
    // The initials rule alone, against one initial per character.
    bool matchesInitials(std::string_view initials) const;

  private:
    QString upper_;
    std::string initials_; // per character: 'A'…'Z', '0'…'9', '?' for any, 0 for never
};

// The names of many users laid out for searching them all at once: one text of every upper-cased
// name (so that a substring is found by one scan, not one search per name) and one string of
// every name's initials.
class SearchIndex {
  public:
    // Room for `users` names of `characters` characters in all (a hint).
    void reserve(size_t users, size_t characters);
    void add(uint32_t userId, const SearchKey& key);
    size_t size() const { return ids_.size(); }
    // The ids of the matching users, last entry first. An empty text matches nobody.
    std::vector<uint32_t> search(const QString& text) const;

  private:
    std::vector<uint32_t> ids_;
    QString names_;                       // each name followed by kSeparator
    std::vector<qsizetype> starts_;       // where each name begins in names_
    std::string initials_;                // each name's initials, back to back
    std::vector<uint32_t> initialStarts_; // where each name's initials begin
};

// A copy of the users' names, taken when the search drop-down opens, in the order of `Users`.
using SearchSnapshot = std::shared_ptr<const SearchIndex>;

std::vector<uint32_t> search(const SearchSnapshot& snapshot, const QString& text);

} // namespace vantor::directory
