// How a status code is shown: the tree's state index, picture offset and item text, the
// picture class, the tray icon and the badges of the contact lists.
#pragma once

#include "directory/interfaces.h"

#include <cstdint>
#include <string>

namespace vantor::directory {

// The status as displayed: the low 7 bits.
uint8_t displayStatus(uint8_t code);
// One of the eleven named codes (0…10). Others are shown with an empty name: "（）" after the
// name, the away pictures in the tree, the busy badge in the lists.
bool knownStatus(uint8_t code);
// Offline or invisible, as the client shows a colleague.
bool showsOffline(uint8_t code);

// Tree rows: state index (90…98, 100), picture offset (+0…+5) and the item text (GBK). A code
// without a name leaves the row's state index as it was (`previous`).
int treeStateIndex(uint8_t code, int previous);
int treePictureOffset(uint8_t code);
std::string treeItemText(const std::string& name, uint8_t code);

StatusClass statusClass(uint8_t code);
// The tray icon index of the own status; `signedIn` false gives the signed-out icon.
int trayIconIndex(bool signedIn, uint8_t code);

// Badges of the contact lists.
enum class Badge : uint8_t { None, Busy, Away, Mute, Phone };
Badge listBadge(uint8_t code);

// The state index of department rows and of the presence headings.
inline constexpr int kDepartmentStateIndex = 1;
inline constexpr int kPresenceHeadStateIndex = -1;

} // namespace vantor::directory
