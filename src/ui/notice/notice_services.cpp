#include "ui/notice/notice_services.h"

#include "ui/kit/dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPointer>

namespace vantor::ui {

NoticeServices NoticeServices::desktop() {
    NoticeServices s;
    s.openFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    s.openLink = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    s.chooseSaveTarget = [](QWidget* parent, const QString& name, const QString& ext,
                            std::function<void(const QString&)> chosen) {
        auto* d = new QFileDialog(parent, QStringLiteral("文件另存为..."), inDialogFolder(name));
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->setAcceptMode(QFileDialog::AcceptSave);
        d->setFileMode(QFileDialog::AnyFile);
        if (!ext.isEmpty()) d->setDefaultSuffix(ext);
        d->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        QObject::connect(d, &QFileDialog::fileSelected, d, [chosen = std::move(chosen)](const QString& f) {
            rememberDialogFolder(f);
            chosen(f);
        });
        d->open();
    };
    s.chooseAttachments = [](QWidget* parent, std::function<void(const QStringList&)> chosen) {
        auto* d = new QFileDialog(parent, QStringLiteral("添加附件"), dialogFolder());
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->setFileMode(QFileDialog::ExistingFiles);
        d->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        QObject::connect(d, &QFileDialog::filesSelected, d,
                         [chosen = std::move(chosen)](const QStringList& f) {
                             if (!f.isEmpty()) rememberDialogFolder(f.front());
                             chosen(f);
                         });
        d->open();
    };
    s.chooseSpreadsheet = [](QWidget* parent, std::function<void(const QString&)> chosen) {
        chooseFile(parent, false, QStringLiteral("导入EXCEL文件"), dialogFolder(),
                   QStringLiteral("EXCEL文件 (*.xls *.xlsx *.csv)"), std::move(chosen));
    };
    return s;
}

} // namespace vantor::ui
