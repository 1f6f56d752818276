#include "ui/services/evaluation_form.h"

#include "ui/kit/fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantor::ui {

TfrmEvaluation::TfrmEvaluation(client::ClientCore& core, int conversationId,
                               std::function<void()> closeConversation, QWidget* parent)
    : QWidget(parent, Qt::Dialog), core_(core), conversationId_(conversationId),
      closeConversation_(std::move(closeConversation)) {
    setObjectName(QStringLiteral("TfrmEvaluation"));
    setWindowTitle(QStringLiteral("服务评价"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFont(textFont());
    setFixedSize(380, 130);
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("请评价本次服务："), this);
    caption->setObjectName(QStringLiteral("lb_Caption"));
    caption->setFont(textFont(14));
    layout->addWidget(caption);
    layout->addStretch();
    auto* row = new QHBoxLayout;
    const std::pair<const char*, QString> ratings[] = {{"btn_Satisfied", QStringLiteral("满意")},
                                                       {"btn_Fair", QStringLiteral("基本满意")},
                                                       {"btn_Unsatisfied", QStringLiteral("不满意")}};
    for (const auto& [name, text] : ratings) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        const QString rating = text;
        connect(b, &QPushButton::clicked, this, [this, rating] { rate(rating); });
        row->addWidget(b);
    }
    auto* stay = new QPushButton(QStringLiteral("也可以继续服务"), this);
    stay->setObjectName(QStringLiteral("btn_Continue"));
    connect(stay, &QPushButton::clicked, this, &QWidget::close);
    row->addWidget(stay);
    layout->addLayout(row);
}

void TfrmEvaluation::placeOver(const QWidget* conversation) {
    if (!conversation) return;
    const QPoint centre = conversation->frameGeometry().center();
    move(centre.x() - 190, centre.y() - 100);
}

void TfrmEvaluation::rate(const QString& rating) {
    conversation::Conversation* c = core_.conversations().byId(conversationId_);
    const bool rated = c && core_.serviceDesk().evaluate(*c, rating.toStdString());
    auto closeConversation = closeConversation_;
    close();
    // Rated: the conversation's close goes on (and tells the staff member).
    if (rated && closeConversation) closeConversation();
}

} // namespace vantor::ui
