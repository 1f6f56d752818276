// Pictures by name, as the skin names them ("NewMsg", "GroupDown_png", "status_busy", …), with our
// own default artwork drawn in code. A skin replaces pictures with `setPicture`; a name the library
// does not know gives a null pixmap.
#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace vantor::ui {

class SkinLibrary {
  public:
    // The library with the default pictures.
    SkinLibrary();
    // The application's library (created on first use, on the UI thread).
    static SkinLibrary& shared();

    QPixmap picture(const QString& name) const;
    bool has(const QString& name) const { return pictures_.contains(name); }
    void setPicture(const QString& name, const QPixmap& picture) { pictures_.insert(name, picture); }
    QStringList names() const { return pictures_.keys(); }

  private:
    QHash<QString, QPixmap> pictures_;
};

} // namespace vantor::ui
