#include "ui/main/main_window.h"

#include "protocol/text.h"

#include "client/client_core.h"
#include "directory/gbk_text.h"
#include "directory/status_display.h"
#include "shell/shell_core.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"
#include "ui/kit/icons.h"
#include "ui/kit/palette.h"
#include "ui/lists/user_list_box.h"
#include "ui/main/org_tree.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {

QToolButton* toolButton(QWidget* parent, const char* name, Glyph glyph, const QString& hint,
                        bool light = false, int size = 22) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(glyphIcon(glyph, light));
    b->setIconSize(QSize(size - 6, size - 6));
    b->setFixedSize(size, size);
    b->setAutoRaise(true);
    b->setToolTip(hint);
    // Reached with Tab, but a click leaves the focus where it was (the tree, the search box).
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QLabel* badgeLabel(QWidget* parent, const char* picture, const char* number) {
    auto* img = label(parent, picture);
    img->setFixedSize(26, 14);
    img->setStyleSheet(QStringLiteral("background: #E53B30; border-radius: 7px;"));
    auto* text = label(img, number);
    text->setStyleSheet(QStringLiteral("color: white; background: transparent; font-weight: bold;"));
    text->setFont(textFont(10));
    img->hide();
    return img;
}

// The statuses a user may choose, in menu order; their names are the protocol's own.
const uint8_t kStatusCodes[] = {protocol::kOnline,    protocol::kBusy,         protocol::kBeRightBack,
                                protocol::kAway,      protocol::kOnPhone,      protocol::kOutToLunch,
                                protocol::kInMeeting, protocol::kDoNotDisturb, protocol::kInvisible};

QString statusText(uint8_t code) {
    return QString::fromStdString(protocol::fromGbk(protocol::statusName(code)));
}

} // namespace

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), programFolder_(programFolder) {
    if (!programFolder_.isEmpty() && !programFolder_.endsWith(QLatin1Char('/')))
        programFolder_ += QLatin1Char('/');
    setObjectName(QStringLiteral("TMessengerX"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setFont(textFont(12));
    setWindowIcon(glyphIcon(Glyph::Logo));
    setMinimumSize(200, 420);
    resize(settings::kSignInWidth, 520);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour::kPanel);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);
    buildTopBar();
    root->addWidget(topBar_);
    pages_ = new QStackedWidget(this);
    root->addWidget(pages_, 1);
    buildSignInPage();
    buildMainPage();
    buildMenus();
    buildTray();
    updatePages();
}

MainWindow::~MainWindow() {
    if (tray_) tray_->hide();
}

void MainWindow::attach(client::ClientCore* client, shell::ShellCore* shell,
                        client::IConversationWindows* windows) {
    client_ = client;
    shell_ = shell;
    windows_ = windows;
    directory::DirectoryCore& d = client_->directory();
    tree_->setModel(&d.tree());
    frequent_->setModel(&d.frequent());
    recent_->setModel(&d.recent());
    groups_->setModel(&d.groups());
    // The wide separator goes with the sans CJK face, as the tree draws its signature 2 pixels down.
    directory::DirectorySettings settings = d.settings();
    settings.wideSeparator = !cjkFamily(kYaHei).isEmpty();
    d.setSettings(settings);
}

// ---- construction ----

void MainWindow::buildTopBar() {
    topBar_ = new QWidget(this);
    topBar_->setObjectName(QStringLiteral("topbar"));
    topBar_->setMouseTracking(true);
    topBar_->installEventFilter(this);
    auto* v = new QVBoxLayout(topBar_);
    v->setContentsMargins(6, 4, 4, 4);
    v->setSpacing(2);

    auto* title = new QHBoxLayout;
    auto* small = new QLabel(topBar_);
    small->setPixmap(glyphIcon(Glyph::Logo).pixmap(16, 16));
    small->setAttribute(Qt::WA_TransparentForMouseEvents);
    title->addWidget(small);
    auto* caption = label(topBar_, "lb_Title", QStringLiteral("Kezique"));
    caption->setStyleSheet(QStringLiteral("color: white;"));
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    title->addWidget(caption);
    title->addStretch();
    auto* setup = toolButton(topBar_, "Img_Setup", Glyph::Menu, QStringLiteral("主菜单"), true, 20);
    auto* min = toolButton(topBar_, "M_Min", Glyph::Minimise, QStringLiteral("最小化"), true, 20);
    auto* close = toolButton(topBar_, "M_Close", Glyph::Close, QStringLiteral("关闭"), true, 20);
    title->addWidget(setup);
    title->addWidget(min);
    title->addWidget(close);
    v->addLayout(title);
    connect(setup, &QToolButton::clicked, this,
            [this, setup] { popFile_->popup(setup->mapToGlobal(QPoint(0, setup->height()))); });
    connect(min, &QToolButton::clicked, this, [this] { hideToTray(); });
    connect(close, &QToolButton::clicked, this, [this] { closeButton(); });

    // The own name, status and signature, shown while signed in.
    ownArea_ = new QWidget(topBar_);
    ownArea_->setAttribute(Qt::WA_TranslucentBackground);
    auto* own = new QHBoxLayout(ownArea_);
    own->setContentsMargins(0, 2, 0, 2);
    head_ = label(ownArea_, "Img_Head");
    head_->setFixedSize(40, 40);
    head_->setScaledContents(true);
    head_->setStyleSheet(QStringLiteral("border: 1px solid rgba(255,255,255,160); background: white;"));
    head_->setCursor(Qt::PointingHandCursor);
    head_->installEventFilter(this);
    own->addWidget(head_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* nameRow = new QHBoxLayout;
    userName_ = label(ownArea_, "Lb_UserName");
    userName_->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    myState_ = label(ownArea_, "LblMyState", QStringLiteral("[未登录]"));
    myState_->setStyleSheet(QStringLiteral("color: white;"));
    myState_->setCursor(Qt::PointingHandCursor);
    myState_->installEventFilter(this);
    statusPicture_ = label(ownArea_, "Img_MyState");
    statusPicture_->setFixedSize(14, 14);
    statusPicture_->setPixmap(statusIcon(directory::StatusClass::Offline).pixmap(14, 14));
    statusPicture_->installEventFilter(this);
    nameRow->addWidget(statusPicture_);
    nameRow->addWidget(userName_);
    nameRow->addSpacing(5);
    nameRow->addWidget(myState_);
    nameRow->addStretch();
    workState_ = toolButton(ownArea_, "Img_LCDbtn", Glyph::TabRecent, QStringLiteral("岗位状态"), true, 20);
    workState_->hide();
    nameRow->addWidget(workState_);
    texts->addLayout(nameRow);
    memo_ = label(ownArea_, "Lb_UserMemo", QStringLiteral("个性签名 ..."));
    memo_->setStyleSheet(QStringLiteral("color: rgba(255,255,255,210);"));
    memo_->setCursor(Qt::IBeamCursor);
    memo_->setToolTip(QStringLiteral("点击输入个性签名"));
    memo_->installEventFilter(this);
    memoEdit_ = new QLineEdit(ownArea_);
    memoEdit_->setObjectName(QStringLiteral("Edt_UserMemo"));
    memoEdit_->setMaxLength(100);
    memoEdit_->hide();
    memoEdit_->installEventFilter(this);
    connect(memoEdit_, &QLineEdit::returnPressed, this, [this] { commitSignature(); });
    texts->addWidget(memo_);
    texts->addWidget(memoEdit_);
    own->addLayout(texts, 1);
    v->addWidget(ownArea_);

    // Notices, message centre and the server's toolbar buttons, with their badges.
    auto* tools = new QHBoxLayout;
    tools->setSpacing(2);
    notice_ = toolButton(topBar_, "Btn_Notice", Glyph::Notice, QStringLiteral("内部通知"), true);
    msgCentre_ = toolButton(topBar_, "btn_MsgCenter", Glyph::MessageCentre, QStringLiteral("消息中心"), true);
    polymerize_ = toolButton(topBar_, "btn_Polymerize", Glyph::Message, QStringLiteral("消息中心"), true);
    tools->addWidget(notice_);
    tools->addWidget(msgCentre_);
    tools->addWidget(polymerize_);
    const char* linkNames[] = {"Image4", "Image5", "Image6", "Image7"};
    for (size_t i = 0; i < links_.size(); ++i) {
        // The server's hint replaces this one when it sends the button.
        links_[i] = toolButton(topBar_, linkNames[i], Glyph::Link, QStringLiteral("链接"), true);
        links_[i]->hide();
        tools->addWidget(links_[i]);
        connect(links_[i], &QToolButton::clicked, this, [this, i] {
            if (shell_) shell_->openToolbarLink(uint32_t(i + 2));
        });
    }
    connect(polymerize_, &QToolButton::clicked, this, [this] {
        if (shell_) shell_->openToolbarLink(1);
    });
    // Their windows come with their own features; until then the buttons say so.
    connect(notice_, &QToolButton::clicked, this, [this] {
        if (noticeOpener)
            noticeOpener();
        else
            notProvided();
    });
    connect(msgCentre_, &QToolButton::clicked, this, [this] {
        if (shell_ && shell_->openMessageCentre)
            shell_->openMessageCentre();
        else
            notProvided();
    });
    tools->addStretch();
    v->addLayout(tools);
    badgeNotices_ = badgeLabel(topBar_, "ImgPP", "labelPP");
    badgeCentre_ = badgeLabel(topBar_, "ImgPP1", "labelPP1");
    badgeCentre_->installEventFilter(this);
    badgeNotices_->installEventFilter(this);
    notice_->hide();
    msgCentre_->hide();
    polymerize_->hide();
    ownArea_->hide();
}

void MainWindow::buildSignInPage() {
    signInPage_ = new QWidget(pages_);
    signInPage_->setObjectName(QStringLiteral("SignInPanel"));
    auto* v = new QVBoxLayout(signInPage_);
    v->setContentsMargins(18, 18, 18, 12);
    v->setSpacing(8);
    logo_ = label(signInPage_, "Img_Logo");
    logo_->setAlignment(Qt::AlignCenter);
    const QString logoFile = sysImages() + QStringLiteral("login_Logo.png");
    const QPixmap logo(logoFile);
    logo_->setPixmap(QFileInfo::exists(logoFile) && !logo.isNull() ? logo
                                                                   : QPixmap::fromImage(logoImage(72)));
    v->addWidget(logo_);
    productName_ = label(signInPage_, "lb_PdName", QStringLiteral("Kezique"));
    productName_->setAlignment(Qt::AlignCenter);
    productName_->setFont(textFont(16));
    productName_->setStyleSheet(QStringLiteral("color: #2F6FB3;"));
    v->addWidget(productName_);
    v->addSpacing(6);

    signInInputs_ = new QWidget(signInPage_);
    auto* in = new QVBoxLayout(signInInputs_);
    in->setContentsMargins(0, 0, 0, 0);
    in->setSpacing(6);
    account_ = new QLineEdit(signInInputs_);
    account_->setObjectName(QStringLiteral("Edt_UserName"));
    account_->setPlaceholderText(QStringLiteral("帐号"));
    password_ = new QLineEdit(signInInputs_);
    password_->setObjectName(QStringLiteral("Edt_Password"));
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(QStringLiteral("密码"));
    status_ = new QComboBox(signInInputs_);
    status_->setObjectName(QStringLiteral("Cbb_State"));
    for (uint8_t code : kStatusCodes)
        status_->addItem(statusText(code));
    savePass_ = new QCheckBox(QStringLiteral("记住密码"), signInInputs_);
    savePass_->setObjectName(QStringLiteral("Cb_SavePass"));
    autoLogin_ = new QCheckBox(QStringLiteral("自动登录"), signInInputs_);
    autoLogin_->setObjectName(QStringLiteral("Cb_AutoLogin"));
    loginButton_ = new QPushButton(QStringLiteral("登录"), signInInputs_);
    loginButton_->setObjectName(QStringLiteral("btn_Login"));
    loginButton_->setDefault(true);
    loginButton_->setMinimumHeight(28);
    loginButton_->setStyleSheet(
        QStringLiteral("QPushButton { background: #2F6FB3; color: white; border-radius: 3px; }"
                       "QPushButton:hover { background: #3F82C8; }"));
    in->addWidget(account_);
    in->addWidget(password_);
    in->addWidget(status_);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(savePass_);
    boxes->addWidget(autoLogin_);
    in->addLayout(boxes);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(loginButton_, 1);
    // The setup button: the settings dialog's network page, where a new user sets the server.
    auto* setup = new QToolButton(signInInputs_);
    setup->setObjectName(QStringLiteral("btn_LoginSetup"));
    setup->setText(QStringLiteral("设置"));
    setup->setToolTip(QStringLiteral("网络设置"));
    setup->setMinimumHeight(28);
    buttons->addWidget(setup);
    in->addLayout(buttons);
    connect(setup, &QToolButton::clicked, this, [this] { openSettingsDialog(); });
    v->addWidget(signInInputs_);
    status_->setToolTip(QStringLiteral("登录状态"));
    QWidget::setTabOrder(account_, password_);
    QWidget::setTabOrder(password_, status_);
    QWidget::setTabOrder(status_, savePass_);
    QWidget::setTabOrder(savePass_, autoLogin_);
    QWidget::setTabOrder(autoLogin_, loginButton_);
    QWidget::setTabOrder(loginButton_, setup);

    signInProgress_ = new QWidget(signInPage_);
    auto* pr = new QVBoxLayout(signInProgress_);
    auto* busy = label(signInProgress_, "Img_Busy");
    busy->setPixmap(glyphIcon(Glyph::Busy).pixmap(32, 32));
    busy->setAlignment(Qt::AlignCenter);
    signInProgressText_ = label(signInProgress_, "lb_Logining", QStringLiteral("正在登录..."));
    signInProgressText_->setAlignment(Qt::AlignCenter);
    auto* cancel = label(signInProgress_, "lb_Cancel", QStringLiteral("<a href=\"#\">取消</a>"));
    cancel->setAlignment(Qt::AlignCenter);
    connect(cancel, &QLabel::linkActivated, this, [this] {
        if (client_) client_->messenger().ConnectMenuClicked();
    });
    pr->addWidget(busy);
    pr->addWidget(signInProgressText_);
    pr->addWidget(cancel);
    signInProgress_->hide();
    v->addWidget(signInProgress_);
    v->addStretch();
    telephone_ = label(signInPage_, "Image_Tel");
    telephone_->setPixmap(statusIcon(directory::StatusClass::Mobile).pixmap(18, 18));
    telephone_->setToolTip(QStringLiteral("联系电话"));
    telephone_->hide();
    v->addWidget(telephone_, 0, Qt::AlignRight);
    pages_->addWidget(signInPage_);

    connect(loginButton_, &QPushButton::clicked, this, [this] {
        if (client_) client_->messenger().SignInClicked();
    });
    auto enter = [this] {
        if (client_ && !password_->text().isEmpty()) client_->messenger().SignInClicked();
    };
    connect(account_, &QLineEdit::returnPressed, this, enter);
    connect(password_, &QLineEdit::returnPressed, this, enter);
    connect(autoLogin_, &QCheckBox::clicked, this, [this](bool on) {
        if (client_) client_->messenger().AutoLoginClicked(on);
    });
}

void MainWindow::buildMainPage() {
    mainPage_ = new QWidget(pages_);
    auto* v = new QVBoxLayout(mainPage_);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    content_ = new QStackedWidget(mainPage_);
    v->addWidget(content_, 1);

    // PBLogin: progress while the sign-in panel is not shown.
    pbLogin_ = new QWidget(content_);
    pbLogin_->setObjectName(QStringLiteral("PBLogin"));
    auto* pl = new QVBoxLayout(pbLogin_);
    pl->addStretch();
    auto* busy = new QLabel(pbLogin_);
    busy->setPixmap(glyphIcon(Glyph::Busy).pixmap(32, 32));
    busy->setAlignment(Qt::AlignCenter);
    pl->addWidget(busy);
    pbLoginText_ = label(pbLogin_, "LblLogining", QStringLiteral("正在登录..."));
    pbLoginText_->setAlignment(Qt::AlignCenter);
    pl->addWidget(pbLoginText_);
    auto* cancel = label(pbLogin_, "LblCancelLogin", QStringLiteral("<a href=\"#\">取消</a>"));
    cancel->setAlignment(Qt::AlignCenter);
    connect(cancel, &QLabel::linkActivated, this, [this] {
        if (client_) client_->messenger().ConnectMenuClicked();
    });
    pl->addWidget(cancel);
    pl->addStretch();
    content_->addWidget(pbLogin_);

    // PBReLogin: over the tree area after a sign-out.
    pbReLogin_ = new QWidget(content_);
    pbReLogin_->setObjectName(QStringLiteral("PBReLogin"));
    auto* rl = new QVBoxLayout(pbReLogin_);
    rl->addStretch();
    auto* again = new QPushButton(glyphIcon(Glyph::ReLogin), QStringLiteral("重新登录"), pbReLogin_);
    again->setObjectName(QStringLiteral("ImgBtn_ReLogin"));
    rl->addWidget(again, 0, Qt::AlignCenter);
    networkLost_ = label(pbReLogin_, "lb_NetBroken", QStringLiteral("网络已断开"));
    retryLater_ = label(pbReLogin_, "lb_AutoReLogin", QStringLiteral("系统稍后尝试自动登录"));
    networkLost_->setAlignment(Qt::AlignCenter);
    retryLater_->setAlignment(Qt::AlignCenter);
    retryLater_->setStyleSheet(QStringLiteral("color: #8F8F8F;"));
    rl->addWidget(networkLost_);
    rl->addWidget(retryLater_);
    rl->addStretch();
    connect(again, &QPushButton::clicked, this, [this] {
        if (client_) client_->messenger().ReLoginClicked();
    });
    content_->addWidget(pbReLogin_);

    // The views: quick search, the tabs and the four views.
    auto* viewsPage = new QWidget(content_);
    viewsPage->setObjectName(QStringLiteral("ViewsPanel"));
    auto* vp = new QVBoxLayout(viewsPage);
    vp->setContentsMargins(0, 0, 0, 0);
    vp->setSpacing(0);
    search_ = new QLineEdit(viewsPage);
    search_->setObjectName(QStringLiteral("Edt_Search"));
    search_->setPlaceholderText(QStringLiteral("搜索联系人等信息，可简拼查询"));
    search_->setMaxLength(int(directory::kMaxSearchLength));
    search_->addAction(glyphIcon(Glyph::Search), QLineEdit::LeadingPosition)->setText(QStringLiteral("搜索"));
    search_->installEventFilter(this);
    vp->addWidget(search_);
    connect(search_, &QLineEdit::textEdited, this, [this](const QString& t) { searchChanged(t); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { openSearchMatch(); });

    auto* tabRow = new QHBoxLayout;
    tabRow->setSpacing(0);
    const struct {
        const char* name;
        Glyph glyph;
        const char* hint;
    } tabs[] = {{"Btn_TreeView", Glyph::TabTree, "组织人员"},
                {"Btn_QQView", Glyph::TabContacts, "常用联系人"},
                {"Btn_History", Glyph::TabRecent, "最近联系人"},
                {"Btn_Group", Glyph::TabGroups, "讨论组"}};
    for (int i = 0; i < 4; ++i) {
        auto* b =
            toolButton(viewsPage, tabs[i].name, tabs[i].glyph, QString::fromUtf8(tabs[i].hint), false, 30);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFixedSize(QSize(QWIDGETSIZE_MAX, 30));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setMinimumWidth(30);
        b->setMaximumWidth(QWIDGETSIZE_MAX);
        tabs_[size_t(i)] = b;
        tabRow->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, i] {
            if (client_) client_->directory().ShowView(i);
        });
    }
    groupAlert_ = label(tabs_[3], "img_Alert");
    groupAlert_->setPixmap(glyphIcon(Glyph::Message).pixmap(10, 10));
    groupAlert_->move(2, 2);
    groupAlert_->hide();
    vp->addLayout(tabRow);

    views_ = new QStackedWidget(viewsPage);
    tree_ = new OrgTreeView(views_);
    tree_->setFont(textFont(12));
    frequent_ = new TUserListBox(QStringLiteral("UserListFrequent"), sysImages(), views_);
    recent_ = new TUserListBox(QStringLiteral("UserListRecent"), sysImages(), views_);
    groups_ = new TUserListBox(QStringLiteral("UserListGroups"), sysImages(), views_);
    groups_->setGroupMode(true);
    for (QWidget* w : std::initializer_list<QWidget*>{tree_, frequent_, recent_, groups_})
        views_->addWidget(w);
    vp->addWidget(views_, 1);
    content_->addWidget(viewsPage);

    tree_->onOpenUser = [this](uint32_t id) { openUser(id); };
    tree_->onContextMenu = [this](uint32_t id, const QPoint& at) {
        if (id)
            showTreeUserMenu(id, at);
        else
            showViewMenu(at, treeContactGroupAt(at));
    };
    for (TUserListBox* list : {frequent_, recent_}) {
        list->onActivate = [this](const QVariant& id) { openUser(id.toUInt()); };
        list->onContextMenu = [this, list](const QVariant& id, bool onSection, const QPoint& at) {
            if (!onSection && id.isValid()) {
                showListUserMenu(id.toUInt(), at);
                return;
            }
            showViewMenu(at, onSection && list == frequent_ ? frequentContactGroupAt(at) : std::string());
        };
    }
    groups_->onContextMenu = [this](const QVariant&, bool, const QPoint& at) { showViewMenu(at); };
    // The button of a contact group's header opens the view menu for that group.
    frequent_->OnSectionButton = [this](int section, const QString& caption) {
        showViewMenu(frequent_->viewport()->mapToGlobal(frequent_->sectionButtonRect(section).bottomLeft()),
                     directory::qstringToGbk(caption));
    };
    groups_->OnSectionButton = [this](int, const QString&) {
        if (groupCreator)
            groupCreator();
        else
            notProvided();
    };
    groups_->onActivate = [this](const QVariant& id) {
        wire::Guid group;
        // A service point of the service desk's sections opens a service conversation.
        if (client_ && client_->directory().groups().serviceEntry(id.toString())) {
            if (serviceOpener && wire::Guid::fromString(id.toString().toStdString(), group))
                serviceOpener(group);
            return;
        }
        if (windows_ && wire::Guid::fromString(id.toString().toStdString(), group))
            windows_->openGroup(group);
    };

    emptyPage_ = new QWidget(content_);
    content_->addWidget(emptyPage_);

    // The search drop-down lies over the views.
    searchDrop_ = new QListWidget(this);
    searchDrop_->setObjectName(QStringLiteral("SearchDropDown"));
    searchDrop_->setFrameShape(QFrame::Box);
    searchDrop_->setUniformItemSizes(true);
    searchDrop_->hide();
    connect(searchDrop_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const uint32_t id = item->data(Qt::UserRole).toUInt();
        hideSearch();
        openUser(id);
    });

    // The bottom bar.
    auto* bottom = new QWidget(mainPage_);
    bottomBar_ = bottom;
    bottom->setObjectName(QStringLiteral("bottombar"));
    auto* b = new QHBoxLayout(bottom);
    b->setContentsMargins(4, 2, 4, 2);
    b->setSpacing(2);
    addUser_ = toolButton(bottom, "btn_AddUser", Glyph::AddUser, QStringLiteral("查找添加联系人"));
    addUser_->hide();
    history_ = toolButton(bottom, "ImgBtn_Search", Glyph::History, QStringLiteral("对话历史记录"));
    netFile_ = toolButton(bottom, "btn_NetFile", Glyph::NetFolder, QStringLiteral("文件管理"));
    auto* skin = toolButton(bottom, "btn_ConverSkin", Glyph::Skin, QStringLiteral("更换外观"));
    msgAlert_ = toolButton(bottom, "btn_MsgAlert", Glyph::Message, QStringLiteral("新消息"));
    msgAlertLabel_ = label(bottom, "lb_MsgAlert");
    msgAlertLabel_->setStyleSheet(QStringLiteral("color: #E53B30;"));
    msgAlert_->hide();
    msgAlertLabel_->hide();
    msgAlertLabel_->installEventFilter(this);
    offlineCount_ = label(bottom, "Lb_OfflineCount");
    offlineCount_->setToolTip(QStringLiteral("离线消息"));
    offlineCount_->hide();
    b->addWidget(addUser_);
    b->addWidget(history_);
    b->addWidget(netFile_);
    b->addWidget(skin);
    b->addStretch();
    b->addWidget(offlineCount_);
    b->addWidget(msgAlert_);
    b->addWidget(msgAlertLabel_);
    v->addWidget(bottom);
    connect(msgAlert_, &QToolButton::clicked, this, [this] {
        if (shell_) shell_->trayClicked();
    });
    connect(history_, &QToolButton::clicked, this, [this] {
        if (windows_) windows_->openHistory(0);
    });
    connect(netFile_, &QToolButton::clicked, this, [this] {
        if (shell_) shell_->startNetFolder(x(), y());
    });
    connect(addUser_, &QToolButton::clicked, this, [this] {
        if (searchWizardOpener)
            searchWizardOpener();
        else
            notProvided();
    });
    connect(skin, &QToolButton::clicked, this, [this, skin] {
        if (!skinDialogOpener)
            notProvided();
        else if (client_ && client_->messenger().SignedIn())
            skinDialogOpener(skin);
    });
    connect(workState_, &QToolButton::clicked, this, [this] {
        // In attendance mode the button opens the attendance window.
        if (client_ && client_->messenger().ServerSettings.attendanceBySignIn && attendanceOpener)
            attendanceOpener();
        else
            workMenu_->popup(workState_->mapToGlobal(QPoint(0, workState_->height())));
    });
    pages_->addWidget(mainPage_);
}

void MainWindow::buildMenus() {
    popFile_ = new QMenu(this);
    popFile_->setObjectName(QStringLiteral("PopFile"));
    homePage_ = popFile_->addAction(QStringLiteral("主页..."));
    openMain_ = popFile_->addAction(QStringLiteral("打开主界面(&O)"));
    connect_ = popFile_->addAction(QStringLiteral("登录(&I)"));
    logout_ = popFile_->addAction(QStringLiteral("注销(N)"));
    popFile_->addSeparator();
    settings_ = popFile_->addAction(QStringLiteral("系统设置(&C)..."));
    changePassword_ = popFile_->addAction(QStringLiteral("更改名称/密码(&P)"));
    myStateMenu_ = popFile_->addMenu(QStringLiteral("我的状态(&S)"));
    myStateMenu_->setObjectName(QStringLiteral("MMyState"));
    popFile_->addSeparator();
    exit_ = popFile_->addAction(QStringLiteral("退出(&X)"));
    openMain_->setVisible(false);
    states_ = new QMenu(this);
    states_->setObjectName(QStringLiteral("PpMenuStates"));
    for (QMenu* menu : {states_, myStateMenu_}) {
        for (size_t i = 0; i < std::size(kStatusCodes); ++i) {
            QAction* a = menu->addAction(statusIcon(directory::statusClass(kStatusCodes[i])),
                                         statusText(kStatusCodes[i]));
            a->setCheckable(true);
            a->setData(int(kStatusCodes[i]));
            connect(a, &QAction::triggered, this, [this, code = kStatusCodes[i]] {
                if (client_)
                    client_->directory().presence().SetOwnStatus(uint8_t(code), std::nullopt, std::nullopt,
                                                                 false);
            });
        }
    }
    workMenu_ = new QMenu(this);
    workMenu_->setObjectName(QStringLiteral("PopupMenu_LCD"));
    connect(workMenu_->addAction(QStringLiteral("打开岗位状态程序")), &QAction::triggered, this, [this] {
        if (shell_) shell_->startWorkStateProgram();
    });
    const struct {
        const char* caption;
        platform::HotKey key;
    } work[] = {{"请 假   (Ctrl+4)", platform::HotKey::CtrlKeypad4},
                {"外 出   (Ctrl+3)", platform::HotKey::CtrlKeypad3},
                {"开 会   (Ctrl+2)", platform::HotKey::CtrlKeypad2},
                {"在 岗   (Ctrl+1)", platform::HotKey::CtrlKeypad1}};
    for (const auto& w : work)
        connect(workMenu_->addAction(QString::fromUtf8(w.caption)), &QAction::triggered, this,
                [this, key = w.key] {
                    if (shell_) shell_->hotKey(key);
                });

    connect(openMain_, &QAction::triggered, this, [this] {
        if (shell_) shell_->trayDoubleClicked();
    });
    connect(connect_, &QAction::triggered, this, [this] {
        if (client_) client_->messenger().ConnectMenuClicked();
    });
    connect(logout_, &QAction::triggered, this, [this] {
        if (client_) client_->messenger().LogoutMenuClicked();
    });
    connect(settings_, &QAction::triggered, this, [this] { openSettingsDialog(); });
    connect(changePassword_, &QAction::triggered, this, [this] {
        if (settingsOpener) settingsOpener(4);
    });
    connect(exit_, &QAction::triggered, this, [this] {
        if (client_) client_->messenger().Exit();
    });
    connect(homePage_, &QAction::triggered, this, [this] {
        if (!client_) return;
        const session::TMessengerX& m = client_->messenger();
        const auto url = m.HomePagePort == 0 || m.ServerHost.empty()
                             ? std::nullopt
                             : shell::openableLink(QStringLiteral("http://%1:%2")
                                                       .arg(QString::fromStdString(m.ServerHost))
                                                       .arg(m.HomePagePort));
        if (url)
            openLink(*url);
        else
            showMessage(QStringLiteral("服务器没有提供主页"), QStringLiteral("提示"));
    });
    sessionActions_ = {logout_, changePassword_, myStateMenu_->menuAction()};
    updateSessionEntries();
}

void MainWindow::buildTray() {
    tray_ = new QSystemTrayIcon(this);
    tray_->setObjectName(QStringLiteral("TrayIcon"));
    tray_->setContextMenu(popFile_);
    applyTrayIcon();
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (!shell_) return;
        if (why == QSystemTrayIcon::Trigger) shell_->trayClicked();
        if (why == QSystemTrayIcon::DoubleClick) shell_->trayDoubleClicked();
    });
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

} // namespace vantor::ui
