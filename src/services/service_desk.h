// The service desk: the service points the server sent (the group list's "客服中心" and "预约服务"
// sections), service conversations (kind 2, keyed by the point's GUID) from the customer's side
// with their staff member and greeting, reservations on both sides, and the evaluation asked when
// a service-centre conversation closes. Reservations from the network are checked before anything
// opens, and the staff member's proposals wait in a queue, one reviewed at a time.
#pragma once

#include "conversation/chat_core.h"
#include "conversation/conversation_registry.h"
#include "protocol/services.h"
#include "services/host.h"

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vantor::services {

// One section of the group list: its title (UTF-8) and its service points, as they are listed.
struct ServiceSection {
    std::string title;
    uint32_t kind = 0;
    std::vector<protocol::ServicePoint> points;
};
// "客服中心" with the points of kind 0 and, when there are points of kind 1, "预约服务" with those;
// the points walked from the last received to the first, each GUID once, other kinds left out.
std::vector<ServiceSection> serviceSections(const std::vector<protocol::ServicePoint>& points);

// "m月d日 hh:nn" of a day count (UTF-8).
std::string appointmentText(double dayCount);

// What the service desk does to windows.
class IServiceView {
  public:
    virtual ~IServiceView() = default;
    // A service conversation's state changed (partner, read-only input, reservation button).
    virtual void serviceChanged(conversation::Conversation& c) = 0;
    // Show (or bring up) a conversation window.
    virtual void showConversation(conversation::Conversation& c) = 0;
    // Staff side: review this reservation, the first of the queue, in the conversation's window.
    virtual void reviewReservation(conversation::Conversation& c, const protocol::Reservation& r) = 0;
};

class ServiceDesk {
  public:
    ServiceDesk(IServicesHost& host, conversation::ConversationRegistry& registry,
                conversation::ChatCore& chat, conversation::IConversationView& view);

    void setView(IServiceView* view) { view_ = view; }
    // The points the client keeps (a list owned elsewhere, alive as long as this).
    void setPoints(const std::vector<protocol::ServicePoint>* points) { points_ = points; }
    const protocol::ServicePoint* point(const wire::Guid& guid) const;
    void signedOut();

    // ---- customer side ----
    // Opens (or brings up) the conversation with a service point and asks the server for a staff
    // member. Null for an unknown point or while signed out.
    conversation::Conversation* open(const wire::Guid& guid);
    // A CmdServiceSession answer; false when it does not decode.
    bool onServiceSession(std::string_view body);
    // First message sent in a service conversation: the session is announced to the partner.
    void firstMessage(conversation::Conversation& c);
    // Whether the reservation button shows (a reservation service with a partner).
    bool offersReservation(const conversation::Conversation& c) const;

    enum class Proposal {
        Sent,
        NothingSentYet, // "请先与工作人员沟通后再设置预约时间！"
        TooEarly,       // "所选日期不能早于当前日期！"
        NoMatter,       // "请输入预约办理的具体事项！"
        NotSent,        // not signed in, no partner, or the connection failed
    };
    // Before the window opens: only after something was sent.
    Proposal mayPropose(const conversation::Conversation& c) const;
    // "提交申请": the appointment and the matter (GBK, empty when still the placeholder).
    Proposal propose(conversation::Conversation& c, double appointment, const std::string& matter);

    // ---- staff side ----
    // A CmdReservation: checked, queued, and reviewed when no other one is. False when dropped.
    bool onReservation(std::string_view body);
    const std::deque<protocol::Reservation>& reservations() const { return queue_; }
    // "同意" with the picked time; TooEarly keeps the reservation under review.
    Proposal confirm(double appointment);
    // "不同意".
    Proposal refuse();
    // The review window closed without an answer: the proposal waits and is reviewed again when
    // the next one arrives.
    void reviewDismissed() { reviewing_ = false; }
    // The local time the checks go by.
    double now() const { return host_.now(); }

    // ---- evaluation (customer side) ----
    // Closing asks for the evaluation: kind 2, customer side, something sent, to be evaluated and
    // not rated yet. The chat's close query then tells the staff member that the window closed.
    bool asksEvaluation(const conversation::Conversation& c) const;
    // A rating button ("满意", "基本满意", "不满意", UTF-8): CmdEvaluation; the window may close.
    bool evaluate(conversation::Conversation& c, const std::string& ratingUtf8);

  private:
    conversation::Conversation* conversationOf(const protocol::Reservation& r);
    void reviewNext();

    IServicesHost& host_;
    conversation::ConversationRegistry& registry_;
    conversation::ChatCore& chat_;
    conversation::IConversationView& chatView_;
    IServiceView* view_ = nullptr;
    const std::vector<protocol::ServicePoint>* points_ = nullptr;
    std::deque<protocol::Reservation> queue_; // the first is under review
    bool reviewing_ = false;
    std::set<int> rated_; // conversations rated since they opened
};

// A staff member reviews at most this many reservations waiting; more are dropped.
inline constexpr size_t kMaxQueuedReservations = 50;

} // namespace vantor::services
