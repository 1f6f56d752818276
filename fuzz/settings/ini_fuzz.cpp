// Profile text on arbitrary bytes: finding and setting keys must stay within the text, and a key
// set is read back while every other key keeps its value.
#include "settings/font_text.h"
#include "settings/ini_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

using namespace vantor::settings;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(16);
    const std::string key = in.ConsumeRandomLengthString(16);
    const std::string otherSection = in.ConsumeRandomLengthString(16);
    const std::string otherKey = in.ConsumeRandomLengthString(16);
    const std::string value = in.ConsumeRandomLengthString(64);
    const std::string text = in.ConsumeRemainingBytesAsString();

    (void)ini::findValue(text, section, key);
    (void)ini::parseInteger(text);
    FontSpec font;
    applyFontText(text, font);
    // A font read from text, written and read again, is the same font (a face with a comma cannot
    // be read back whole).
    if (font.face.find(',') == std::string::npos) {
        FontSpec again;
        applyFontText(fontToText(font), again);
        check(again == font);
    }

    if (!ini::validSection(section) || !ini::validKey(key)) return 0;
    const std::string updated = ini::setValue(text, section, key, value);
    const std::string stored(ini::storedForm(value));
    // Read back as a reader decodes a stored value: the same as setting it on an empty file.
    check(ini::findValue(updated, section, key) ==
          ini::findValue(ini::setValue("", section, key, stored), section, key));
    const bool same = ini::sameName(section, otherSection) && ini::sameName(key, otherKey);
    if (!same)
        check(ini::findValue(updated, otherSection, otherKey) ==
              ini::findValue(text, otherSection, otherKey));
    // Setting the same value again changes nothing.
    check(ini::setValue(updated, section, key, value) == updated);
    return 0;
}
