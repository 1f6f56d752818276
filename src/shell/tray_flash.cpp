#include "shell/tray_flash.h"

namespace vantor::shell {

TrayFlasher::TrayFlasher(IShellView& view, platform::Clock& clock)
    : view_(view), timer_(clock.createTimer()) {
    timer_->setInterval(kIntervalMs);
    timer_->onTimeout = [this] { tick(); };
}

void TrayFlasher::start(const QString& picture) {
    view_.setTrayAlertPicture(picture);
    pictureShown_ = true;
    view_.setTrayFlashFrame(true);
    if (!flashing_) timer_->start();
    flashing_ = true;
}

void TrayFlasher::stop() {
    timer_->stop();
    if (!flashing_) return;
    flashing_ = false;
    pictureShown_ = false;
    view_.restoreTrayStatusIcon();
}

void TrayFlasher::tick() {
    pictureShown_ = !pictureShown_;
    view_.setTrayFlashFrame(pictureShown_);
}

} // namespace vantor::shell
