// Names for assistive technology: a control without an accessible name of its own takes its
// hint (the tool tip), else its text without the "&" of its shortcut, so that a screen reader
// says what a picture button does and other programs can find it. Installed once for the whole
// application; it follows hints that change later (server toolbar buttons, the work state).
#pragma once

class QObject;
class QWidget;

namespace vantor::ui {

// Watches every widget of the application from now on.
void installAccessibleNames();

// The name a control gets (empty when it has none to give); an explicit name is left alone.
void nameForAssistiveTechnology(QWidget* widget);

} // namespace vantor::ui
