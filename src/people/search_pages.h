// The result pages of the search wizard: one result per message, the page a result belongs to,
// the own user left out, and when "< 上一页" and "下一页 >" are enabled.
#pragma once

#include "protocol/group.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::people {

// The status icon of a result row: 0 and 10 → 1; 1, 2, 4 → 3; 3, 5, 6 → 2; 7 → 5; 8, 9 and
// anything else → 0.
int searchStatusIcon(uint8_t status);

template <class Row>
class SearchPages {
  public:
    // A new search of `page` (at least 1): the list is emptied.
    void start(uint32_t page) {
        page_ = page < 1 ? 1 : page;
        rows_.clear();
        next_ = false;
    }
    // One result: a result of another page empties the list and becomes the current page.
    // "下一页 >" is enabled when the list already holds more than 27 rows before this result.
    // Returns whether the row was listed.
    bool add(const Row& row, uint32_t rowPage, bool listed) {
        if (rowPage != page_) {
            rows_.clear();
            page_ = rowPage;
            next_ = false;
        }
        if (rows_.size() > 27) next_ = true;
        if (!listed) return false;
        rows_.push_back(row);
        return true;
    }
    uint32_t page() const { return page_; }
    bool previousEnabled() const { return page_ > 1; }
    bool nextEnabled() const { return next_; }
    const std::vector<Row>& rows() const { return rows_; }

  private:
    uint32_t page_ = 1;
    bool next_ = false;
    std::vector<Row> rows_;
};

using UserPages = SearchPages<protocol::UserSearchResult>;
using GroupPages = SearchPages<protocol::GroupSearchResult>;

// The widths of the user list's columns ("姓名", "部门", "签名"): 119, 121, 200 until a listed name
// is longer than 10 bytes, then 219, 121, 100 for the rest of the window's life.
struct UserColumns {
    int name = 119, department = 121, signature = 200;
    void fit(const std::string& gbkName) {
        if (gbkName.size() > 10) {
            name = 219;
            signature = 100;
        }
    }
};

} // namespace vantor::people
