#include "services/service_desk.h"

#include "protocol/datetime.h"
#include "protocol/records.h"
#include "protocol/text.h"

#include <cmath>
#include <set>

namespace vantor::services {

using conversation::Conversation;
using protocol::Cmd;

namespace {

std::string gbk(const char* utf8) {
    return protocol::toGbk(utf8);
}

bool plausibleTime(double t) {
    return std::isfinite(t) && t > 1.0 && t < 2958466.0;
}

std::string twoDigits(int v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}

} // namespace

std::vector<ServiceSection> serviceSections(const std::vector<protocol::ServicePoint>& points) {
    std::vector<ServiceSection> out;
    if (points.empty()) return out;
    ServiceSection centre{"客服中心", protocol::ServicePoint::kServiceCentre, {}};
    ServiceSection reservation{"预约服务", protocol::ServicePoint::kReservation, {}};
    std::set<std::string> seen;
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        if (it->kind > protocol::ServicePoint::kReservation) continue;
        if (!seen.insert(it->guid.toString()).second) continue;
        (it->kind == protocol::ServicePoint::kServiceCentre ? centre : reservation).points.push_back(*it);
    }
    out.push_back(std::move(centre));
    if (!reservation.points.empty()) out.push_back(std::move(reservation));
    return out;
}

std::string appointmentText(double dayCount) {
    const protocol::LocalTime t = protocol::localFromDayCount(dayCount);
    return std::to_string(t.month) + "月" + std::to_string(t.day) + "日 " + twoDigits(t.hour) + ":" +
           twoDigits(t.minute);
}

ServiceDesk::ServiceDesk(IServicesHost& host, conversation::ConversationRegistry& registry,
                         conversation::ChatCore& chat, conversation::IConversationView& view)
    : host_(host), registry_(registry), chat_(chat), chatView_(view) {}

const protocol::ServicePoint* ServiceDesk::point(const wire::Guid& guid) const {
    if (!points_) return nullptr;
    for (const auto& p : *points_)
        if (p.guid == guid) return &p;
    return nullptr;
}

void ServiceDesk::signedOut() {
    rated_.clear();
    queue_.clear();
    reviewing_ = false;
}

// ---- customer side ----

Conversation* ServiceDesk::open(const wire::Guid& guid) {
    const protocol::ServicePoint* p = point(guid);
    if (!p || !chat_.session().signedIn || p->kind > protocol::ServicePoint::kReservation) return nullptr;
    protocol::ConversationKey key;
    key.groupId = guid;
    key.kind = protocol::kServiceConversation;
    key.serviceSide = 1; // the registry keeps the inverse: we are the customer
    key.userA = host_.ownId();
    key.userB = 0;
    const bool existed = registry_.findOrCreate(key, false) != nullptr;
    Conversation* c = registry_.findOrCreate(key, true);
    c->notEvaluated = p->kind == protocol::ServicePoint::kReservation;
    if (view_) view_->showConversation(*c);
    if (existed && c->peerId != 0) return c;
    c->readOnly = true;
    const protocol::LocalTime now = protocol::localFromDayCount(host_.now());
    chatView_.alertBar(*c, gbk("欢迎使用客户服务系统，我们将竭诚为您服务！"));
    chatView_.systemLine(*c, conversation::systemLineText(now, gbk("正在连接客服中心，请稍候...")));
    protocol::ServiceSession ask;
    ask.userId = host_.ownId();
    ask.serviceGuid = guid;
    host_.sendToServer(protocol::makeMessage(Cmd::ServiceSession, ask));
    if (view_) view_->serviceChanged(*c);
    return c;
}

bool ServiceDesk::onServiceSession(std::string_view body) {
    protocol::ServiceSession s;
    if (!wire::decode(body, s)) return false;
    // The staff member learns of a session when its first message arrives; the announcement
    // itself opens nothing.
    if (s.flag != 0) return true;
    const protocol::ServicePoint* p = point(s.serviceGuid);
    protocol::ConversationKey key;
    key.groupId = s.serviceGuid;
    key.kind = protocol::kServiceConversation;
    Conversation* c = p ? registry_.findOrCreate(key, false) : nullptr;
    // Only a window of ours that waits for a partner takes one.
    if (!c || c->serviceSide() || c->peerId != 0 || s.userId == host_.ownId()) return true;
    const protocol::LocalTime now = protocol::localFromDayCount(host_.now());
    if (s.userId == 0) {
        chatView_.systemLine(*c, conversation::systemLineText(
                                     now, gbk("您好，现在没有在线客服，请稍后在工作时间进行咨询，谢谢！")));
        return true;
    }
    c->peerId = s.userId;
    c->key.userB = s.userId;
    c->readOnly = false;
    if (!p->greeting.empty()) {
        conversation::ChatFont font;
        font.name = gbk("宋体");
        chatView_.showMessage(*c, s.userId, gbk("客服人员 ") + conversation::clockText(now), false,
                              p->greeting, font);
    }
    if (view_) view_->serviceChanged(*c);
    return true;
}

void ServiceDesk::firstMessage(Conversation& c) {
    if (c.kind() != protocol::kServiceConversation || c.serviceSide() || c.peerId == 0) return;
    protocol::ServiceSession told;
    told.userId = c.peerId;
    told.serviceGuid = c.key.groupId;
    told.flag = 1;
    host_.sendToServer(protocol::makeMessage(Cmd::ServiceSession, told));
}

bool ServiceDesk::offersReservation(const Conversation& c) const {
    return c.kind() == protocol::kServiceConversation && !c.serviceSide() && c.notEvaluated && c.peerId != 0;
}

ServiceDesk::Proposal ServiceDesk::mayPropose(const Conversation& c) const {
    if (!offersReservation(c) || !chat_.session().signedIn) return Proposal::NotSent;
    if (!c.sentSomething) return Proposal::NothingSentYet;
    return Proposal::Sent;
}

ServiceDesk::Proposal ServiceDesk::propose(Conversation& c, double appointment, const std::string& matter) {
    if (const Proposal p = mayPropose(c); p != Proposal::Sent) return p;
    if (!plausibleTime(appointment) || appointment < host_.now()) return Proposal::TooEarly;
    if (matter.empty()) return Proposal::NoMatter;
    protocol::Reservation r;
    r.staffId = c.peerId;
    r.customerId = host_.ownId();
    r.serviceGuid = c.key.groupId;
    r.appointmentTime = appointment;
    r.customerName = host_.ownName();
    r.matter = matter.substr(0, wire::gbkCutLength(matter, 255));
    if (!host_.sendToServer(protocol::makeMessage(Cmd::Reservation, r))) return Proposal::NotSent;
    chatView_.systemLine(c, conversation::systemLineText(protocol::localFromDayCount(host_.now()),
                                                         gbk("您的预约请求已经发出，正在等待对方确认！")));
    return Proposal::Sent;
}

// ---- staff side ----

Conversation* ServiceDesk::conversationOf(const protocol::Reservation& r) {
    protocol::ConversationKey key;
    key.groupId = r.serviceGuid;
    key.kind = protocol::kServiceConversation;
    key.serviceSide = 0; // as the customer wrote it; ours is the staff side
    key.userA = r.customerId;
    key.userB = host_.ownId();
    Conversation* c = registry_.findOrCreate(key, true);
    // A window of the same service point kept from an earlier customer serves this one.
    if (c->serviceSide() && c->peerId != r.customerId) {
        c->peerId = r.customerId;
        c->key.userB = r.customerId;
    }
    return c;
}

bool ServiceDesk::onReservation(std::string_view body) {
    protocol::Reservation r;
    if (body.size() != protocol::Reservation::kSize || !wire::decode(body, r)) return false;
    const uint32_t own = host_.ownId();
    // Only a request to us, from someone else, for a known service point, at a real time.
    if (!chat_.session().signedIn || r.staffId != own || r.customerId == 0 || r.customerId == own ||
        r.confirmed || !point(r.serviceGuid) || !plausibleTime(r.appointmentTime))
        return false;
    // A customer's window of that service point is not ours to take over.
    protocol::ConversationKey key;
    key.groupId = r.serviceGuid;
    key.kind = protocol::kServiceConversation;
    if (Conversation* existing = registry_.findOrCreate(key, false); existing && !existing->serviceSide())
        return false;
    if (queue_.size() >= kMaxQueuedReservations) return false;
    queue_.push_back(r);
    if (!reviewing_) reviewNext();
    return true;
}

void ServiceDesk::reviewNext() {
    reviewing_ = false;
    while (!queue_.empty()) {
        Conversation* c = conversationOf(queue_.front());
        if (!c) {
            queue_.pop_front();
            continue;
        }
        reviewing_ = true;
        if (view_) {
            view_->showConversation(*c);
            view_->reviewReservation(*c, queue_.front());
        }
        return;
    }
}

ServiceDesk::Proposal ServiceDesk::confirm(double appointment) {
    if (queue_.empty()) return Proposal::NotSent;
    if (!plausibleTime(appointment) || appointment < host_.now()) return Proposal::TooEarly;
    protocol::Reservation r = queue_.front();
    r.confirmed = true;
    r.appointmentTime = appointment;
    Conversation* c = conversationOf(r);
    if (!host_.sendToServer(protocol::makeMessage(Cmd::ReservationConfirm, r))) return Proposal::NotSent;
    chat_.sendSystemText(*c, gbk("您的预约请求已经确认，请按照预约时间 [") +
                                 protocol::toGbk(appointmentText(appointment)) + gbk("] 前来办理相关业务。"));
    queue_.pop_front();
    reviewNext();
    return Proposal::Sent;
}

ServiceDesk::Proposal ServiceDesk::refuse() {
    if (queue_.empty()) return Proposal::NotSent;
    Conversation* c = conversationOf(queue_.front());
    chat_.sendSystemText(*c, gbk("您的预约请求未能通过确认。"));
    queue_.pop_front();
    reviewNext();
    return Proposal::Sent;
}

// ---- evaluation ----

bool ServiceDesk::asksEvaluation(const Conversation& c) const {
    return c.kind() == protocol::kServiceConversation && !c.serviceSide() && c.sentSomething &&
           !c.notEvaluated && !rated_.count(c.id);
}

bool ServiceDesk::evaluate(Conversation& c, const std::string& ratingUtf8) {
    if (!asksEvaluation(c) || (ratingUtf8 != "满意" && ratingUtf8 != "基本满意" && ratingUtf8 != "不满意"))
        return false;
    protocol::Evaluation e;
    e.serviceGuid = c.key.groupId;
    e.staffId = c.peerId;
    e.customerId = host_.ownId();
    e.rating = protocol::toGbk(ratingUtf8);
    if (!host_.sendToServer(protocol::makeMessage(Cmd::Evaluation, e))) return false;
    rated_.insert(c.id);
    return true;
}

} // namespace vantor::services
