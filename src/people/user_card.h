// The hover card of a colleague (TfrmUserInfo): when the organisation tree asks for it, where it
// appears, what it shows, and when it hides itself. No widgets: the window draws what this decides.
#pragma once

#include "people/people_core.h"

#include <QPoint>
#include <QRect>

#include <string>

namespace vantor::people {

// The picture area of a user entry in the tree: 26 < x <= 50.
bool overPictureArea(int x);

enum class CardAnswer {
    AskedForDetail, // no record yet: asked the server, no card
    NothingToShow,  // office phone, mobile phone, mail and fax are all empty
    Show,
};
// ShowUserCard's first step for a colleague.
CardAnswer userCardAnswer(PeopleCore& people, uint32_t userId);

// Left of the main window (its left − card width + 20), level with the entry, kept above the
// screen's bottom less the taskbar.
QPoint userCardPosition(int mainLeft, int entryTop, QSize card, int screenBottom, int taskbarHeight);

// Checked every kUserCardCheckMs: the card hides when the mouse is left of it or above it, more
// than 50 pixels right of it, or below it.
inline constexpr int kUserCardCheckMs = 500;
bool userCardShouldHide(QRect card, QPoint mouse);

// The card's texts (GBK): the name cut to 10 bytes, the company to 22 and the mail to 20 (with
// "..."), the other fields whole; the office becomes the hint of its label's icon.
struct UserCardTexts {
    std::string name, company, officePhone, mobilePhone, mail, fax, officeHint;
};
UserCardTexts userCardTexts(const std::string& name, const protocol::UserDetail& d);

} // namespace vantor::people
