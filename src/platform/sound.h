// Playing the sound of a new message. The multimedia backend plays a WAV file; the null backend
// plays nothing; the recording one remembers what it was asked to play (tests).
#pragma once

#include <QString>
#include <QStringList>

namespace vantor::platform {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts playing and returns at once; a missing or unreadable file plays nothing.
    virtual void play(const QString& file) = 0;
};

class NullSoundPlayer : public SoundPlayer {
  public:
    void play(const QString&) override {}
};

class RecordingSoundPlayer : public SoundPlayer {
  public:
    void play(const QString& file) override { played.append(file); }
    QStringList played;
};

} // namespace vantor::platform
