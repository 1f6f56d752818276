#include "ui/people/user_card_window.h"

#include "people/user_card.h"
#include "protocol/text.h"
#include "ui/kit/fonts.h"

#include <QCursor>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>

namespace vantor::ui {

namespace {
QString text(const std::string& gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}
} // namespace

TfrmUserInfo::TfrmUserInfo(client::ClientCore& core, QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint), core_(core),
      timer_(core.clock().createTimer()) {
    setObjectName(QStringLiteral("TfrmUserInfo"));
    setFont(textFont());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xF4, 0xF8, 0xFC));
    setPalette(pal);
    setFixedSize(260, 150);
    cursor = [] { return QCursor::pos(); };
    auto* grid = new QGridLayout(this);
    photo_ = new QLabel(this);
    photo_->setObjectName(QStringLiteral("Image_Photo"));
    photo_->setFixedSize(70, 70);
    photo_->setAlignment(Qt::AlignCenter);
    photo_->setFrameShape(QFrame::Box);
    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("Label_Name"));
    name_->setAlignment(Qt::AlignHCenter);
    auto add = [&](const char* objectName, int row) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(objectName));
        grid->addWidget(l, row, 1);
        return l;
    };
    grid->addWidget(photo_, 0, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(name_, 4, 0, 2, 1, Qt::AlignTop);
    company_ = add("Label_Company", 0);
    officePhone_ = add("Label_OfficeTel", 1);
    mobilePhone_ = add("Label_Mobile", 2);
    mail_ = add("Label_Mail", 3);
    fax_ = add("Label_Fax", 4);
    officeIcon_ = add("Image_Office", 5);
    officeIcon_->setText(QStringLiteral("职务"));
    // Rounded corners, radius 5.
    QPainterPath path;
    path.addRoundedRect(rect(), 5, 5);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
    timer_->setInterval(people::kUserCardCheckMs);
    timer_->onTimeout = [this] { check(); };
}

TfrmUserInfo::~TfrmUserInfo() = default;

bool TfrmUserInfo::showUserCard(uint32_t userId, int mainLeft, int entryTop, const QRect& screen,
                                int taskbarHeight) {
    people::PeopleCore& p = core_.people();
    if (people::userCardAnswer(p, userId) != people::CardAnswer::Show) {
        hide();
        return false;
    }
    const directory::User* u = core_.directory().directory().findUser(userId);
    const people::UserCardTexts t =
        people::userCardTexts(u ? u->record.name : std::string(), *p.detail(userId));
    userId_ = userId;
    name_->setText(text(t.name));
    company_->setText(text(t.company));
    officePhone_->setText(QStringLiteral("电话：") + text(t.officePhone));
    mobilePhone_->setText(QStringLiteral("手机：") + text(t.mobilePhone));
    mail_->setText(QStringLiteral("邮件：") + text(t.mail));
    fax_->setText(QStringLiteral("传真：") + text(t.fax));
    officeIcon_->setToolTip(text(t.officeHint));
    const QString photo = p.photoPath(userId);
    if (!photo.isEmpty() && QFileInfo::exists(photo))
        photo_->setPixmap(
            QPixmap(photo).scaled(photo_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        photo_->clear();
    move(people::userCardPosition(mainLeft, entryTop, size(), screen.bottom(), taskbarHeight));
    show();
    timer_->start();
    return true;
}

void TfrmUserInfo::check() {
    if (isVisible() && people::userCardShouldHide(geometry(), cursor())) {
        hide();
        timer_->stop();
    }
}

} // namespace vantor::ui
