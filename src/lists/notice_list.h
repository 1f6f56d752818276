// The items of the internal-notice list: title, right text, second line, read and deletable
// flags, the notice's identity and the value handed back in callbacks; newest first, one
// selected. The cuts end with the full-width "…" (GBK) and depend on the item's width.
#pragma once

#include "protocol/wire.h"

#include <string>
#include <vector>

namespace vantor::lists {

struct Notice {
    static constexpr size_t kTitleCut = 14;
    static constexpr size_t kLineCut = 29;       // bytes of the second line
    static constexpr size_t kNarrowLineCut = 27; // … when the item is at most 189 wide
    static constexpr int kNarrowWidth = 189;

    std::string title, rightText, secondLine; // GBK
    int value = 0;
    bool read = false;
    bool deletable = false;
    wire::Guid id;

    std::string shownTitle() const;
    std::string shownSecondLine(int itemWidth) const;
};

// The full-width ellipsis in GBK.
const std::string& fullWidthEllipsis();

class NoticeList {
  public:
    // A new notice at the top (the selection stays on its notice).
    void AddNotice(Notice notice);
    void Clear();
    // The notice at `row` is read: its right text moves right and its unread mark goes.
    void MarkRead(int row);
    // Selects a row (−1: none).
    void select(int row);
    int selected() const { return selected_; }
    // Whether the delete icon is shown on a row: selected and deletable.
    bool showsDelete(int row) const;
    void remove(int row);
    const std::vector<Notice>& items() const { return items_; }

  private:
    std::vector<Notice> items_; // newest first
    int selected_ = -1;
};

} // namespace vantor::lists
