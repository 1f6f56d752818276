// Moving a borderless window by its own title area: a press starts the window manager's move (or
// our own when it has none), a double click maximises or restores.
#pragma once

#include <QPoint>

#include <functional>
#include <optional>

class QEvent;
class QWidget;

namespace vantor::ui {

class TitleDrag {
  public:
    // Handles a mouse event on the title area of `window`; true when it was taken.
    bool handle(QWidget& window, QEvent* event, const std::function<void()>& toggleMaximised);

  private:
    std::optional<QPoint> offset_; // where the press was, from the window's corner
};

} // namespace vantor::ui
