#include "directory/search.h"

#include "directory/gbk_text.h"

#include <algorithm>
#include <array>

namespace vantor::directory {

namespace {

struct InitialRange {
    uint16_t first;
    uint16_t last;
    char letter;
};

// GB2312 codes of the first character of each initial, in code order (there are no syllables
// beginning with I, U or V; the codes 53641…53688 have no letter).
constexpr std::array<InitialRange, 23> kInitials = {{
    {45217, 45252, 'A'}, {45253, 45760, 'B'}, {45761, 46317, 'C'}, {46318, 46825, 'D'}, {46826, 47009, 'E'},
    {47010, 47296, 'F'}, {47297, 47613, 'G'}, {47614, 48118, 'H'}, {48119, 49061, 'J'}, {49062, 49323, 'K'},
    {49324, 49895, 'L'}, {49896, 50370, 'M'}, {50371, 50613, 'N'}, {50614, 50621, 'O'}, {50622, 50905, 'P'},
    {50906, 51386, 'Q'}, {51387, 51445, 'R'}, {51446, 52217, 'S'}, {52218, 52697, 'T'}, {52698, 52979, 'W'},
    {52980, 53640, 'X'}, {53689, 54480, 'Y'}, {54481, 55289, 'Z'},
}};

char asciiInitial(uint8_t c) {
    if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return char(c);
    return 0;
}

bool isLead(uint8_t b) {
    return b >= 0x81 && b <= 0xFE;
}
bool isTrail(uint8_t b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

} // namespace

char pinyinInitial(uint16_t code) {
    size_t lo = 0, hi = kInitials.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (code > kInitials[mid].last)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < kInitials.size() && code >= kInitials[lo].first ? kInitials[lo].letter : 0;
}

SearchKey makeSearchKey(std::string_view gbkName) {
    SearchKey key;
    key.upperName = gbkToQString(gbkName).toUpper();
    key.initials.reserve(gbkName.size());
    // One entry per character: a double-byte character is one character, whatever lies around it.
    for (size_t i = 0; i < gbkName.size();) {
        const auto b = static_cast<uint8_t>(gbkName[i]);
        if (isLead(b) && i + 1 < gbkName.size() && isTrail(static_cast<uint8_t>(gbkName[i + 1]))) {
            key.initials.push_back(pinyinInitial(uint16_t(b << 8 | static_cast<uint8_t>(gbkName[i + 1]))));
            i += 2;
        } else {
            key.initials.push_back(b < 0x80 ? asciiInitial(b) : 0);
            ++i;
        }
    }
    return key;
}

SearchPattern::SearchPattern(const QString& text) {
    const QString cut = text.left(kMaxSearchLength);
    upper_ = cut.toUpper();
    initials_.reserve(size_t(cut.size()));
    for (const QChar ch : cut) {
        const char16_t u = ch.unicode();
        if (u == u'?')
            initials_.push_back('?');
        else
            initials_.push_back(u < 0x80 ? asciiInitial(uint8_t(u)) : 0);
    }
}

bool SearchPattern::matches(const SearchKey& key) const {
    if (upper_.isEmpty()) return false;
    return key.upperName.contains(upper_) || matchesInitials(key.initials);
}

bool SearchPattern::matchesInitials(std::string_view initials) const {
    if (upper_.isEmpty() || initials_.size() > initials.size()) return false;
    for (size_t i = 0; i < initials_.size(); ++i) {
        const char want = initials_[i];
        if (want == '?') continue;
        if (want == 0 || initials[i] != want) return false;
    }
    return true;
}

namespace {
// Never part of a decoded name: GBK has no character for it.
constexpr char16_t kSeparator = 0xFFFF;
} // namespace

void SearchIndex::reserve(size_t users, size_t characters) {
    ids_.reserve(users);
    starts_.reserve(users);
    initialStarts_.reserve(users);
    names_.reserve(qsizetype(characters + users));
    initials_.reserve(characters);
}

void SearchIndex::add(uint32_t userId, const SearchKey& key) {
    ids_.push_back(userId);
    starts_.push_back(names_.size());
    names_ += key.upperName;
    names_ += QChar(kSeparator);
    initialStarts_.push_back(uint32_t(initials_.size()));
    initials_ += key.initials;
}

std::vector<uint32_t> SearchIndex::search(const QString& text) const {
    std::vector<uint32_t> ids;
    const SearchPattern pattern(text);
    if (pattern.empty()) return ids;
    std::vector<bool> hit(ids_.size());
    // Substrings: one scan of all names; a match never spans two names (the separator is in no
    // pattern).
    const QString& upper = pattern.upper();
    if (!upper.contains(QChar(kSeparator))) {
        for (qsizetype at = names_.indexOf(upper); at >= 0;) {
            const size_t entry =
                size_t(std::upper_bound(starts_.begin(), starts_.end(), at) - starts_.begin()) - 1;
            hit[entry] = true;
            if (entry + 1 == starts_.size()) break;
            at = names_.indexOf(upper, starts_[entry + 1]); // the next name on
        }
    }
    for (size_t i = ids_.size(); i-- > 0;) {
        if (!hit[i]) {
            const size_t end = i + 1 < initialStarts_.size() ? initialStarts_[i + 1] : initials_.size();
            const std::string_view initials(initials_.data() + initialStarts_[i], end - initialStarts_[i]);
            hit[i] = pattern.matchesInitials(initials);
        }
        if (hit[i]) ids.push_back(ids_[i]);
    }
    return ids;
}

std::vector<uint32_t> search(const SearchSnapshot& snapshot, const QString& text) {
    return snapshot ? snapshot->search(text) : std::vector<uint32_t>{};
}

} // namespace vantor::directory
