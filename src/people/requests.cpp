#include "people/requests.h"

#include "protocol/text.h"

namespace vantor::people {

protocol::ContactRequest contactAnswer(const protocol::ContactRequest& request, bool accept,
                                       uint32_t contactGroupId) {
    protocol::ContactRequest a = request;
    a.answer = accept ? protocol::kRequestAccepted : protocol::kRequestDeclined;
    a.contactGroupId = accept ? contactGroupId : 0;
    return a;
}

protocol::GroupJoinRequest joinAnswer(const protocol::GroupJoinRequest& request, bool accept) {
    protocol::GroupJoinRequest a = request;
    a.answer = accept ? protocol::kRequestAccepted : protocol::kRequestDeclined;
    return a;
}

std::string requesterLabel(const std::string& name) {
    return protocol::toGbk("用户：") + name;
}

std::string countLabel(size_t count) {
    return protocol::toGbk("共") + std::to_string(count) + protocol::toGbk("条");
}

std::string joinGroupLabel(const protocol::GroupJoinRequest& r) {
    std::string s = protocol::toGbk("申请加入群：") + r.groupName;
    if (!r.applyText.empty()) s += " [" + r.applyText + "]";
    return s;
}

} // namespace vantor::people
