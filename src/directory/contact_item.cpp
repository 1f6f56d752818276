#include "directory/contact_item.h"

#include "directory/gbk_text.h"
#include "directory/head_picture.h"
#include "directory/sectioned_model.h"
#include "directory/status_display.h"
#include "directory/texts.h"
#include "protocol/text.h"

namespace vantor::directory {

namespace {

// "（忙碌）" while a badge is shown; a mobile phone has its badge without the text.
QString statusText(uint8_t status) {
    const Badge badge = listBadge(status);
    if (badge == Badge::None || badge == Badge::Phone) return {};
    return gbkToQString(texts::bracketOpen() + protocol::statusName(displayStatus(status)) +
                        texts::bracketClose());
}

} // namespace

QVariant contactItemData(const User& user, int role, bool bigIcons) {
    const auto& r = user.record;
    const bool offline = showsOffline(r.status);
    using R = SectionedListModel;
    switch (role) {
    case Qt::DisplayRole:
        return bigIcons ? gbkToQString(r.name) + statusText(r.status) : gbkToQString(r.name);
    case R::IdRole:
        return r.userId;
    case R::NameRole:
        return gbkToQString(r.name);
    case R::SecondLineRole: {
        const QString status = statusText(r.status);
        return !bigIcons && !status.isEmpty() ? status : gbkToQString(r.signature);
    }
    case R::StatusTextRole:
        return statusText(r.status);
    case R::BadgeRole:
        return int(offline ? Badge::None : listBadge(r.status));
    case R::GreyRole:
        return offline;
    case R::StatusRole:
        return int(r.status);
    case R::PictureNameRole:
        return isPlainPictureName(r.headPicture)
                   ? QString::fromLatin1(r.headPicture.data(), qsizetype(r.headPicture.size()))
                   : QString();
    case R::SignatureRole:
        return gbkToQString(r.signature);
    default:
        return {};
    }
}

} // namespace vantor::directory
