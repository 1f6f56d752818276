#include "ui/kit/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
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
