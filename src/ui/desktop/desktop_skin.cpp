#include "ui/desktop/desktop_skin.h"

#include "client/client_core.h"
#include "settings/folder_layout.h"
#include "settings/user_settings.h"
#include "ui/main/main_window.h"
#include "ui/skin/colour_form.h"
#include "ui/skin/hint_window.h"
#include "ui/skin/shadow_window.h"

namespace vantor::ui {

DesktopAppearance::DesktopAppearance(client::ClientCore& client, MainWindow& window,
                                     const QString& programFolder, bool compositing)
    : client_(client), window_(window), compositing_(compositing), appearance_(programFolder.toStdString()),
      hints_(std::make_unique<THintWindowEx>()) {
    hints_->install();
    // The default skin until an account brings its own.
    appearance_.loadSkin(std::string(settings::kDefaultSkinName));
    window_.setAppearance(&appearance_);
    mainShadow_ = attachShadow(&window_);
    window_.shadowShower = [this] {
        shadowWanted_ = true;
        if (mainShadow_) mainShadow_->setVisibleShadow(appearance_.opacity() == 255);
    };
    // A translucent main window shows no shadow.
    connect(&appearance_, &skin::Appearance::opacityChanged, this, [this](int opacity) {
        if (mainShadow_) mainShadow_->setVisibleShadow(shadowWanted_ && opacity == 255);
    });
    window_.skinDialogOpener = [this](QWidget* button) {
        colourDialog().openBelow(button, window_.frameGeometry());
    };
    client_.messenger().addParticipant(this);
}

DesktopAppearance::~DesktopAppearance() {
    client_.messenger().removeParticipant(this);
    window_.skinDialogOpener = nullptr;
    window_.shadowShower = nullptr;
    window_.setAppearance(nullptr);
    shuttingDown();
    delete colourDialog_.data();
    for (const QPointer<TFormShadow>& s : shadows_)
        delete s.data();
}

TfrmColor& DesktopAppearance::colourDialog() {
    if (!colourDialog_) {
        colourDialog_ = new TfrmColor(appearance_);
        colourDialog_->saved = [this] { save(); };
    }
    return *colourDialog_;
}

TFormShadow* DesktopAppearance::attachShadow(QWidget* window) {
    auto* shadow = new TFormShadow(compositing_);
    shadow->setForm(window);
    connect(window, &QObject::destroyed, shadow, [shadow] {
        shadow->setForm(nullptr);
        shadow->deleteLater();
    });
    // The main window's shadow waits for the start-up timer; the others show with their window.
    if (window != &window_) shadow->setVisibleShadow(true);
    shadows_.push_back(shadow);
    return shadow;
}

void DesktopAppearance::shuttingDown() {
    if (colourDialog_) colourDialog_->shuttingDown = true;
}

void DesktopAppearance::loginStep(session::LoginStep step) {
    if (step != session::LoginStep::ToolbarPictures) return;
    const session::TMessengerX& m = client_.messenger();
    if (!m.OwnUser) return;
    // The account's skin, with the account's own values over the skin's.
    appearance_.setAccountFolder(m.environment().layout.accountFolder(m.OwnUser->userId));
    appearance_.loadSkin(m.UserConfig.SkinName);
}

void DesktopAppearance::save() {
    const session::TMessengerX& m = client_.messenger();
    if (m.Exiting || !m.OwnUser) return;
    if (!appearance_.save()) qWarning("the skin's values could not be saved for this account");
    try {
        settings::saveSkinName(m.environment().layout.userFile(m.OwnUser->userId), appearance_.skinName());
    } catch (const std::exception& e) {
        qWarning("SkinName not saved: %s", e.what());
    }
}

} // namespace vantor::ui
