// What every dialog of the client shares: Qt's own texts (buttons of message boxes, file
// dialogs, the edit boxes' context menus) in Chinese, and file dialogs that start in the user's
// Documents folder, or in the folder last used.
#pragma once

#include <QString>

#include <functional>

class QColor;
class QMessageBox;
class QWidget;

namespace vantor::ui {

// What a button says whose feature is not there yet.
inline const QString kNotProvidedText = QStringLiteral("此功能尚未提供");

// A message box that does not hold up the caller: shown over `parent` (window-modal when there is
// one), freed when closed.
QMessageBox* showInformation(QWidget* parent, const QString& title, const QString& text);

// Dialogs that answer through a callback, never through a nested event loop: window-modal over
// `parent`, freed when closed. The callback runs only while `parent` is alive.
// OK / Cancel: done(true) on OK, done(false) on Cancel or when the box is closed.
void askOkCancel(QWidget* parent, const QString& caption, const QString& text,
                 std::function<void(bool)> done);
// A file to open (or to save, with `save`), starting at `start`; done(file) only when one was chosen,
// whose folder is where the next dialog starts.
void chooseFile(QWidget* parent, bool save, const QString& caption, const QString& start,
                const QString& filter, std::function<void(const QString&)> done);
// A colour; done(colour) only when one was chosen.
void chooseColour(QWidget* parent, const QColor& current, std::function<void(const QColor&)> done);

// Loads Qt's Chinese translations (Debian: qt6-translations-l10n) into the application and makes
// Chinese (PRC) the default locale. False when the translations are not installed.
bool installChineseTranslations();

// The folder a file dialog starts in: the one last used, else Documents, else the home folder.
QString dialogFolder();
// A file the user chose: its folder is where the next dialog starts.
void rememberDialogFolder(const QString& chosenFile);
// A suggested file name placed in dialogFolder() (absolute paths stay as they are).
QString inDialogFolder(const QString& suggested);

} // namespace vantor::ui
