#include "ui/settings/system_set_form.h"

#include "platform/sound.h"
#include "protocol/text.h"
#include "ui/kit/fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {

QString qtext(const std::string& gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}
std::string gbk(const QString& s) {
    return protocol::toGbk(s.toStdString());
}

const char* const kSideNames[5] = {"Imgbtn_Net", "Imgbtn_Status", "Imgbtn_Userinfo", "Imgbtn_Other",
                                   "Imgbtn_Password"};
const char* const kSideCaptions[5] = {"网络设置", "状态和提醒", "我的资料", "其他设置", "修改密码"};

const QColor kLightGreen(238, 255, 247);

} // namespace

TSystemSetForm::TSystemSetForm(shell::SettingsForm& core, platform::SoundPlayer& sound, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), core_(core), sound_(sound) {
    setObjectName(QStringLiteral("TSystemSetForm"));
    setWindowTitle(QStringLiteral("系统设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setFont(textFont(12));
    resize(560, 440);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 8, 10, 10);
    outer->setSpacing(6);
    auto* top = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("系统设置"), this);
    QFont cf = textFont(14);
    cf.setBold(true);
    caption->setFont(cf);
    caption->setStyleSheet(QStringLiteral("color: white;"));
    top->addWidget(caption);
    top->addStretch();
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("imgbtn_Close"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setStyleSheet(QStringLiteral("QToolButton { color: white; font-size: 16px; border: none; }"));
    top->addWidget(close);
    outer->addLayout(top);

    auto* body = new QHBoxLayout;
    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->setAutoFillBackground(true);
    for (int i = 0; i < 5; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(kSideNames[i]));
        b->setText(QString::fromUtf8(kSideCaptions[i]));
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFixedSize(96, 30);
        b->setStyleSheet(
            QStringLiteral("QToolButton { color: white; border: none; border-radius: 3px; }"
                           "QToolButton:checked { background: white; color: #2F6FB3; font-weight: bold; }"
                           "QToolButton:hover:!checked { background: rgba(255,255,255,40); }"));
        side->addWidget(b);
        side_[size_t(i)] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { selectPage(shell::SettingsPage(i)); });
    }
    side->addStretch();
    auto* version = new QLabel(QStringLiteral("版本号：2.1.3.1"), this);
    version->setStyleSheet(QStringLiteral("color: white;"));
    side->addWidget(version);
    body->addLayout(side);
    pages_->addWidget(buildNetPage());
    pages_->addWidget(buildStatusPage());
    pages_->addWidget(buildUserinfoPage());
    pages_->addWidget(buildOtherPage());
    pages_->addWidget(buildPasswordPage());
    body->addWidget(pages_, 1);
    outer->addLayout(body, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* save = new QPushButton(QStringLiteral("确定"), this);
    save->setObjectName(QStringLiteral("btn_Save"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btn_Cancel"));
    for (QPushButton* b : {save, cancel}) {
        b->setFixedSize(76, 26);
        b->setStyleSheet(QStringLiteral(
            "QPushButton { background: #F4F8FC; border: 1px solid #9DB9D8; border-radius: 3px; }"
            "QPushButton:hover { background: white; }"));
        buttons->addWidget(b);
    }
    outer->addLayout(buttons);

    connect(save, &QPushButton::clicked, this, [this] { saveClicked(); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(close, &QToolButton::clicked, this, &QWidget::close);

    messageSink = [this](const QString& title, const QString& text, bool error) {
        auto* box = new QMessageBox(error ? QMessageBox::Critical : QMessageBox::Information, title, text,
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    soundChooser = [this](std::function<void(const QString&)> done) {
        auto* d = new QFileDialog(this, QString(), msgSound_->text(), QStringLiteral("声音文件(*.wav)"));
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->setFileMode(QFileDialog::ExistingFile);
        connect(d, &QFileDialog::fileSelected, this, [done](const QString& f) { done(f); });
        d->open();
    };
    folderChooser = [this](std::function<void(const QString&)> done) {
        auto* d = new QFileDialog(this, QStringLiteral("请选择接收文件默认文件夹："), revPath_->text());
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->setFileMode(QFileDialog::Directory);
        d->setOption(QFileDialog::ShowDirsOnly);
        connect(d, &QFileDialog::fileSelected, this, [done](const QString& f) { done(f); });
        d->open();
    };
}

void TSystemSetForm::setPhotoOpener(std::function<void()> open) {
    photo_->disconnect(this);
    photo_->setEnabled(bool(open));
    if (open) connect(photo_, &QPushButton::clicked, this, [open = std::move(open)] { open(); });
}

TSystemSetForm::~TSystemSetForm() {
    // A wait for the name change ends with the dialog.
    core_.cancelNameChange();
}

void TSystemSetForm::open(shell::SettingsPage page) {
    access_ = core_.pages();
    for (size_t i = 0; i < side_.size(); ++i)
        side_[i]->setVisible(access_.visible[i]);
    for (QWidget* w : windowOptions_)
        w->setVisible(!access_.notificationOnly);
    for (QWidget* w : notificationOptions_)
        w->setVisible(access_.notificationOnly);
    mainHeading_->setText(access_.notificationOnly ? QStringLiteral("来消息提醒") : QStringLiteral("主面板"));
    if (!core_.waitingForConfirmation()) fill(core_.load());
    selectPage(access_.visible[size_t(page)] ? page : shell::SettingsPage::Net);
    show();
    raise();
    activateWindow();
}

void TSystemSetForm::selectPage(shell::SettingsPage page) {
    const auto i = size_t(page);
    if (!access_.visible[i]) return;
    // The profile page shows the held record each time it comes up.
    if (page == shell::SettingsPage::Userinfo && pages_->currentIndex() != int(i)) fillProfile();
    pages_->setCurrentIndex(int(i));
    side_[i]->setChecked(true);
}

shell::SettingsPage TSystemSetForm::currentPage() const {
    return shell::SettingsPage(pages_->currentIndex());
}

void TSystemSetForm::fill(const shell::SettingsValues& v) {
    host_->setText(qtext(v.net.host));
    port_->setText(qtext(v.net.port));
    proxyCategory_->setCurrentIndex(v.net.proxyCategory);
    proxyChosen(v.net.proxyCategory);
    proxyPort_->setText(qtext(v.net.proxyPort));
    proxyAddress_->setText(qtext(v.net.proxyAddress));
    proxyUser_->setText(qtext(v.net.proxyUsername));
    proxyPassword_->setText(qtext(v.net.proxyPassword));
    autoConnect_->setChecked(v.net.autoConnect);
    autoConnectInterval_->setText(qtext(v.net.autoConnectInterval));
    autoConnectInterval_->setEnabled(v.net.autoConnect);
    if (!core_.signedIn()) return;

    msgSound_->setText(qtext(v.status.msgSound));
    dontPlaySound_->setChecked(v.status.dontPlaySound);
    soundChoiceChanged();
    showMsgHint_->setChecked(v.status.showMsgHint);
    showMsgRemind_->setChecked(v.status.showMsgRemind);
    notShowContent_->setChecked(!v.status.notShowContent); // the preview follows the toggle
    notShowContent_->setChecked(v.status.notShowContent);
    enterSend_->setChecked(v.status.enterSendMsg);
    autoSort_->setChecked(v.status.autoSort);
    autoLeave_->setChecked(v.status.autoLeave);
    autoLeaveMinutes_->setText(qtext(v.status.autoLeaveMinutes));
    autoBusy_->setChecked(v.status.autoBusy);

    autoRun_->setChecked(v.other.autoRun);
    rememberPassword_->setChecked(v.other.rememberPassword);
    const int state = loginStatus_->findText(qtext(v.other.loginState));
    loginStatus_->setCurrentIndex(state >= 0 ? state : 0);
    onTop_->setChecked(v.other.onTop);
    autoHide_->setChecked(v.other.autoHide);
    btnNotClose_->setChecked(v.other.btnNotClose);
    showMsgCenter_->setChecked(v.other.showMsgCenter);
    revPath_->setText(qtext(v.other.revFilesPath));
    flashIcon_->setChecked(v.other.flashIcon);
    msgInfo_->setChecked(v.other.showPop);

    fillProfile();
    name_->setText(qtext(v.displayName));
    changePassword_->setChecked(false);
    passwordBoxToggled(false);
    for (QLineEdit* e : {oldPassword_, newPassword_, confirmPassword_})
        e->clear();
    ok_->hide();
}

void TSystemSetForm::fillProfile() {
    const auto& detail = core_.ownDetail();
    const shell::ProfileValues p = detail ? shell::profileOf(*detail) : shell::ProfileValues{};
    (p.female ? female_ : male_)->setChecked(true);
    const std::pair<QLineEdit*, const std::string*> boxes[] = {
        {company_, &p.company},         {office_, &p.office}, {officePhone_, &p.officePhone},
        {mobilePhone_, &p.mobilePhone}, {mail_, &p.mail},     {fax_, &p.fax}};
    for (const auto& [box, text] : boxes) {
        box->setText(qtext(*text));
        // Until the server has sent the own record there is nothing to edit.
        box->setEnabled(detail.has_value());
    }
    male_->setEnabled(detail.has_value());
    female_->setEnabled(detail.has_value());
}

shell::SettingsValues TSystemSetForm::values() const {
    shell::SettingsValues v;
    v.net.host = gbk(host_->text());
    v.net.port = gbk(port_->text());
    v.net.proxyCategory = proxyCategory_->currentIndex();
    v.net.proxyAddress = gbk(proxyAddress_->text());
    v.net.proxyPort = gbk(proxyPort_->text());
    v.net.proxyUsername = gbk(proxyUser_->text());
    v.net.proxyPassword = gbk(proxyPassword_->text());
    v.net.autoConnect = autoConnect_->isChecked();
    v.net.autoConnectInterval = gbk(autoConnectInterval_->text());

    v.status.msgSound = gbk(msgSound_->text());
    v.status.dontPlaySound = dontPlaySound_->isChecked();
    v.status.showMsgHint = showMsgHint_->isChecked();
    v.status.showMsgRemind = showMsgRemind_->isChecked();
    v.status.notShowContent = notShowContent_->isChecked();
    v.status.enterSendMsg = enterSend_->isChecked();
    v.status.autoSort = autoSort_->isChecked();
    v.status.autoLeave = autoLeave_->isChecked();
    v.status.autoLeaveMinutes = gbk(autoLeaveMinutes_->text());
    v.status.autoBusy = autoBusy_->isChecked();

    v.other.autoRun = autoRun_->isChecked();
    v.other.rememberPassword = rememberPassword_->isChecked();
    v.other.loginState = gbk(loginStatus_->currentText());
    v.other.onTop = onTop_->isChecked();
    v.other.autoHide = autoHide_->isChecked();
    v.other.btnNotClose = btnNotClose_->isChecked();
    v.other.showMsgCenter = showMsgCenter_->isChecked();
    v.other.revFilesPath = gbk(revPath_->text());
    v.other.flashIcon = flashIcon_->isChecked();
    v.other.showPop = msgInfo_->isChecked();

    v.profile.female = female_->isChecked();
    v.profile.company = gbk(company_->text());
    v.profile.office = gbk(office_->text());
    v.profile.officePhone = gbk(officePhone_->text());
    v.profile.mobilePhone = gbk(mobilePhone_->text());
    v.profile.mail = gbk(mail_->text());
    v.profile.fax = gbk(fax_->text());
    v.displayName = gbk(name_->text());
    return v;
}

void TSystemSetForm::proxyChosen(int index) {
    proxyGroup_->setEnabled(index != 0);
    proxyPort_->setText(index == 4 ? QStringLiteral("808") : QStringLiteral("1080"));
}

void TSystemSetForm::soundChoiceChanged() {
    const bool on = !dontPlaySound_->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(msgSound_), static_cast<QWidget*>(selSound_),
                       static_cast<QWidget*>(playSound_)})
        w->setEnabled(on);
}

void TSystemSetForm::passwordBoxToggled(bool on) {
    for (QLineEdit* e : {oldPassword_, newPassword_, confirmPassword_}) {
        e->setEnabled(on);
        QPalette pal = e->palette();
        const QColor bg = !on                 ? palette().color(QPalette::Window)
                          : e == oldPassword_ ? QColor(Qt::white)
                                              : kLightGreen;
        pal.setColor(QPalette::Base, bg);
        e->setPalette(pal);
    }
    if (on) oldPassword_->setFocus();
}

void TSystemSetForm::showMessage(const QString& title, const QString& text, bool error) {
    shown_.title = title;
    shown_.text = text;
    shown_.error = error;
    ++shown_.count;
    if (messageSink) messageSink(title, text, error);
}

void TSystemSetForm::focusField(shell::SettingsField field) {
    QLineEdit* box = nullptr;
    switch (field) {
    case shell::SettingsField::HostName:
        box = host_;
        break;
    case shell::SettingsField::ServerPort:
        box = port_;
        break;
    case shell::SettingsField::ProxyAddress:
        box = proxyAddress_;
        break;
    case shell::SettingsField::ProxyPort:
        box = proxyPort_;
        break;
    case shell::SettingsField::AutoConnectInterval:
        box = autoConnectInterval_;
        break;
    case shell::SettingsField::AutoLeave:
        box = autoLeaveMinutes_;
        break;
    }
    if (box) box->setFocus();
}

void TSystemSetForm::saveClicked() {
    const shell::SettingsForm::SaveResult r = core_.save(values());
    if (r.failure) {
        selectPage(r.failure->page);
        focusField(r.failure->field);
        showMessage(QStringLiteral("提示"), QString::fromUtf8(r.failure->message), false);
        return;
    }
    if (!r.error.empty()) {
        showMessage(QStringLiteral("错误"), QString::fromStdString(r.error), true);
        return;
    }
    close();
}

void TSystemSetForm::resetOkButton(const QString& caption) {
    ok_->setText(caption);
    ok_->setEnabled(true);
}

void TSystemSetForm::okClicked() {
    const bool boxes = changePassword_->isChecked();
    const auto outcome = core_.changeNamePassword(
        gbk(name_->text()), boxes ? gbk(oldPassword_->text()) : std::string(),
        boxes ? gbk(newPassword_->text()) : std::string(),
        boxes ? gbk(confirmPassword_->text()) : std::string(),
        [guard = QPointer<TSystemSetForm>(this)](shell::NameChangeOutcome o) {
            if (!guard) return;
            const shell::OutcomeText t = shell::outcomeText(o);
            if (o == shell::NameChangeOutcome::Confirmed) {
                guard->ok_->hide();
            } else {
                guard->resetOkButton(QStringLiteral(">> 请点击这里提交本次修改"));
            }
            guard->showMessage(QString::fromUtf8(t.title), QString::fromUtf8(t.message), t.error);
        });
    if (outcome == shell::NameChangeOutcome::Waiting) {
        ok_->setText(QStringLiteral("正在更新..."));
        ok_->setEnabled(false);
        return;
    }
    if (outcome == shell::NameChangeOutcome::SendFailed) resetOkButton(QStringLiteral("更新"));
    const shell::OutcomeText t = shell::outcomeText(outcome);
    showMessage(QString::fromUtf8(t.title), QString::fromUtf8(t.message), t.error);
}

void TSystemSetForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0x3F, 0x82, 0xC8));
    g.setColorAt(1, QColor(0x2A, 0x5F, 0x9E));
    p.fillPath(path, g);
    p.setPen(QColor(0x1E, 0x4C, 0x80));
    p.drawPath(path);
}

void TSystemSetForm::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void TSystemSetForm::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) move(e->globalPosition().toPoint() - dragOffset_);
}

void TSystemSetForm::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

void TSystemSetForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

} // namespace vantor::ui
