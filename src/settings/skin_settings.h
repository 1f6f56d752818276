// The skin file (<program folder>Skin/<SkinName>/Skin.ini): colour shift, opacity and the label
// and border colours of the active skin.
#pragma once

#include <cstdint>
#include <string>

namespace vantor::settings {

// Numbers outside a key's range, and colours that are not decimal numbers, read as the default.
struct SkinSettings {
    int H = 0;                 // Init/H, hue shift -180..180
    int S = 0;                 // Init/S, saturation shift -100..100
    int B = 0;                 // Init/B, brightness shift -100..100
    int ALphaBlend = 255;      // Init/ALphaBlend, window opacity 0..255
    uint32_t Name = 14277081;  // FontColor/Name, 0x00BBGGRR (0xD9D9D9)
    uint32_t Memo = 11776947;  // FontColor/Memo (0xB3B3B3)
    uint32_t Border = 9408399; // FontColor/Border (0x8F8F8F), only read
    uint32_t FormBG = 0;       // FontColor/FormBG, only read
};

SkinSettings loadSkinSettings(const std::string& skinFile);
// The skin file with the account's overlay on top: each key the overlay holds is read from it, the
// others from the skin file. The program folder is shared by every account and not written to.
SkinSettings loadSkinSettings(const std::string& skinFile, const std::string& overlayFile);

// Written when the skin dialog closes: H, S, B, ALphaBlend, then Name and Memo as decimal texts.
void saveSkinSettings(const std::string& skinFile, const SkinSettings& skin);

} // namespace vantor::settings
