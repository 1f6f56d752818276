#include "ui/chat/chat_services.h"

#include "ui/kit/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace vantor::ui {

void IChatServices::tool(const conversation::Conversation&, ChatTool) {
    showInformation(QApplication::activeWindow(), QStringLiteral("提示"), kNotProvidedText);
}

void IChatServices::openPath(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void IChatServices::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void IChatServices::alert(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("提示"), text);
}

bool IChatServices::confirm(QWidget* parent, const QString& caption, const QString& text) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

QString IChatServices::saveFileName(QWidget* parent, const QString& suggested) {
    const QString chosen =
        QFileDialog::getSaveFileName(parent, QStringLiteral("图片另存为"), inDialogFolder(suggested));
    rememberDialogFolder(chosen);
    return chosen;
}

QString IChatServices::openPictureName(QWidget* parent) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent, QStringLiteral("发送图片"), dialogFolder(),
                                     QStringLiteral("图片 (*.gif *.jpg *.jpeg *.bmp *.png)"));
    rememberDialogFolder(chosen);
    return chosen;
}

std::optional<QColor> IChatServices::chooseColour(QWidget* parent, const QColor& current) {
    const QColor c = QColorDialog::getColor(current, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
}

} // namespace vantor::ui
