// The desktop's appearance: the current skin (loaded at start, and with the account's SkinName and
// overlay when an account signs in), the skin dialog under the main window's skin button, the hint
// window, and the drop shadows of the main window and the conversation windows.
#pragma once

#include "session/participant.h"
#include "skin/appearance.h"
#include "ui/skin/colour_form.h"
#include "ui/skin/hint_window.h"
#include "ui/skin/shadow_window.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

class MainWindow;

class DesktopAppearance : public QObject, public session::SessionParticipant {
    Q_OBJECT
  public:
    // `compositing`: whether the desktop composes translucent windows (shadows need it).
    DesktopAppearance(client::ClientCore& client, MainWindow& window, const QString& programFolder,
                      bool compositing);
    ~DesktopAppearance() override;

    skin::Appearance& appearance() { return appearance_; }
    // The skin dialog, made on first use.
    TfrmColor& colourDialog();
    TfrmColor* colourDialogIfMade() const { return colourDialog_.data(); }
    THintWindowEx& hints() { return *hints_; }
    TFormShadow* mainShadow() const { return mainShadow_.data(); }
    // A shadow for a window (a conversation window when first shown, a dialog); freed with it.
    TFormShadow* attachShadow(QWidget* window);
    bool compositing() const { return compositing_; }

    // The client is shutting down: hiding the dialog saves nothing.
    void shuttingDown();

    // ---- session::SessionParticipant ----
    void loginStep(session::LoginStep step) override;

  private:
    void save();

    client::ClientCore& client_;
    MainWindow& window_;
    bool compositing_;
    bool shadowWanted_ = false;
    skin::Appearance appearance_;
    std::unique_ptr<THintWindowEx> hints_;
    QPointer<TFormShadow> mainShadow_;
    QPointer<TfrmColor> colourDialog_;
    std::vector<QPointer<TFormShadow>> shadows_;
};

} // namespace vantor::ui
