#include "conversation/richtext.h"

#include "conversation/faces.h"
#include "conversation/picture_name.h"
#include "protocol/text.h"

#include <algorithm>

namespace vantor::conversation {

namespace {

// Position of the first "}" at or after `from`, walking GBK characters: 0x7D is also a valid trail
// byte of a double-byte character and must not end a placeholder there.
size_t findClosingBrace(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        const auto b = static_cast<uint8_t>(text[i]);
        if (b >= 0x81 && b <= 0xFE && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (text[i] == '}') return i;
    }
    return std::string_view::npos;
}

// Replaces every occurrence of `code` in the text segments by `make()`, leaving other segments
// alone. The new objects separate the text around them, so no code is formed across them.
template <class Make>
void splitOut(Segments& segments, std::string_view code, Make make) {
    Segments out;
    out.reserve(segments.size());
    for (Segment& s : segments) {
        if (s.kind != Segment::Kind::Text || s.text.find(code) == std::string::npos) {
            out.push_back(std::move(s));
            continue;
        }
        std::string_view rest = s.text;
        size_t at;
        while ((at = rest.find(code)) != std::string_view::npos) {
            if (at > 0) out.push_back(Segment::ofText(std::string(rest.substr(0, at))));
            out.push_back(make());
            rest.remove_prefix(at + code.size());
        }
        if (!rest.empty()) out.push_back(Segment::ofText(std::string(rest)));
    }
    segments = std::move(out);
}

void splitPlaceholders(Segments& segments) {
    Segments out;
    out.reserve(segments.size());
    for (Segment& s : segments) {
        if (s.kind != Segment::Kind::Text || s.text.find("/{") == std::string::npos) {
            out.push_back(std::move(s));
            continue;
        }
        const std::string_view text = s.text;
        std::string pending; // text before the next placeholder, including unterminated "/{"
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t open = text.find("/{", pos);
            const size_t close = open == std::string_view::npos ? open : findClosingBrace(text, open + 2);
            if (close == std::string_view::npos) {
                pending += text.substr(pos);
                break;
            }
            pending += text.substr(pos, open - pos);
            if (!pending.empty()) out.push_back(Segment::ofText(std::move(pending)));
            pending.clear();
            out.push_back(Segment::ofPicture(std::string(text.substr(open + 2, close - open - 2))));
            pos = close + 1;
        }
        if (!pending.empty()) out.push_back(Segment::ofText(std::move(pending)));
    }
    segments = std::move(out);
}

void addOnce(std::vector<std::string>& list, const std::string& name) {
    if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
}

const std::string& faceNotice() {
    static const std::string text = protocol::toGbk("：）");
    return text;
}

const std::string& pictureNotice() {
    static const std::string text = protocol::toGbk("[图片]");
    return text;
}

bool digitsAndDotsOnly(std::string_view tag) {
    return !tag.empty() &&
           std::all_of(tag.begin(), tag.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

// The face index of a tag of digits and dots; -1 when it names no face.
int faceOfTag(std::string_view tag) {
    if (tag.size() > 3) return -1;
    int value = 0;
    for (char c : tag) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return isFaceIndex(value) ? value : -1;
}

} // namespace

Segment Segment::ofText(std::string text) {
    Segment s;
    s.text = std::move(text);
    return s;
}

Segment Segment::ofFace(int index) {
    Segment s;
    s.kind = Kind::Face;
    s.face = index;
    return s;
}

Segment Segment::ofPicture(std::string name, PictureState state) {
    Segment s;
    s.kind = Kind::Picture;
    s.text = std::move(name);
    s.picture = state;
    return s;
}

Segments splitPlainText(std::string_view plain) {
    Segments segments;
    if (plain.empty()) return segments;
    segments.push_back(Segment::ofText(std::string(plain)));
    if (plain.find('/') == std::string_view::npos) return segments;
    for (const Face& f : faceTable())
        splitOut(segments, f.code, [&] { return Segment::ofFace(f.index); });
    splitPlaceholders(segments);
    return segments;
}

Rendered renderPlainText(std::string_view plain, const ImagesLookup& imagesHold, RenderOptions options) {
    Rendered r;
    r.segments = splitPlainText(plain);
    for (Segment& s : r.segments) {
        if (s.kind != Segment::Kind::Picture) continue;
        if (!isPlainPictureName(s.text)) {
            s.picture = PictureState::Error;
        } else if (imagesHold && imagesHold(s.text)) {
            s.picture = PictureState::Stored;
            addOnce(r.stored, s.text);
        } else if (options.withError) {
            s.picture = PictureState::Error;
        } else {
            s.picture = PictureState::Loading;
            addOnce(r.missing, s.text);
        }
    }
    return r;
}

std::string plainText(const Segments& segments) {
    std::string out;
    for (const Segment& s : segments) {
        switch (s.kind) {
        case Segment::Kind::Text:
            out += s.text;
            break;
        case Segment::Kind::Face:
            out += faceCode(s.face);
            break;
        case Segment::Kind::Picture:
            out += "/{" + s.text + "}";
            break;
        }
    }
    return out;
}

std::string noticeText(const Segments& segments) {
    std::string out;
    for (const Segment& s : segments) {
        switch (s.kind) {
        case Segment::Kind::Text:
            out += s.text;
            break;
        case Segment::Kind::Face:
            out += faceNotice();
            break;
        case Segment::Kind::Picture:
            out += pictureNotice();
            break;
        }
    }
    return out;
}

std::string noticeTextOfPlain(std::string_view plain) {
    return noticeText(splitPlainText(plain));
}

std::string tagOf(const Segment& segment) {
    switch (segment.kind) {
    case Segment::Kind::Face:
        return std::to_string(segment.face);
    case Segment::Kind::Picture:
        return "{" + segment.text + "}";
    case Segment::Kind::Text:
        break;
    }
    return {};
}

std::string codeOfTag(std::string_view tag) {
    if (digitsAndDotsOnly(tag)) return std::string(faceCode(faceOfTag(tag)));
    return "/" + std::string(tag);
}

std::optional<Segment> segmentOfTag(std::string_view tag, bool final) {
    if (digitsAndDotsOnly(tag)) {
        const int face = faceOfTag(tag);
        if (face < 0) return std::nullopt;
        return Segment::ofFace(face);
    }
    if (tag.size() < 2 || tag.front() != '{' || tag.back() != '}') return std::nullopt;
    std::string name(tag.substr(1, tag.size() - 2));
    const PictureState state = !isPlainPictureName(name) ? PictureState::Error
                               : final                   ? PictureState::Stored
                                                         : PictureState::Loading;
    return Segment::ofPicture(std::move(name), state);
}

} // namespace vantor::conversation
