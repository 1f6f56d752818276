// The five pages of TSystemSetForm, each control named as the settings it edits.
#include "ui/settings/system_set_form.h"

#include "platform/sound.h"
#include "ui/kit/fonts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QLineEdit* edit(QWidget* parent, const char* name, int maxLength = 0) {
    auto* e = named(new QLineEdit(parent), name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}

// Digits only, at most five (ports, seconds, minutes).
QLineEdit* numberEdit(QWidget* parent, const char* name) {
    auto* e = edit(parent, name, 5);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), e));
    e->setFixedWidth(60);
    return e;
}

QCheckBox* check(QWidget* parent, const char* name, const QString& text) {
    return named(new QCheckBox(text, parent), name);
}

QLabel* heading(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    QFont f = textFont(13);
    f.setBold(true);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: #2F6FB3;"));
    return l;
}

QWidget* page(QWidget* parent, const char* name, QVBoxLayout*& v) {
    auto* w = named(new QWidget(parent), name);
    v = new QVBoxLayout(w);
    v->setContentsMargins(16, 12, 16, 12);
    v->setSpacing(7);
    return w;
}

QHBoxLayout* row(QVBoxLayout* v) {
    auto* h = new QHBoxLayout;
    h->setSpacing(6);
    v->addLayout(h);
    return h;
}

} // namespace

QWidget* TSystemSetForm::buildNetPage() {
    QVBoxLayout* v = nullptr;
    QWidget* p = page(this, "TabNet", v);
    v->addWidget(heading(p, QStringLiteral("网络设置")));
    auto* server = row(v);
    server->addWidget(new QLabel(QStringLiteral("服务器"), p));
    host_ = edit(p, "EDHostName");
    server->addWidget(host_, 1);
    server->addWidget(new QLabel(QStringLiteral("端口"), p));
    port_ = numberEdit(p, "EDServerPort");
    server->addWidget(port_);

    auto* proxy = row(v);
    proxy->addWidget(new QLabel(QStringLiteral("代理类型"), p));
    proxyCategory_ = named(new QComboBox(p), "CBProxyCategory");
    proxyCategory_->addItems({QStringLiteral("不使用代理服务器"), QStringLiteral("使用Socks4代理"),
                              QStringLiteral("使用Socks4A代理"), QStringLiteral("使用Socks5代理"),
                              QStringLiteral("使用HTTP代理")});
    proxy->addWidget(proxyCategory_, 1);

    proxyGroup_ = named(new QGroupBox(QStringLiteral("代理服务器信息"), p), "GBProxy");
    auto* form = new QFormLayout(proxyGroup_);
    proxyAddress_ = edit(proxyGroup_, "EDProxyAddress");
    proxyPort_ = numberEdit(proxyGroup_, "EDProxyPort");
    proxyUser_ = edit(proxyGroup_, "EDProxyUsername");
    proxyPassword_ = edit(proxyGroup_, "EDProxyPassword");
    proxyPassword_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("代理服务器:"), proxyAddress_);
    form->addRow(QStringLiteral("端口:"), proxyPort_);
    form->addRow(QStringLiteral("用户名:"), proxyUser_);
    form->addRow(QStringLiteral("用户密码:"), proxyPassword_);
    v->addWidget(proxyGroup_);

    auto* reconnect = row(v);
    autoConnect_ = check(p, "CBAutoConnect", QStringLiteral("网络断线后"));
    autoConnectInterval_ = numberEdit(p, "EDAutoConnectInterval");
    reconnect->addWidget(autoConnect_);
    reconnect->addWidget(autoConnectInterval_);
    reconnect->addWidget(new QLabel(QStringLiteral("秒自动连接服务器"), p));
    reconnect->addStretch();
    v->addStretch();

    connect(proxyCategory_, &QComboBox::activated, this, [this](int i) { proxyChosen(i); });
    connect(autoConnect_, &QCheckBox::toggled, autoConnectInterval_, &QWidget::setEnabled);
    return p;
}

QWidget* TSystemSetForm::buildStatusPage() {
    QVBoxLayout* v = nullptr;
    QWidget* p = page(this, "TabStatus", v);
    v->addWidget(heading(p, QStringLiteral("状态和提醒")));
    auto* sound = row(v);
    sound->addWidget(new QLabel(QStringLiteral("信息提示音"), p));
    msgSound_ = edit(p, "ED_MsgSound");
    msgSound_->setReadOnly(true);
    selSound_ = named(new QToolButton(p), "SBSelFile");
    selSound_->setText(QStringLiteral("..."));
    playSound_ = named(new QToolButton(p), "SBPlay");
    playSound_->setText(QStringLiteral("▶"));
    sound->addWidget(msgSound_, 1);
    sound->addWidget(selSound_);
    sound->addWidget(playSound_);
    dontPlaySound_ = check(p, "CB_DontPlaySound", QStringLiteral("来消息时静音"));
    showMsgHint_ = check(p, "CB_ShowMsgHint", QStringLiteral("来消息时显示提醒条"));
    showMsgRemind_ = check(p, "CB_ShowMsgRemind", QStringLiteral("来消息时显示浮动提醒"));
    notShowContent_ = check(p, "CB_NotShowContent", QStringLiteral("提醒不显示详情"));
    remindText_ = named(new QLabel(p), "Lb_RemindText");
    remindText_->setStyleSheet(
        QStringLiteral("QLabel { background: #FFFBE6; border: 1px solid #E5D9A8; padding: 4px; }"));
    enterSend_ = check(p, "CB_EnterSendMsg", QStringLiteral("使用回车键发送消息"));
    autoSort_ = check(p, "CB_AutoSort", QStringLiteral("主面板列表按用户状态排序"));
    for (QWidget* w : {static_cast<QWidget*>(dontPlaySound_), static_cast<QWidget*>(showMsgHint_),
                       static_cast<QWidget*>(showMsgRemind_), static_cast<QWidget*>(notShowContent_),
                       static_cast<QWidget*>(remindText_), static_cast<QWidget*>(enterSend_),
                       static_cast<QWidget*>(autoSort_)})
        v->addWidget(w);
    auto* idle = row(v);
    autoLeave_ = check(p, "CB_AutoLeave", QStringLiteral("键盘鼠标无动作"));
    autoLeaveMinutes_ = numberEdit(p, "ED_AutoLeave");
    idle->addWidget(autoLeave_);
    idle->addWidget(autoLeaveMinutes_);
    idle->addWidget(new QLabel(QStringLiteral("分钟后状态切换为\"离开\"状态"), p));
    idle->addStretch();
    autoBusy_ = check(p, "CB_AutoBusy", QStringLiteral("运行全屏程序时切换至\"忙碌\"状态"));
    v->addWidget(autoBusy_);
    v->addStretch();

    connect(dontPlaySound_, &QCheckBox::toggled, this, [this] { soundChoiceChanged(); });
    connect(notShowContent_, &QCheckBox::toggled, this, [this](bool hide) {
        remindText_->setText(hide ? QStringLiteral("3:19 小王：给您发送了一条消息")
                                  : QStringLiteral("3:19 小王：你好！"));
    });
    connect(playSound_, &QToolButton::clicked, this, [this] {
        const QString file = msgSound_->text().trimmed();
        if (!file.isEmpty()) sound_.play(file);
    });
    connect(selSound_, &QToolButton::clicked, this, [this] {
        if (soundChooser)
            soundChooser([guard = QPointer<TSystemSetForm>(this)](const QString& path) {
                if (guard && !path.isEmpty()) guard->msgSound_->setText(path);
            });
    });
    return p;
}

QWidget* TSystemSetForm::buildUserinfoPage() {
    QVBoxLayout* v = nullptr;
    QWidget* p = page(this, "TabUserinfo", v);
    v->addWidget(heading(p, QStringLiteral("我的资料")));
    auto* sex = row(v);
    male_ = named(new QRadioButton(QStringLiteral("男"), p), "RadioButton1");
    female_ = named(new QRadioButton(QStringLiteral("女"), p), "RadioButton2");
    auto* group = new QButtonGroup(p);
    group->addButton(male_);
    group->addButton(female_);
    sex->addWidget(male_);
    sex->addWidget(female_);
    sex->addStretch();
    auto* form = new QFormLayout;
    // The boxes take as many characters as their record fields have bytes; longer GBK texts are
    // cut on a character boundary when the record is built.
    company_ = edit(p, "edt_Company", 50);
    office_ = edit(p, "edt_Office", 40);
    officePhone_ = edit(p, "edt_Ophone", 20);
    mobilePhone_ = edit(p, "edt_Mphone", 20);
    mail_ = edit(p, "edt_Mail", 40);
    fax_ = edit(p, "edt_Fax", 20);
    form->addRow(QStringLiteral("公司/部门名称："), company_);
    form->addRow(QStringLiteral("部门/职务："), office_);
    form->addRow(QStringLiteral("办公电话："), officePhone_);
    form->addRow(QStringLiteral("移动电话："), mobilePhone_);
    form->addRow(QStringLiteral("邮件："), mail_);
    form->addRow(QStringLiteral("传真："), fax_);
    v->addLayout(form);
    photo_ = named(new QPushButton(QStringLiteral(">> 设置照片"), p), "btn_Photo");
    photo_->setFlat(true);
    photo_->setCursor(Qt::PointingHandCursor);
    // Enabled once the desktop says how to open the head-picture window.
    photo_->setEnabled(false);
    v->addWidget(photo_, 0, Qt::AlignLeft);
    v->addStretch();
    return p;
}

QWidget* TSystemSetForm::buildOtherPage() {
    QVBoxLayout* v = nullptr;
    QWidget* p = page(this, "TabOther", v);
    v->addWidget(heading(p, QStringLiteral("其他设置")));
    autoRun_ = check(p, "CB_AutoRun", QStringLiteral("开机自动运行本程序"));
    rememberPassword_ = check(p, "CB_RembPassword", QStringLiteral("记住登录密码"));
    v->addWidget(autoRun_);
    v->addWidget(rememberPassword_);
    auto* state = row(v);
    state->addWidget(new QLabel(QStringLiteral("登录状态显示为"), p));
    loginStatus_ = named(new QComboBox(p), "ComBox_LoginStatus");
    loginStatus_->addItems(
        {QStringLiteral("在线"), QStringLiteral("忙碌"), QStringLiteral("离开"), QStringLiteral("隐身")});
    state->addWidget(loginStatus_);
    state->addStretch();
    mainHeading_ = heading(p, QStringLiteral("主面板"));
    v->addWidget(mainHeading_);
    onTop_ = check(p, "CB_fsOnTop", QStringLiteral("始终保持在其他窗口前端"));
    autoHide_ = check(p, "CB_AutoHide", QStringLiteral("停靠在桌面边缘时自动隐藏"));
    btnNotClose_ =
        check(p, "CB_btnNotClose", QStringLiteral("点击主面板关闭按钮时隐藏到任务栏通知区域，不退出程序"));
    showMsgCenter_ = check(p, "CB_ShowMsgCenter", QStringLiteral("登录后显示消息中心"));
    for (QWidget* w : {static_cast<QWidget*>(onTop_), static_cast<QWidget*>(autoHide_),
                       static_cast<QWidget*>(btnNotClose_), static_cast<QWidget*>(showMsgCenter_)}) {
        v->addWidget(w);
        windowOptions_.append(w);
    }
    auto* folder = new QWidget(p);
    auto* f = new QHBoxLayout(folder);
    f->setContentsMargins(0, 0, 0, 0);
    f->addWidget(new QLabel(QStringLiteral("默认接收文件目录"), folder));
    revPath_ = edit(folder, "ED_RevPath");
    revPath_->setReadOnly(true);
    auto* choose = named(new QToolButton(folder), "SBSelRevFilePath");
    choose->setText(QStringLiteral("..."));
    f->addWidget(revPath_, 1);
    f->addWidget(choose);
    v->addWidget(folder);
    windowOptions_.append(folder);
    flashIcon_ = check(p, "CB_Flashicon", QStringLiteral("右下角图标闪烁"));
    msgInfo_ = check(p, "CB_MsgInfo", QStringLiteral("右上角浮动提醒"));
    v->addWidget(flashIcon_);
    v->addWidget(msgInfo_);
    notificationOptions_ = {flashIcon_, msgInfo_};
    v->addStretch();
    connect(choose, &QToolButton::clicked, this, [this] {
        if (folderChooser)
            folderChooser([guard = QPointer<TSystemSetForm>(this)](const QString& path) {
                if (guard && !path.isEmpty()) guard->revPath_->setText(path);
            });
    });
    return p;
}

QWidget* TSystemSetForm::buildPasswordPage() {
    QVBoxLayout* v = nullptr;
    QWidget* p = page(this, "TabPassword", v);
    v->addWidget(heading(p, QStringLiteral("更改显示名")));
    auto* name = row(v);
    name->addWidget(new QLabel(QStringLiteral("用户名称："), p));
    name_ = edit(p, "EDName", shell::SettingsForm::kMaxNameChars);
    name->addWidget(name_, 1);
    v->addWidget(heading(p, QStringLiteral("更改密码")));
    auto* box = row(v);
    // The box's own caption: a click on it toggles the box.
    changePassword_ = check(p, "cb_CgPassword", QStringLiteral("修改密码 （密码区分大小写）"));
    box->addWidget(changePassword_);
    box->addStretch();
    auto* form = new QFormLayout;
    oldPassword_ = edit(p, "EDOldPassword", 20);
    newPassword_ = edit(p, "EDPassword", 20);
    confirmPassword_ = edit(p, "EDConfirmPassword", 20);
    for (QLineEdit* e : {oldPassword_, newPassword_, confirmPassword_}) {
        e->setEchoMode(QLineEdit::Password);
        e->setEnabled(false);
    }
    form->addRow(QStringLiteral("原密码："), oldPassword_);
    form->addRow(QStringLiteral("新密码："), newPassword_);
    form->addRow(QStringLiteral("确认新密码："), confirmPassword_);
    v->addLayout(form);
    ok_ = named(new QPushButton(p), "BTOK");
    ok_->setFlat(true);
    ok_->setCursor(Qt::PointingHandCursor);
    ok_->setStyleSheet(QStringLiteral("QPushButton { color: #2F6FB3; text-align: left; }"));
    ok_->hide();
    v->addWidget(ok_, 0, Qt::AlignLeft);
    v->addStretch();

    connect(changePassword_, &QCheckBox::toggled, this, [this](bool on) { passwordBoxToggled(on); });
    auto edited = [this] {
        if (ok_->isHidden()) resetOkButton(QStringLiteral(">> 请点击这里提交本次修改"));
        ok_->show();
    };
    connect(name_, &QLineEdit::textEdited, this, edited);
    connect(oldPassword_, &QLineEdit::textEdited, this, edited);
    connect(ok_, &QPushButton::clicked, this, [this] { okClicked(); });
    return p;
}

} // namespace vantor::ui
