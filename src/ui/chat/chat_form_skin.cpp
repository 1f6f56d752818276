// DressConversation: the conversation window in the current skin. The top background behind the
// header with the top picture 3 pixels from the right edge, the bottom bar under the send row, the
// name and signature in the skin's Name and Memo colours, the frame in Border and the window in
// FormBG.
#include "skin/appearance.h"
#include "ui/chat/chat_form.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace vantor::ui {

void TfrmChatForm::dress() {
    skin::Appearance* a = ctx_.appearance;
    if (!a) return;
    if (!property("dressed").toBool()) {
        setProperty("dressed", true);
        connect(a, &skin::Appearance::changed, this, &TfrmChatForm::dress);
    }
    const bool skinned = !a->picture(skin::SkinPicture::TopBg).isNull();
    nameLabel_->setStyleSheet(skinned ? QStringLiteral("color: %1").arg(a->nameColour().name()) : QString());
    memoLabel_->setStyleSheet(
        QStringLiteral("color: %1").arg(skinned ? a->memoColour().name() : QStringLiteral("#666")));
    update();
}

void TfrmChatForm::paintEvent(QPaintEvent*) {
    const skin::Appearance* a = ctx_.appearance;
    if (!a || a->picture(skin::SkinPicture::TopBg).isNull()) return;
    QPainter p(this);
    if (a->windowColour()) p.fillRect(rect(), *a->windowColour());
    const QRect top(0, 0, width(), toolbar_->geometry().top());
    p.drawImage(top, a->picture(skin::SkinPicture::TopBg));
    const QImage& topPic = a->picture(skin::SkinPicture::TopPic);
    if (!topPic.isNull()) p.drawImage(QPoint(width() - topPic.width() - 3, 0), topPic);
    const QImage& bar = a->picture(skin::SkinPicture::BottomBar);
    if (!bar.isNull()) {
        const int y = sendButton_->geometry().top() - 4;
        p.drawImage(QRect(0, y, width(), height() - y), bar);
    }
    p.setPen(a->borderColour());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace vantor::ui
