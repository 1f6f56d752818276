#include "platform/sound_media.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace vantor::platform {

MediaSoundPlayer::MediaSoundPlayer() : effect_(std::make_unique<QSoundEffect>()) {}
MediaSoundPlayer::~MediaSoundPlayer() = default;

void MediaSoundPlayer::play(const QString& file) {
    if (!QFileInfo(file).isFile()) return;
    const QUrl url = QUrl::fromLocalFile(file);
    if (effect_->source() != url) effect_->setSource(url); // loads asynchronously, then plays
    effect_->play();
}

} // namespace vantor::platform
