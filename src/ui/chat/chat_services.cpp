#include "ui/chat/chat_services.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace vantor::ui {

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
    return QFileDialog::getSaveFileName(parent, QString(), suggested);
}

QString IChatServices::openPictureName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(),
                                        QStringLiteral("图片 (*.gif *.jpg *.jpeg *.bmp *.png)"));
}

std::optional<QColor> IChatServices::chooseColour(QWidget* parent, const QColor& current) {
    const QColor c = QColorDialog::getColor(current, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
}

} // namespace vantor::ui
