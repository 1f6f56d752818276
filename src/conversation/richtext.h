// The document-neutral model of a message's rich content: a sequence of text, face and picture
// segments. Converts between it and the plain-text form that travels in chat messages (faces as
// their "/~" codes, pictures as "/{name}" placeholders), and gives the tags that the display boxes
// attach to their embedded pictures. All text is GBK bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::conversation {

// What a picture segment shows.
enum class PictureState : uint8_t {
    Stored,  // the real picture from the Images folder (final)
    Loading, // the loading placeholder while the picture is awaited (not final)
    Error,   // the error picture: missing, failed or a name that is not plain (final)
};

struct Segment {
    enum class Kind : uint8_t { Text, Face, Picture };
    Kind kind = Kind::Text;
    std::string text; // Text: GBK bytes; Picture: the picture's file name
    int face = -1;    // Face: index 0..104
    PictureState picture = PictureState::Loading;

    static Segment ofText(std::string text);
    static Segment ofFace(int index);
    static Segment ofPicture(std::string name, PictureState state = PictureState::Loading);

    // The object's final flag: false only for a picture still awaited.
    bool isFinal() const { return kind != Kind::Picture || picture != PictureState::Loading; }
    friend bool operator==(const Segment&, const Segment&) = default;
};

using Segments = std::vector<Segment>;

// Splits plain text: every face code becomes a face, searched face by face in index order (so
// "/~lhan" wins over "/~lh"); then every "/{" up to the next "}" in the same run of text becomes a
// picture (state Loading). A "/{" without a closing "}" stays text.
Segments splitPlainText(std::string_view plain);

// Answers whether the Images folder holds a picture of this name; only ever asked about names for
// which isPlainPictureName() is true.
using ImagesLookup = std::function<bool(std::string_view plainName)>;

struct RenderOptions {
    // Pictures the Images folder lacks show the error picture instead of being awaited
    // (for texts shown again later, such as the history).
    bool withError = false;
};

struct Rendered {
    Segments segments;
    std::vector<std::string> missing; // pictures to request from the sender, each name once
    std::vector<std::string> stored;  // pictures found in the Images folder, each name once
};

// Splits plain text and decides each picture: stored when `imagesHold` knows it; otherwise error
// with `withError`, else loading and listed as missing. A name that is not plain is an error
// picture without any look-up or request.
Rendered renderPlainText(std::string_view plain, const ImagesLookup& imagesHold, RenderOptions options = {});

// The plain-text form: text as is, faces as their codes, pictures as "/{name}".
std::string plainText(const Segments& segments);

// The text for notices and tips: faces become "：）" and pictures "[图片]".
std::string noticeText(const Segments& segments);
std::string noticeTextOfPlain(std::string_view plain);

// The tag of an embedded object: the face index in decimal ("0" … "104"), or "{" + name + "}" for a
// picture; empty for text.
std::string tagOf(const Segment& segment);
// The plain-text code of a tag: a face's code for a tag of digits and dots only (empty when it
// names no face), "/" + tag for any other.
std::string codeOfTag(std::string_view tag);
// The segment an embedded object stands for: a face for a face tag, a picture (stored when final,
// else loading) for "{name}"; nothing for other tags.
std::optional<Segment> segmentOfTag(std::string_view tag, bool final);

} // namespace vantor::conversation
