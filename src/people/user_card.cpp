#include "people/user_card.h"

#include "protocol/wire.h"

#include <algorithm>

namespace vantor::people {

bool overPictureArea(int x) {
    return x > 26 && x <= 50;
}

CardAnswer userCardAnswer(PeopleCore& people, uint32_t userId) {
    const protocol::UserDetail* d = people.detail(userId);
    if (!d) {
        people.requestDetail(userId);
        return CardAnswer::AskedForDetail;
    }
    if (d->officePhone.empty() && d->mobilePhone.empty() && d->mail.empty() && d->fax.empty())
        return CardAnswer::NothingToShow;
    return CardAnswer::Show;
}

QPoint userCardPosition(int mainLeft, int entryTop, QSize card, int screenBottom, int taskbarHeight) {
    const int lowest = screenBottom - taskbarHeight - card.height();
    return {mainLeft - card.width() + 20, std::min(entryTop, lowest)};
}

bool userCardShouldHide(QRect card, QPoint mouse) {
    return mouse.x() < card.left() || mouse.y() < card.top() || mouse.x() > card.right() + 50 ||
           mouse.y() > card.bottom();
}

UserCardTexts userCardTexts(const std::string& name, const protocol::UserDetail& d) {
    UserCardTexts t;
    t.name = wire::cutText(name, 10);
    t.company = wire::cutText(d.company, 22);
    t.officePhone = d.officePhone;
    t.mobilePhone = d.mobilePhone;
    t.mail = wire::cutText(d.mail, 20);
    t.fax = d.fax;
    t.officeHint = d.office;
    return t;
}

} // namespace vantor::people
