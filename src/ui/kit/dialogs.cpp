#include "ui/kit/dialogs.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QTranslator>

namespace vantor::ui {

namespace {
QString& lastFolder() {
    static QString folder;
    return folder;
}
} // namespace

QMessageBox* showInformation(QWidget* parent, const QString& title, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("InformationBox"));
    box->open();
    return box;
}

void askOkCancel(QWidget* parent, const QString& caption, const QString& text,
                 std::function<void(bool)> done) {
    auto* box =
        new QMessageBox(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("QuestionBox"));
    // finished() comes from the user's answer only; a box freed with its parent says nothing.
    QObject::connect(
        box, &QMessageBox::finished, box,
        [box, owner = QPointer<QWidget>(parent), hadOwner = parent != nullptr, done = std::move(done)](int) {
            if (hadOwner && !owner) return;
            done(box->clickedButton() == box->button(QMessageBox::Ok));
        });
    box->open();
}

void chooseFile(QWidget* parent, bool save, const QString& caption, const QString& start,
                const QString& filter, std::function<void(const QString&)> done) {
    auto* dialog = new QFileDialog(parent, caption, start, filter);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [done = std::move(done)](const QString& file) {
                         if (file.isEmpty()) return;
                         rememberDialogFolder(file);
                         done(file);
                     });
    dialog->open();
}

void chooseColour(QWidget* parent, const QColor& current, std::function<void(const QColor&)> done) {
    auto* dialog = new QColorDialog(current, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QColorDialog::colorSelected, dialog, [done = std::move(done)](const QColor& c) {
        if (c.isValid()) done(c);
    });
    dialog->open();
}

bool installChineseTranslations() {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    // Installed once per application, whoever asks first.
    if (app->property("vantorTranslations").toBool()) return true;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(app);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    app->setProperty("vantorTranslations", true);
    return true;
}

QString dialogFolder() {
    const QString& last = lastFolder();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

void rememberDialogFolder(const QString& chosenFile) {
    if (chosenFile.isEmpty()) return;
    const QString folder = QFileInfo(chosenFile).absolutePath();
    if (QFileInfo(folder).isDir()) lastFolder() = folder;
}

QString inDialogFolder(const QString& suggested) {
    if (!suggested.isEmpty() && QFileInfo(suggested).isAbsolute()) return suggested;
    return suggested.isEmpty() ? dialogFolder() : QDir(dialogFolder()).filePath(suggested);
}

} // namespace vantor::ui
