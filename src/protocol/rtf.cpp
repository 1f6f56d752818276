#include "protocol/rtf.h"

#include "protocol/text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vantor::protocol {

namespace {

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// The next code point of UTF-8 text (invalid bytes are taken one by one as U+FFFD).
uint32_t nextCodePoint(std::string_view s, size_t& i) {
    const auto b = uint8_t(s[i]);
    int n = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (n < 0 || i + size_t(n) >= s.size() + (n == 0 ? 1 : 0)) {
        ++i;
        return n == 0 ? b : 0xFFFD;
    }
    uint32_t cp = n == 0 ? b : b & (0x3F >> n);
    for (int k = 1; k <= n; ++k) {
        const auto c = uint8_t(s[i + size_t(k)]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = cp << 6 | (c & 0x3F);
    }
    i += size_t(n) + 1;
    return cp;
}

struct CharState {
    bool bold = false, italic = false, underline = false;
    int halfPoints = 0;
    int colourIndex = 0;
    int fontIndex = -1;
    int uc = 1;
    enum Dest : uint8_t { Text, Skip, FontTable, FontEntry, ColourTable } dest = Text;
};

class Reader {
  public:
    Reader(std::string_view in, const RtfLimits& limits) : in_(in), limits_(limits) {}

    RtfDocument run() {
        doc_.paragraphs.emplace_back();
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                openGroup();
            } else if (c == '}') {
                ++pos_;
                closeGroup();
            } else if (c == '\\') {
                ++pos_;
                control();
            } else if (c == '\r' || c == '\n') {
                ++pos_;
            } else {
                ++pos_;
                byte(uint8_t(c));
            }
        }
        flush();
        return std::move(doc_);
    }

  private:
    std::string_view in_;
    RtfLimits limits_;
    size_t pos_ = 0;
    RtfDocument doc_;
    std::vector<CharState> stack_{CharState{}};
    size_t excessDepth_ = 0;   // groups opened beyond the limit, read as skipped
    std::string pendingBytes_; // GBK bytes of the current run not yet converted
    int skipFallback_ = 0;     // characters after \uN still to drop
    std::vector<std::string> fonts_;
    std::vector<int> fontNumbers_;
    std::vector<uint32_t> colours_;
    std::vector<bool> colourSet_;
    std::string fontName_;
    int fontNumber_ = 0;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourTouched_ = false;
    bool destinationStar_ = false;
    uint32_t highSurrogate_ = 0;

    CharState& st() { return stack_.back(); }
    bool skipping() const { return excessDepth_ > 0 || stack_.back().dest == CharState::Skip; }

    void openGroup() {
        if (excessDepth_ > 0 || stack_.size() >= limits_.maxDepth) {
            ++excessDepth_;
            return;
        }
        flushBytes();
        CharState s = st();
        if (s.dest == CharState::FontTable) s.dest = CharState::FontEntry;
        stack_.push_back(s);
        destinationStar_ = false;
    }

    void closeGroup() {
        if (excessDepth_ > 0) {
            --excessDepth_;
            return;
        }
        flushBytes();
        const CharState closing = st();
        if (closing.dest == CharState::FontEntry) endFont();
        if (stack_.size() > 1) stack_.pop_back(); // an extra '}' at the top is ignored
        skipFallback_ = 0;
    }

    void endFont() {
        if (fontName_.empty()) return;
        if (fonts_.size() >= 256) {
            fontName_.clear();
            return;
        }
        fonts_.push_back(fromGbk(fontName_));
        fontNumbers_.push_back(fontNumber_);
        fontName_.clear();
    }

    void control() {
        if (pos_ >= in_.size()) return;
        const char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            symbol(c);
            return;
        }
        const size_t start = pos_;
        while (pos_ < in_.size() && pos_ - start < 32 && std::isalpha(static_cast<unsigned char>(in_[pos_])))
            ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])))
            ++pos_; // a word longer than 32 letters: the rest is part of it
        bool hasNumber = false;
        bool negative = false;
        int64_t number = 0;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        size_t digits = 0;
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            if (digits++ < 10) number = number * 10 + (in_[pos_] - '0');
            hasNumber = true;
            ++pos_;
        }
        if (negative) number = -number;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        word_(word, hasNumber, int(std::clamp<int64_t>(number, -2147483647, 2147483647)));
    }

    void symbol(char c) {
        switch (c) {
        case '\'': {
            if (pos_ + 2 > in_.size()) {
                pos_ = in_.size();
                return;
            }
            const auto hex = [](char h) {
                return h >= '0' && h <= '9'   ? h - '0'
                       : h >= 'a' && h <= 'f' ? h - 'a' + 10
                       : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                              : -1;
            };
            const int hi = hex(in_[pos_]), lo = hex(in_[pos_ + 1]);
            pos_ += 2;
            if (hi >= 0 && lo >= 0) byte(uint8_t(hi * 16 + lo));
            return;
        }
        case '*':
            destinationStar_ = true;
            // An ignorable destination we do not know: skipped with its group.
            if (excessDepth_ == 0 && stack_.size() > 1) st().dest = CharState::Skip;
            return;
        case '~':
            unicode(0xA0);
            return;
        case '_':
            byte('-');
            return;
        case '-':
            return;
        case '\r':
        case '\n':
            paragraph();
            return;
        default:
            byte(uint8_t(c)); // \\ \{ \} and anything else stands for itself
        }
    }

    void word_(std::string_view w, bool hasN, int n) {
        if (excessDepth_ > 0) return;
        CharState& s = st();
        if (w == "fonttbl") {
            if (stack_.size() > 1) s.dest = CharState::FontTable;
            return;
        }
        if (w == "colortbl") {
            if (stack_.size() > 1) s.dest = CharState::ColourTable;
            return;
        }
        if (w == "pict" || w == "object" || w == "stylesheet" || w == "info" || w == "header" ||
            w == "footer" || w == "listtable" || w == "listoverridetable" || w == "rsidtbl" ||
            w == "generator" || w == "themedata" || w == "colorschememapping" || w == "datastore" ||
            w == "latentstyles" || w == "xmlnstbl" || w == "nonshppict" || w == "shp" || w == "fldinst") {
            if (stack_.size() > 1) {
                flushBytes();
                s.dest = CharState::Skip;
            }
            return;
        }
        if (s.dest == CharState::ColourTable) {
            if (w == "red") red_ = std::clamp(n, 0, 255), colourTouched_ = true;
            if (w == "green") green_ = std::clamp(n, 0, 255), colourTouched_ = true;
            if (w == "blue") blue_ = std::clamp(n, 0, 255), colourTouched_ = true;
            return;
        }
        if (s.dest == CharState::FontTable || s.dest == CharState::FontEntry) {
            if (w == "f") {
                endFont();
                fontNumber_ = n;
            }
            return;
        }
        if (s.dest == CharState::Skip) return;
        const auto formatChange = [&] { flushBytes(); };
        if (w == "par") {
            paragraph();
        } else if (w == "line") {
            unicode('\n');
        } else if (w == "tab") {
            unicode('\t');
        } else if (w == "b") {
            formatChange();
            s.bold = !hasN || n != 0;
        } else if (w == "i") {
            formatChange();
            s.italic = !hasN || n != 0;
        } else if (w == "ul") {
            formatChange();
            s.underline = !hasN || n != 0;
        } else if (w == "ulnone") {
            formatChange();
            s.underline = false;
        } else if (w == "fs") {
            formatChange();
            s.halfPoints = hasN ? std::clamp(n, 0, 3276) : 24;
        } else if (w == "cf") {
            formatChange();
            s.colourIndex = std::max(n, 0);
        } else if (w == "f") {
            formatChange();
            s.fontIndex = n;
        } else if (w == "plain") {
            formatChange();
            const int uc = s.uc;
            const auto dest = s.dest;
            s = CharState{};
            s.uc = uc;
            s.dest = dest;
        } else if (w == "uc") {
            s.uc = std::clamp(n, 0, 10);
        } else if (w == "u") {
            const auto unit = uint32_t(n < 0 ? n + 65536 : n) & 0xFFFF;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                highSurrogate_ = unit; // the low half follows as the next \u
            } else if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_) {
                unicode(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
                highSurrogate_ = 0;
            } else {
                highSurrogate_ = 0;
                unicode(unit);
            }
            skipFallback_ = s.uc;
        } else if (w == "emdash") {
            unicode(0x2014);
        } else if (w == "endash") {
            unicode(0x2013);
        } else if (w == "bullet") {
            unicode(0x2022);
        } else if (w == "lquote") {
            unicode(0x2018);
        } else if (w == "rquote") {
            unicode(0x2019);
        } else if (w == "ldblquote") {
            unicode(0x201C);
        } else if (w == "rdblquote") {
            unicode(0x201D);
        }
    }

    void byte(uint8_t b) {
        if (excessDepth_ > 0) return;
        CharState& s = st();
        if (skipFallback_ > 0) {
            --skipFallback_;
            return;
        }
        switch (s.dest) {
        case CharState::Text:
            pendingBytes_.push_back(char(b));
            return;
        case CharState::FontTable:
        case CharState::FontEntry:
            if (b == ';')
                endFont();
            else if (fontName_.size() < 128)
                fontName_.push_back(char(b));
            return;
        case CharState::ColourTable:
            if (b == ';') {
                if (colours_.size() < 4096) {
                    colours_.push_back(uint32_t(red_) << 16 | uint32_t(green_) << 8 | uint32_t(blue_));
                    colourSet_.push_back(colourTouched_);
                }
                red_ = green_ = blue_ = 0;
                colourTouched_ = false;
            }
            return;
        default:
            return;
        }
    }

    void unicode(uint32_t cp) {
        if (skipping() || st().dest != CharState::Text) return;
        flushBytes();
        std::string u;
        appendUtf8(u, cp);
        append(u);
    }

    // The current run's look, from the group state and the tables.
    RtfRun look() const {
        const CharState& s = stack_.back();
        RtfRun r;
        r.bold = s.bold;
        r.italic = s.italic;
        r.underline = s.underline;
        r.halfPoints = s.halfPoints;
        if (s.colourIndex > 0 && size_t(s.colourIndex) < colours_.size() &&
            colourSet_[size_t(s.colourIndex)]) {
            r.hasColour = true;
            r.colour = colours_[size_t(s.colourIndex)];
        }
        for (size_t i = 0; i < fontNumbers_.size(); ++i)
            if (fontNumbers_[i] == s.fontIndex) r.font = fonts_[i];
        return r;
    }

    void append(const std::string& utf8) {
        if (utf8.empty()) return;
        auto& runs = doc_.paragraphs.back().runs;
        RtfRun r = look();
        if (!runs.empty() && runs.back().sameLook(r)) {
            runs.back().text += utf8;
        } else {
            r.text = utf8;
            runs.push_back(std::move(r));
        }
    }

    void flushBytes() {
        if (pendingBytes_.empty()) return;
        const std::string bytes = std::move(pendingBytes_);
        pendingBytes_.clear();
        append(fromGbk(bytes));
    }

    void paragraph() {
        if (skipping() || st().dest != CharState::Text) return;
        flushBytes();
        doc_.paragraphs.emplace_back();
    }

    void flush() {
        flushBytes();
        if (doc_.paragraphs.size() > 1 && doc_.paragraphs.back().runs.empty()) {
            // A document ends with \par: no empty paragraph after it.
            doc_.paragraphs.pop_back();
        }
    }
};

RtfDocument readPlain(std::string_view gbk) {
    RtfDocument doc;
    doc.paragraphs.emplace_back();
    size_t start = 0;
    for (;;) {
        size_t end = gbk.find('\n', start);
        std::string_view line =
            gbk.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) {
            RtfRun r;
            r.text = fromGbk(line);
            doc.paragraphs.back().runs.push_back(std::move(r));
        }
        if (end == std::string_view::npos) break;
        doc.paragraphs.emplace_back();
        start = end + 1;
    }
    return doc;
}

void escapeText(std::string& out, const std::string& utf8) {
    const std::string gbk = toGbk(utf8);
    const bool gbkHolds = fromGbk(gbk) == utf8;
    char hex[8];
    if (gbkHolds) {
        for (char ch : gbk) {
            const auto b = uint8_t(ch);
            if (b == '\\' || b == '{' || b == '}') {
                out.push_back('\\');
                out.push_back(ch);
            } else if (b == '\n') {
                out += "\\line ";
            } else if (b == '\t') {
                out += "\\tab ";
            } else if (b >= 0x80 || b < 0x20) {
                std::snprintf(hex, sizeof hex, "\\'%02x", b);
                out += hex;
            } else {
                out.push_back(ch);
            }
        }
        return;
    }
    for (size_t i = 0; i < utf8.size();) {
        const uint32_t cp = nextCodePoint(utf8, i);
        if (cp == '\\' || cp == '{' || cp == '}') {
            out.push_back('\\');
            out.push_back(char(cp));
        } else if (cp == '\n') {
            out += "\\line ";
        } else if (cp == '\t') {
            out += "\\tab ";
        } else if (cp >= 0x20 && cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x10000) {
            out += "\\u" + std::to_string(int(int16_t(uint16_t(cp)))) + "?";
        } else {
            // Outside the basic plane: as its two UTF-16 halves.
            const uint32_t v = cp - 0x10000;
            out += "\\u" + std::to_string(int(int16_t(uint16_t(0xD800 + (v >> 10))))) + "?";
            out += "\\u" + std::to_string(int(int16_t(uint16_t(0xDC00 + (v & 0x3FF))))) + "?";
        }
    }
}

} // namespace

std::string RtfDocument::plainText() const {
    std::string s;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (i) s.push_back('\n');
        for (const auto& r : paragraphs[i].runs)
            s += r.text;
    }
    return s;
}

RtfDocument readRtf(std::string_view bytes, const RtfLimits& limits) {
    if (bytes.substr(0, 5) != "{\\rtf") return readPlain(bytes);
    return Reader(bytes, limits).run();
}

std::string writeRtf(const RtfDocument& doc) {
    std::vector<std::string> fonts;
    std::vector<uint32_t> colours;
    for (const auto& p : doc.paragraphs)
        for (const auto& r : p.runs) {
            if (!r.font.empty() && std::find(fonts.begin(), fonts.end(), r.font) == fonts.end())
                fonts.push_back(r.font);
            if (r.hasColour && std::find(colours.begin(), colours.end(), r.colour) == colours.end())
                colours.push_back(r.colour);
        }
    std::string out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 ;}";
    for (size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i + 1) + "\\fnil\\fcharset134 ";
        escapeText(out, fonts[i]);
        out += ";}";
    }
    out += "}";
    if (!colours.empty()) {
        out += "{\\colortbl ;";
        for (uint32_t c : colours)
            out += "\\red" + std::to_string(c >> 16 & 0xFF) + "\\green" + std::to_string(c >> 8 & 0xFF) +
                   "\\blue" + std::to_string(c & 0xFF) + ";";
        out += "}";
    }
    out += "\\uc1\\pard ";
    RtfRun cur; // the look in force
    int curFont = 0, curColour = 0;
    for (size_t pi = 0; pi < doc.paragraphs.size(); ++pi) {
        if (pi) out += "\\par ";
        for (const auto& r : doc.paragraphs[pi].runs) {
            if (r.text.empty()) continue;
            std::string ctl;
            if (r.bold != cur.bold) ctl += r.bold ? "\\b" : "\\b0";
            if (r.italic != cur.italic) ctl += r.italic ? "\\i" : "\\i0";
            if (r.underline != cur.underline) ctl += r.underline ? "\\ul" : "\\ulnone";
            if (r.halfPoints != cur.halfPoints) ctl += "\\fs" + std::to_string(r.halfPoints);
            const int font =
                r.font.empty() ? 0 : int(std::find(fonts.begin(), fonts.end(), r.font) - fonts.begin()) + 1;
            if (font != curFont) ctl += "\\f" + std::to_string(font);
            const int colour =
                r.hasColour ? int(std::find(colours.begin(), colours.end(), r.colour) - colours.begin()) + 1
                            : 0;
            if (colour != curColour) ctl += "\\cf" + std::to_string(colour);
            if (!ctl.empty()) out += ctl + " ";
            escapeText(out, r.text);
            cur = r;
            curFont = font;
            curColour = colour;
        }
    }
    // The reader drops one empty paragraph at the end (a document ending with \par): keep ours.
    const auto& last = doc.paragraphs.empty() ? RtfParagraph{} : doc.paragraphs.back();
    if (doc.paragraphs.size() > 1 &&
        std::all_of(last.runs.begin(), last.runs.end(), [](const RtfRun& r) { return r.text.empty(); }))
        out += "\\par ";
    out += "}";
    return out;
}

} // namespace vantor::protocol
