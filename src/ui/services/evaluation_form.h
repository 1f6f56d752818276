// TfrmEvaluation ("请评价本次服务："): the customer rates a service-centre conversation as it closes.
// A rating is sent and the conversation window closes; "也可以继续服务" keeps it open.
#pragma once

#include "client/client_core.h"

#include <QWidget>

#include <functional>

namespace vantor::ui {

class TfrmEvaluation : public QWidget {
    Q_OBJECT
  public:
    // `closeConversation` closes the conversation window after a rating.
    TfrmEvaluation(client::ClientCore& core, int conversationId, std::function<void()> closeConversation,
                   QWidget* parent);
    void placeOver(const QWidget* conversation);
    int conversationId() const { return conversationId_; }

  private:
    void rate(const QString& rating);

    client::ClientCore& core_;
    int conversationId_;
    std::function<void()> closeConversation_;
};

} // namespace vantor::ui
