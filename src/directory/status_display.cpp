#include "directory/status_display.h"

#include "directory/texts.h"
#include "protocol/text.h"

namespace vantor::directory {

uint8_t displayStatus(uint8_t code) {
    return code & 0x7F;
}

bool knownStatus(uint8_t code) {
    return displayStatus(code) <= protocol::kMobile;
}

bool showsOffline(uint8_t code) {
    const uint8_t c = displayStatus(code);
    return c == protocol::kOffline || c == protocol::kInvisible;
}

int treeStateIndex(uint8_t code, int previous) {
    if (!knownStatus(code)) return previous;
    const uint8_t c = displayStatus(code);
    if (c <= protocol::kDoNotDisturb) return 90 + c;
    if (c == protocol::kMobile) return 98;
    return 100;
}

int treePictureOffset(uint8_t code) {
    static constexpr int kOffsets[11] = {5, 3, 2, 2, 3, 2, 3, 4, 0, 0, 1};
    return knownStatus(code) ? kOffsets[displayStatus(code)] : 2;
}

std::string treeItemText(const std::string& name, uint8_t code) {
    const uint8_t c = displayStatus(code);
    if (c == protocol::kOnline || c == protocol::kOffline || c == protocol::kInvisible ||
        c == protocol::kMobile)
        return name;
    // statusName() is empty for a code without a name.
    return name + texts::bracketOpen() + protocol::statusName(c) + texts::bracketClose();
}

StatusClass statusClass(uint8_t code) {
    switch (displayStatus(code)) {
    case protocol::kOnline:
        return StatusClass::Online;
    case protocol::kBeRightBack:
    case protocol::kAway:
    case protocol::kOutToLunch:
        return StatusClass::Away;
    case protocol::kDoNotDisturb:
        return StatusClass::DoNotDisturb;
    case protocol::kOffline:
    case protocol::kInvisible:
        return StatusClass::Offline;
    case protocol::kMobile:
        return StatusClass::Mobile;
    default:
        return StatusClass::Busy;
    }
}

int trayIconIndex(bool signedIn, uint8_t code) {
    if (!signedIn) return 0;
    static constexpr int kIcons[11] = {1, 3, 2, 2, 3, 2, 3, 5, 0, 4, 2};
    // A code without a name keeps the busy icon of its picture class.
    return knownStatus(code) ? kIcons[displayStatus(code)] : 3;
}

Badge listBadge(uint8_t code) {
    switch (statusClass(code)) {
    case StatusClass::Online:
    case StatusClass::Offline:
        return Badge::None;
    case StatusClass::Away:
        return Badge::Away;
    case StatusClass::DoNotDisturb:
        return Badge::Mute;
    case StatusClass::Mobile:
        return Badge::Phone;
    default:
        return Badge::Busy;
    }
}

} // namespace vantor::directory
