// Our own pictures for the windows, painted at whatever size and pixel ratio they are shown at:
// the status pictures, the notification-area icons, the window's buttons and tabs, and the logo.
#pragma once

#include "directory/interfaces.h"

#include <QIcon>
#include <QImage>

namespace vantor::ui {

// A status picture of a class (online, busy, away, do not disturb, offline, mobile).
QIcon statusIcon(directory::StatusClass status);

// The notification-area icon by the own status's icon index: 0 signed out or offline, 1 online,
// 2 away, 3 busy, 4 invisible, 5 do not disturb.
QIcon trayIcon(int index);
// The flashing frame without a picture.
QIcon blankTrayIcon();
// A picture file made into a 16 × 16 tray frame (bilinear); a generic message icon when the file
// cannot be read.
QIcon trayPictureIcon(const QString& file);

enum class Glyph {
    Close,
    Minimise,
    Menu,
    Search,
    TabTree,
    TabContacts,
    TabRecent,
    TabGroups,
    Notice,
    MessageCentre,
    NetFolder,
    AddUser,
    Link,
    History,
    Skin,
    Message,
    ReLogin,
    Busy,
    Logo,
};
// A button picture; `light` for drawing on the dark top bar.
QIcon glyphIcon(Glyph glyph, bool light = false);

// The system's picture for a file's type; where the desktop has none, a page of our own with the
// extension written on it.
QPixmap fileTypePixmap(const QString& fileName, int size);

// The product's logo as a picture of `size` pixels.
QImage logoImage(int size);

} // namespace vantor::ui
