#include "ui/chat/chat_services.h"

#include "ui/kit/dialogs.h"

#include <QApplication>
#include <QDesktopServices>

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
    showInformation(parent, QStringLiteral("提示"), text);
}

void IChatServices::confirm(QWidget* parent, const QString& caption, const QString& text,
                            std::function<void(bool)> done) {
    askOkCancel(parent, caption, text, std::move(done));
}

void IChatServices::saveFileName(QWidget* parent, const QString& suggested,
                                 std::function<void(const QString&)> done) {
    chooseFile(parent, true, QStringLiteral("图片另存为"), inDialogFolder(suggested), QString(),
               std::move(done));
}

void IChatServices::openPictureName(QWidget* parent, std::function<void(const QString&)> done) {
    chooseFile(parent, false, QStringLiteral("发送图片"), dialogFolder(),
               QStringLiteral("图片 (*.gif *.jpg *.jpeg *.bmp *.png)"), std::move(done));
}

void IChatServices::chooseColour(QWidget* parent, const QColor& current,
                                 std::function<void(const QColor&)> done) {
    ui::chooseColour(parent, current, std::move(done));
}

} // namespace vantor::ui
