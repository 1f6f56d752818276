// The office services' windows over one client and its conversation windows: the attendance
// window (one at a time), the service conversations opened from the group list, the reservation
// windows (the customer's, and the staff member's review of the first proposal waiting), the
// evaluation window when a service-centre conversation closes, and the reminder toast.
#pragma once

#include "client/client_core.h"
#include "services/service_desk.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>

namespace vantor::ui {

class ChatWindows;
class TfrmAttence;
class TfrmEvaluation;
class TfrmRemind;
class TfrmReservation;

class ServiceWindows : public QObject, public services::IServiceView {
    Q_OBJECT
  public:
    // `programFolder` holds SysImages/ (the default head picture of the toast).
    ServiceWindows(client::ClientCore& core, ChatWindows& chat, QString programFolder,
                   QObject* parent = nullptr);
    ~ServiceWindows() override;

    // The main window's work-state button in attendance mode.
    TfrmAttence* openAttendance();
    TfrmAttence* attendance() const;
    // A service point of the group list.
    void openServicePoint(const wire::Guid& guid);
    // "办事预约" of a service conversation.
    void reservationTool(const conversation::Conversation& c);
    // A service-centre conversation asks to close: true when the evaluation window is open.
    bool evaluationWanted(const conversation::Conversation& c);
    // ShowReminder; CloseReminderFor.
    void showReminder(const protocol::Shake& record);
    void closeReminderFor(uint32_t userId);

    TfrmReservation* reservation() const;
    TfrmEvaluation* evaluation() const;
    TfrmRemind* reminder() const;
    // Where the toast goes (default: the primary screen's work area).
    std::function<QRect()> workArea;

    // services::IServiceView
    void serviceChanged(conversation::Conversation& c) override;
    void showConversation(conversation::Conversation& c) override;
    void reviewReservation(conversation::Conversation& c, const protocol::Reservation& r) override;

  private:
    client::ClientCore& core_;
    ChatWindows& chat_;
    QString programFolder_;
    QPointer<TfrmAttence> attendance_;
    QPointer<TfrmReservation> reservation_;
    QPointer<TfrmEvaluation> evaluation_;
    QPointer<TfrmRemind> reminder_;
};

} // namespace vantor::ui
