// Starting the client with the desktop session: a desktop entry of our own in the XDG autostart
// folder ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart). The entry exists exactly while
// autostart is on.
#pragma once

#include <QString>

namespace vantor::platform {

class Autostart {
  public:
    virtual ~Autostart() = default;
    virtual bool isRegistered() const = 0;
    // Writes the entry for `program` (its full path) or removes it; false when the folder or the
    // file cannot be written or removed.
    virtual bool setRegistered(bool on, const QString& program) = 0;
};

class XdgAutostart : public Autostart {
  public:
    // `configHome` empty: $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config.
    explicit XdgAutostart(QString configHome = {});
    QString entryPath() const { return entry_; }
    bool isRegistered() const override;
    bool setRegistered(bool on, const QString& program) override;

    // The entry's text for a program path (the path quoted as desktop entries quote arguments).
    static QByteArray entryText(const QString& program);

  private:
    QString entry_;
};

} // namespace vantor::platform
