// The settings values the directory reads, handed in by the session.
#pragma once

#include <cstdint>
#include <string>

namespace vantor::directory {

enum class Grouping : uint8_t { ByDepartment = 0, ByPresence = 1 };

enum View : int { kTreeView = 0, kFrequentView = 1, kRecentView = 2, kGroupView = 3 };

struct DirectorySettings {
    bool autoSort = true;
    bool autoLeave = true;
    int64_t autoLeaveIntervalMinutes = 5;
    bool autoBusy = true;
    Grouping treeGrouping = Grouping::ByDepartment; // TreeView "Tree" / "OnOrOff"
    bool showAllContacts = true;                    // FaceView "QQListAll" / "QQList"
    bool bigIcons = true;                           // FaceSize "BigFace" / "SmaillFace"
    bool wideSeparator = false; // the tree's font is "微软雅黑": counters follow two spaces
    std::string productName;    // GBK
};

} // namespace vantor::directory
