// The texts of the transfer item panel and of the offline-file list (GBK): sizes, the file name
// cut to the bytes a label holds (never inside a double-byte character), the offer time's hint.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::transfer {

inline constexpr size_t kPanelNameBytes = 18; // TsTFilePanel
inline constexpr size_t kListNameBytes = 31;  // TFileListPanel

// The item panel's size: bytes below 1024, "12.50K" below 1 MB, else "3.25M".
std::string panelSizeText(uint64_t bytes);
// The offline list's size: bytes below 1024, "12.5K" below 1 MB, else "3.3M".
std::string listSizeText(uint64_t bytes);
// The file name without its folder, cut to `n` bytes ("..." appended when cut).
std::string panelNameText(std::string_view gbkPath, size_t n = kPanelNameBytes);
// The offline list's file line: name + "（" + size + "）", cut to 31 bytes.
std::string listFileText(std::string_view gbkName, uint64_t size);
// "mm-dd hh:mm" of a day count.
std::string offerTimeHint(double dayCount);

} // namespace vantor::transfer
