#include "lists/notice_list.h"

#include "protocol/text.h"

namespace vantor::lists {

const std::string& fullWidthEllipsis() {
    static const std::string s = protocol::toGbk("…");
    return s;
}

std::string Notice::shownTitle() const {
    return wire::cutText(title, kTitleCut, fullWidthEllipsis());
}

std::string Notice::shownSecondLine(int itemWidth) const {
    return wire::cutText(secondLine, itemWidth <= kNarrowWidth ? kNarrowLineCut : kLineCut,
                         fullWidthEllipsis());
}

void NoticeList::AddNotice(Notice notice) {
    items_.insert(items_.begin(), std::move(notice));
    if (selected_ >= 0) ++selected_;
}

void NoticeList::Clear() {
    items_.clear();
    selected_ = -1;
}

void NoticeList::MarkRead(int row) {
    if (row >= 0 && row < int(items_.size())) items_[size_t(row)].read = true;
}

void NoticeList::select(int row) {
    selected_ = row >= 0 && row < int(items_.size()) ? row : -1;
}

bool NoticeList::showsDelete(int row) const {
    return row == selected_ && row >= 0 && items_[size_t(row)].deletable;
}

void NoticeList::remove(int row) {
    if (row < 0 || row >= int(items_.size())) return;
    items_.erase(items_.begin() + row);
    if (selected_ == row)
        selected_ = -1;
    else if (selected_ > row)
        --selected_;
}

} // namespace vantor::lists
