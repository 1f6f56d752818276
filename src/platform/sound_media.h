// The sound player over the multimedia framework (QSoundEffect, WAV files).
#pragma once

#include "platform/sound.h"

#include <memory>

class QSoundEffect;

namespace vantor::platform {

class MediaSoundPlayer : public SoundPlayer {
  public:
    MediaSoundPlayer();
    ~MediaSoundPlayer() override;
    void play(const QString& file) override;

  private:
    std::unique_ptr<QSoundEffect> effect_;
};

} // namespace vantor::platform
