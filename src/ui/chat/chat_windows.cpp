#include "ui/chat/chat_windows.h"

#include "conversation/picture_request.h"
#include "conversation/richtext.h"
#include "directory/head_picture.h"
#include "groups/texts.h"
#include "protocol/text.h"
#include "ui/chat/recent_messages.h"
#include "ui/groups/group_setup_form.h"
#include "ui/groups/sel_user_form.h"
#include "ui/kit/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>

namespace vantor::ui {

using conversation::Conversation;

namespace {

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

client::ConversationAlert alertOf(const Conversation& c) {
    client::ConversationAlert alert;
    alert.conversationId = c.id;
    if (c.kind() == protocol::kOneToOne)
        alert.senderId = c.peerId;
    else
        alert.groupId = c.key.groupId;
    return alert;
}

// Over a whole client: colleagues' cards from its directory, pictures fetched through it and
// offered to the server for colleagues who cannot ask us; everything else as IChatServices has it.
class ClientServices : public IChatServices {
  public:
    ClientServices(client::ClientCore& core, ChatWindows& windows) : core_(core), windows_(windows) {}
    bool mayUseSms() override { return core_.messenger().ServerSettings.maySendSms; }
    bool mayCreateGroups() override { return core_.messenger().ServerSettings.mayCreateGroups; }
    bool offersReservation(const Conversation& c) override {
        return core_.serviceDesk().offersReservation(c);
    }
    bool evaluationAsksToStay(const Conversation& c) override {
        return core_.serviceDesk().asksEvaluation(c) && windows_.onEvaluation && windows_.onEvaluation(c);
    }
    QString groupName(const Conversation& c) override {
        // A service conversation is named after its service point.
        if (c.kind() == protocol::kServiceConversation)
            if (const protocol::ServicePoint* p = core_.serviceDesk().point(c.key.groupId))
                return fromGbk(p->name);
        const protocol::Group* g = core_.groups().FindGroup(c.key.groupId);
        return g ? fromGbk(g->name) : QString();
    }
    bool isGroupCreator(const Conversation& c) override {
        const protocol::Group* g = core_.groups().FindGroup(c.key.groupId);
        const auto& own = core_.messenger().OwnUser;
        return g && own && g->creatorId == own->userId;
    }
    void tool(const Conversation& c, ChatTool tool) override {
        if (tool == ChatTool::SendFile) return chooseFiles(c);
        if (tool == ChatTool::AddUser) return addUsers(c);
        if (tool == ChatTool::GroupSetup) return groupSetup(c);
        if (tool == ChatTool::Dirhaven && windows_.onGroupFolder) return windows_.onGroupFolder(c);
        if (tool == ChatTool::Reservation && windows_.onReservation) return windows_.onReservation(c);
        if (tool != ChatTool::ExitGroup) {
            IChatServices::tool(c, tool);
            return;
        }
        // Asked over the window, window-modal; the answer finds the conversation again by id.
        auto* box = new QMessageBox(QMessageBox::Question, fromGbk(groups::texts::confirmLeaveTitle()),
                                    fromGbk(groups::texts::askLeave()), QMessageBox::Ok | QMessageBox::Cancel,
                                    windows_.existing(c.id));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("ConfirmLeaveBox"));
        QObject::connect(box, &QMessageBox::finished, box, [this, id = c.id](int result) {
            if (result != QMessageBox::Ok) return;
            Conversation* conv = core_.conversations().byId(id);
            if (!conv) return;
            const groups::GroupOutcome o = core_.groups().LeaveGroup(*conv);
            if (!o.done && !o.text.empty())
                showInformation(windows_.existing(id), fromGbk(groups::texts::hintTitle()), fromGbk(o.text));
        });
        box->open();
    }
    // ImgBtn_AddUser: the picker (a group's members ticked), then quick creation or the new members.
    void addUsers(const Conversation& c) {
        TfrmChatForm* f = windows_.existing(c.id);
        const bool group = c.kind() == protocol::kGroupConversation;
        std::vector<uint32_t> members;
        if (const protocol::Group* g = group ? core_.groups().FindGroup(c.key.groupId) : nullptr)
            for (uint32_t id : g->members)
                if (id) members.push_back(id);
        const std::string& caption =
            group ? groups::texts::pickerAddCaption() : groups::texts::pickerQuickCaption();
        pickUsers(f, core_, fromGbk(caption), members, [this, id = c.id](const std::vector<uint32_t>& ids) {
            Conversation* conv = core_.conversations().byId(id);
            if (!conv) return;
            const groups::GroupOutcome o = core_.groups().QuickCreateOrAddMembers(*conv, ids);
            if (!o.text.empty())
                showInformation(windows_.existing(id), fromGbk(groups::texts::hintTitle()), fromGbk(o.text));
        });
    }
    // ImgBtn_GroupSetup (the creator's): the setup dialog in manage mode, one per window.
    void groupSetup(const Conversation& c) {
        TfrmChatForm* f = windows_.existing(c.id);
        if (f)
            if (auto* open = f->findChild<TfrmGroupSetup*>(QStringLiteral("TfrmGroupSetup"))) {
                open->raise();
                return;
            }
        auto* dialog = new TfrmGroupSetup(core_, c.id, f);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    }
    void openConversationWith(uint32_t userId) override { windows_.openWith(userId); }
    void removeMember(const Conversation& c, uint32_t memberId, const std::string& memberName) override {
        auto* box = new QMessageBox(QMessageBox::Question, fromGbk(groups::texts::confirmTitle()),
                                    fromGbk(groups::texts::askRemove(memberName)),
                                    QMessageBox::Ok | QMessageBox::Cancel, windows_.existing(c.id));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("ConfirmRemoveBox"));
        QObject::connect(box, &QMessageBox::finished, box, [this, id = c.id, memberId](int result) {
            if (result != QMessageBox::Ok) return;
            Conversation* conv = core_.conversations().byId(id);
            if (!conv) return;
            const groups::GroupOutcome o = core_.groups().RemoveMember(*conv, memberId);
            if (!o.done && !o.text.empty())
                showInformation(windows_.existing(id), fromGbk(groups::texts::hintTitle()), fromGbk(o.text));
        });
        box->open();
    }
    void windowShown(const Conversation& c) override {
        if (c.kind() != protocol::kOneToOne || !core_.messenger().ConnectionOpen()) return;
        const directory::User* u = core_.directory().directory().findUser(c.peerId);
        if (!u || u == core_.directory().directory().ownUser()) return;
        const uint8_t status = u->record.status & 0x7F;
        if (status == conversation::kStatusOffline || status == conversation::kStatusMobile) return;
        core_.peers().ensureChatChannel(c.peerId);
    }
    std::optional<PeerCard> peerCard(uint32_t userId) override {
        const directory::User* u = core_.directory().directory().findUser(userId);
        if (!u) return std::nullopt;
        PeerCard card;
        card.name = fromGbk(u->record.name);
        card.signature = fromGbk(u->record.signature);
        card.status = u->record.status;
        card.headPicture = headPicture(*u);
        return card;
    }
    void offerFile(const Conversation& c, const QString& path) override {
        if (auto* panels = windows_.transferPanels()) panels->offerFile(c.id, path);
    }
    bool transferCommand(const Conversation&, const std::string& transmitId, const std::string& command,
                         const QString& path) override {
        auto* panels = windows_.transferPanels();
        return panels && panels->command(transmitId, command, path);
    }
    int runningFileTransfers(const Conversation& c) override {
        auto* panels = windows_.transferPanels();
        return panels ? panels->runningIn(c.id) : 0;
    }
    void endActivities(const Conversation& c) override {
        if (auto* panels = windows_.transferPanels()) panels->windowClosing(c.id);
    }
    void chooseFiles(const Conversation& c) {
        TfrmChatForm* f = windows_.existing(c.id);
        if (!f) return IChatServices::tool(c, ChatTool::SendFile);
        // The window stays usable while the user picks: the dialog answers through a signal.
        auto* dialog = new QFileDialog(f, QStringLiteral("发送文件"), dialogFolder());
        dialog->setObjectName(QStringLiteral("SendFileDialog"));
        dialog->setFileMode(QFileDialog::ExistingFiles);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        const int id = c.id;
        QObject::connect(dialog, &QFileDialog::filesSelected, f, [this, id](const QStringList& files) {
            if (!files.isEmpty()) rememberDialogFolder(files.front());
            if (auto* panels = windows_.transferPanels())
                for (const QString& file : files)
                    panels->offerFile(id, file);
        });
        dialog->open();
    }
    void requestPicture(const Conversation& c, uint32_t ownerId, const std::string& name) override {
        if (core_.requestPicture(c.key, ownerId, name) == conversation::PictureRoute::Refused)
            windows_.pictureArrived(name, true);
    }
    void offerPictures(const Conversation& c, const std::vector<std::string>& names) override {
        const auto images = core_.imagesFolder();
        const auto& own = core_.messenger().OwnUser;
        if (!images || !own) return;
        const directory::User* peer = core_.directory().directory().findUser(c.peerId);
        const uint8_t status = peer ? peer->record.status : conversation::kStatusOffline;
        if (!conversation::shouldUploadPictures(c.key, status)) return;
        // Framed by length (an upload is longer than the ordinary path takes); a failed write
        // signs out once this call has returned.
        for (const std::string& name : names)
            if (auto upload = conversation::pictureUpload(own->userId, c.key, *images, name))
                core_.sendToServer(*upload);
    }

  private:
    // The colleague's own photo (UserPic/<id>.bmp), else the face picture the record names in the
    // head-picture folder; empty (the default head) when neither exists.
    QString headPicture(const directory::User& u) const {
        const session::TMessengerX& m = core_.messenger();
        if (!m.OwnUser) return {};
        const QString photo =
            QString::fromStdString(m.environment().layout.userPicFolder(m.OwnUser->userId)) +
            QString::number(u.id()) + QStringLiteral(".bmp");
        if (QFileInfo(photo).isFile()) return photo;
        if (!directory::isPlainPictureName(u.record.headPicture) || m.UserHeadFolder.empty()) return {};
        const QString face = QString::fromStdString(m.UserHeadFolder + u.record.headPicture + ".bmp");
        return QFileInfo(face).isFile() ? face : QString();
    }

    client::ClientCore& core_;
    ChatWindows& windows_;
};

} // namespace

ChatWindows::ChatWindows(ChatFormContext context, client::IConversationAlerts* alerts,
                         IHistoryOpener* history, QObject* parent)
    : QObject(parent), context_(std::move(context)), alerts_(alerts), history_(history) {
    if (!context_.services) {
        ownServices_ = std::make_unique<IChatServices>();
        context_.services = ownServices_.get();
    }
}

ChatWindows::ChatWindows(client::ClientCore& core, IChatServices* services, QString programFolder,
                         client::IConversationAlerts* alerts, IHistoryOpener* history, QObject* parent)
    : QObject(parent), core_(&core), programFolder_(std::move(programFolder)), alerts_(alerts),
      history_(history) {
    context_.chat = &core.chat();
    context_.registry = &core.conversations();
    if (!services) {
        ownServices_ = std::make_unique<ClientServices>(core, *this);
        services = ownServices_.get();
    }
    context_.services = services;
    // Transfers draw their panels in these windows; fetched pictures replace their placeholders.
    panels_ = std::make_unique<client::TransferPanels>(core);
    panels_->onChanged = [this](int conversationId) {
        const auto items = panels_->itemsOf(conversationId);
        TfrmChatForm* f = items.empty() ? existing(conversationId) : form(conversationId);
        if (f) f->showTransfers(items);
    };
    panels_->onPicture = [this](const std::string& name, bool ok) { pictureArrived(name, !ok); };
    panels_->onMessage = [](const std::string& text, const std::string& caption) {
        showInformation(QApplication::activeWindow(),
                        caption.empty() ? QStringLiteral("提示") : fromGbk(caption), fromGbk(text));
    };
    core.setTransferView(panels_.get());
    core.people().addListener(this);
    refreshAccount();
}

void ChatWindows::conversationPictureArrived(const protocol::ImageFileHead&, const QString& name) {
    pictureArrived(name.toStdString(), false);
}

void ChatWindows::refreshAccount() {
    if (!core_) return;
    const auto& layout = core_->messenger().environment().layout;
    QString program =
        programFolder_.isEmpty() ? QString::fromStdString(layout.programFolder()) : programFolder_;
    if (!program.endsWith(QLatin1Char('/'))) program += QLatin1Char('/');
    context_.folders.faces = program + QStringLiteral("Face/");
    context_.folders.sysImages = program + QStringLiteral("SysImages/");
    context_.folders.customFace = program + QStringLiteral("CustomFace/");
    context_.showSmsSetting = core_->messenger().Machine.ShowSMS;
    const auto& own = core_->messenger().OwnUser;
    if (!own) {
        context_.userFile.clear();
        return;
    }
    context_.folders.images = QString::fromStdString(layout.imagesFolder(own->userId));
    const QString account = QString::fromStdString(layout.customFaceFolder(own->userId));
    if (QFileInfo::exists(account + QStringLiteral("FacePage1.bmp"))) context_.folders.customFace = account;
    context_.userFile = layout.userFile(own->userId);
}

ChatWindows::~ChatWindows() {
    if (core_ && panels_ && core_->transferView() == panels_.get()) core_->setTransferView(nullptr);
    if (core_) core_->people().removeListener(this);
    for (auto& [id, form] : forms_)
        delete form.data();
}

TfrmChatForm* ChatWindows::existing(int id) const {
    auto it = forms_.find(id);
    return it == forms_.end() ? nullptr : it->second.data();
}

TfrmChatForm* ChatWindows::form(int id) {
    if (TfrmChatForm* f = existing(id)) return f;
    if (!context_.registry || !context_.registry->byId(id)) return nullptr;
    refreshAccount();
    std::vector<QRect> others;
    for (const auto& [otherId, other] : forms_)
        if (other) others.push_back(other->frameGeometry());
    auto* f = new TfrmChatForm(context_, id);
    QPoint first(120, 80);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        first = area.center() - QPoint(f->width() / 2, f->height() / 2);
    }
    f->move(chatlayout::newWindowPosition(others, first));
    connect(f, &TfrmChatForm::closed, this, &ChatWindows::closed);
    f->installEventFilter(this); // coming to the front, Esc
    showRecent(*f, *context_.registry->byId(id));
    connect(f, &TfrmChatForm::broughtUp, this, [this](int conversationId) {
        if (alerts_) alerts_->conversationShown(conversationId);
        emit conversationBroughtUp(conversationId);
    });
    connect(f, &TfrmChatForm::historyRequested, this, [this](int conversationId) {
        Conversation* c = context_.registry->byId(conversationId);
        if (!c || !history_) return;
        if (c->kind() == protocol::kOneToOne)
            history_->openHistoryOf(c->peerId);
        else
            history_->openHistoryOfConversation(*c);
    });
    forms_[id] = f;
    // A group window shows its group, its members and the toolbar of its role from the start.
    if (core_ && context_.registry->byId(id)->kind() == protocol::kGroupConversation)
        core_->groups().RefreshGroupWindow(*context_.registry->byId(id), true);
    return f;
}

void ChatWindows::showRecent(TfrmChatForm& f, const Conversation& c) {
    if (!core_) return;
    const auto store = core_->historyLocation();
    if (!store) return;
    const std::string key = c.kind() == protocol::kOneToOne ? history::OneToOneKey(int32_t(c.peerId))
                                                            : history::GroupKey(c.key.groupId);
    const auto records = recentRecords(*store, key);
    if (records.empty()) return;
    const auto& own = core_->messenger().OwnUser;
    showRecentMessages(*f.display(), records, store->accountId, [&](uint32_t id) -> QString {
        if (own && own->userId == id) return fromGbk(own->name);
        const auto card = context_.services->peerCard(id);
        return card ? card->name : QString();
    });
}

bool ChatWindows::eventFilter(QObject* watched, QEvent* event) {
    // Esc (that no box of the window took) closes it, with the questions closing asks.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier)
        if (auto* f = qobject_cast<TfrmChatForm*>(watched)) {
            f->close();
            return true;
        }
    if (event->type() == QEvent::ActivationChange && alerts_)
        if (auto* f = qobject_cast<TfrmChatForm*>(watched); f && f->isActiveWindow())
            alerts_->conversationInFront(f->conversationId());
    return QObject::eventFilter(watched, event);
}

void ChatWindows::closed(int id) {
    auto it = forms_.find(id);
    if (it == forms_.end()) return;
    if (it->second) it->second->deleteLater();
    forms_.erase(it);
    if (context_.registry) context_.registry->remove(id);
    if (alerts_) alerts_->conversationClosed(id);
}

void ChatWindows::peerChanged(uint32_t userId, bool own) {
    if (!context_.registry) return;
    std::vector<int> memberPanels;
    for (auto& [id, f] : forms_) {
        const Conversation* c = context_.registry->byId(id);
        if (f && c && (own || c->peerId == userId || c->kind() == protocol::kGroupConversation))
            f->refreshHeader();
        // A member's presence moves and redraws their row of the member panel.
        if (f && c && c->kind() == protocol::kGroupConversation && f->hasMember(userId))
            memberPanels.push_back(id);
    }
    for (int id : memberPanels)
        if (Conversation* c = context_.registry->byId(id); c && core_)
            core_->groups().RefreshGroupWindow(*c, true);
}

int ChatWindows::pictureArrived(const std::string& name, bool failed) {
    int changed = 0;
    for (auto& [id, f] : forms_)
        if (f) changed += f->display()->replacePlaceholders(name, failed);
    return changed;
}

void ChatWindows::showMessage(Conversation& c, uint32_t senderId, const std::string& header, bool own,
                              const std::string& plain, const conversation::ChatFont& font) {
    if (TfrmChatForm* f = form(c.id)) f->showMessage(senderId, header, own, plain, font);
    if (own || c.inFront || !alerts_) return;
    // The header is the sender's name, then the time ("hh:nn:ss", or "mm-dd hh:nn:ss").
    std::string name = header;
    for (int part = 0; part < 2; ++part) {
        const size_t space = name.rfind(' ');
        if (space == std::string::npos) break;
        const std::string tail = name.substr(space + 1);
        const bool clock = tail.size() == 8 && tail[2] == ':' && tail[5] == ':';
        const bool date = part == 1 && tail.size() == 5 && tail[2] == '-';
        if (!(part == 0 ? clock : date)) break;
        name.resize(space);
    }
    alerts_->messageArrived(alertOf(c), name, conversation::noticeTextOfPlain(plain));
}

void ChatWindows::systemLine(Conversation& c, const std::string& line) {
    if (TfrmChatForm* f = form(c.id)) f->systemLine(line);
}

void ChatWindows::alertBar(Conversation& c, const std::string& text) {
    if (TfrmChatForm* f = form(c.id)) f->alertBar(fromGbk(text));
}

void ChatWindows::clearInput(Conversation& c) {
    if (TfrmChatForm* f = form(c.id)) f->input()->clear();
}

void ChatWindows::flash(Conversation& c) {
    if (TfrmChatForm* f = form(c.id); f && f->isVisible()) QApplication::alert(f);
}

void ChatWindows::bringToFront(Conversation& c) {
    TfrmChatForm* f = form(c.id);
    if (!f) return;
    if (f->isMinimized()) f->showNormal();
    f->show();
    f->raise();
    f->activateWindow();
    c.visible = true;
    c.inFront = true;
    c.alerted = true;
    if (alerts_) alerts_->conversationInFront(c.id);
}

void ChatWindows::shake(Conversation& c) {
    if (TfrmChatForm* f = form(c.id)) f->shake();
}

void ChatWindows::alertConversation(Conversation& c) {
    c.alerted = true;
    if (alerts_) alerts_->alertConversation(alertOf(c));
}

void ChatWindows::setTypingTexts(Conversation& c, const std::string& nameLabel, const std::string& caption) {
    if (TfrmChatForm* f = existing(c.id)) f->setTypingTexts(fromGbk(nameLabel), fromGbk(caption));
}

void ChatWindows::startTypingTimer(Conversation& c) {
    if (TfrmChatForm* f = existing(c.id)) f->startTypingTimer();
}

void ChatWindows::stopTypingTimer(Conversation& c) {
    if (TfrmChatForm* f = existing(c.id)) f->stopTypingTimer();
}

void ChatWindows::queueTip(const std::string& text) {
    context_.services->queueTip(text);
}

void ChatWindows::showReminder(const protocol::Shake& record) {
    emit reminderWanted(record);
}

void ChatWindows::serviceFirstMessage(Conversation& c) {
    emit serviceSessionWanted(c.id);
}

void ChatWindows::storeFailed(Conversation& c, const std::string& reason) {
    if (TfrmChatForm* f = form(c.id)) f->systemLine(protocol::toGbk("未能保存聊天记录：") + reason);
}

void ChatWindows::closeAll() {
    // Sign-out by the user: no questions; the registry forgets the conversations itself.
    auto forms = std::move(forms_);
    forms_.clear();
    for (auto& [id, f] : forms) {
        if (!f) continue;
        f->hide();
        f->deleteLater();
        if (alerts_) alerts_->conversationClosed(id);
    }
}

void ChatWindows::showGroup(Conversation& c, const groups::GroupWindowState& state) {
    if (TfrmChatForm* f = existing(c.id)) f->showGroup(state);
}

void ChatWindows::closeConversation(Conversation& c) {
    // The group layer lets go of the conversation itself right after.
    auto it = forms_.find(c.id);
    if (it == forms_.end()) return;
    if (it->second) {
        it->second->hide();
        it->second->deleteLater();
    }
    forms_.erase(it);
    if (alerts_) alerts_->conversationClosed(c.id);
}

void ChatWindows::openGroup(const wire::Guid& group) {
    if (!core_) return;
    if (Conversation* c = core_->groups().OpenGroup(group)) bringToFront(*c);
}

void ChatWindows::openWith(uint32_t userId) {
    if (!context_.registry) return;
    if (Conversation* c = context_.registry->openWith(userId)) bringToFront(*c);
}

void ChatWindows::showConversation(int id) {
    if (!context_.registry) return;
    if (Conversation* c = context_.registry->byId(id)) bringToFront(*c);
}

void ChatWindows::openHistory(uint32_t userId) {
    if (history_) history_->openHistoryOf(userId);
}

} // namespace vantor::ui
