// The pending requests of the two request windows ("添加联系人" for contact requests, "群组管理"
// for join requests at a group's creator): a queue with a current request, the "共n条" count and
// ">" shown only with more than one, answered one at a time.
#pragma once

#include "protocol/group.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vantor::people {

template <class Request>
class RequestQueue {
  public:
    // At most this many wait in one window; later ones are dropped (the server holds them bounded
    // as well), so a flood cannot grow the window without end.
    static constexpr size_t kMaxPending = 200;

    // Appends a copy and makes it current. False when the queue is full.
    bool add(const Request& r) {
        if (pending_.size() >= kMaxPending) return false;
        pending_.push_back(r);
        current_ = pending_.size() - 1;
        return true;
    }
    // ">": the first pending request other than the current one.
    void next() {
        if (pending_.size() < 2) return;
        current_ = current_ == 0 ? 1 : 0;
    }
    // Removes the current request and returns it; the next one (the first) becomes current.
    std::optional<Request> take() {
        if (pending_.empty()) return std::nullopt;
        Request r = pending_[current_];
        pending_.erase(pending_.begin() + std::ptrdiff_t(current_));
        current_ = 0;
        return r;
    }
    const Request* current() const { return pending_.empty() ? nullptr : &pending_[current_]; }
    size_t count() const { return pending_.size(); }
    bool empty() const { return pending_.empty(); }
    // The count label and ">" are shown only with more than one pending request.
    bool showCount() const { return pending_.size() > 1; }
    void clear() {
        pending_.clear();
        current_ = 0;
    }

  private:
    std::vector<Request> pending_;
    size_t current_ = 0;
};

// The answers: copies of the request with the answer set; a declined contact request carries no
// contact group.
protocol::ContactRequest contactAnswer(const protocol::ContactRequest& request, bool accept,
                                       uint32_t contactGroupId);
protocol::GroupJoinRequest joinAnswer(const protocol::GroupJoinRequest& request, bool accept);

// The texts of the request windows (GBK): "用户：" + name, "共" + n + "条", and for a join request
// "申请加入群：" + group name, followed by " [" + note + "]" when there is a note.
std::string requesterLabel(const std::string& name);
std::string countLabel(size_t count);
std::string joinGroupLabel(const protocol::GroupJoinRequest& r);

} // namespace vantor::people
