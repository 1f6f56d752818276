// What the notice windows ask of the desktop, so that tests can stand in: opening a file or a
// link with the desktop's default action, and the file dialogs (asynchronous: the answer comes
// through the callback, only when something was chosen).
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace vantor::ui {

struct NoticeServices {
    std::function<void(const QString& path)> openFile;
    std::function<void(const QUrl& url)> openLink;
    // A save target for an attachment: the suggested name and its extension (without the dot).
    std::function<void(QWidget* parent, const QString& fileName, const QString& extension,
                       std::function<void(const QString&)> chosen)>
        chooseSaveTarget;
    // Files to attach ("添加附件", several at once, no filter).
    std::function<void(QWidget* parent, std::function<void(const QStringList&)> chosen)> chooseAttachments;
    // A workbook of recipients ("导入EXCEL文件").
    std::function<void(QWidget* parent, std::function<void(const QString&)> chosen)> chooseSpreadsheet;

    // The desktop's own: QDesktopServices and non-modal file dialogs.
    static NoticeServices desktop();
};

} // namespace vantor::ui
