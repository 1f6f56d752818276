#include "ui/chat/input_box.h"

#include "conversation/images_folder.h"
#include "conversation/picture_name.h"
#include "protocol/text.h"
#include "ui/chat/chat_layout.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace vantor::ui {

InputBox::InputBox(PictureFolders folders, QWidget* parent)
    : RichTextBox(std::move(folders), parent), font_(chatlayout::defaultChatFont()) {
    tick = [] { return uint32_t(QDateTime::currentMSecsSinceEpoch()); };
    setInputFont(font_);
}

void InputBox::setInputFont(const conversation::ChatFont& font) {
    font_ = font;
    QTextCharFormat f;
    f.setFont(chatlayout::qfontOf(font));
    f.setForeground(chatlayout::colourOf(font.color));
    document()->setDefaultFont(f.font());
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(f);
    mergeCurrentCharFormat(f);
}

void InputBox::insertFace(int index) {
    QTextCursor c = textCursor();
    insertObject(c, faceFile(index), QString::number(index), true);
    setFocus();
}

bool InputBox::insertPictureFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) return false;
    const std::string name = conversation::pictureNameForFile(protocol::toGbk(info.fileName().toStdString()),
                                                              uint64_t(info.size()));
    conversation::ImagesFolder images(folders().images);
    const QString target = images.pathOf(name);
    if (target.isEmpty()) return false;
    if (!images.holds(name)) {
        QDir().mkpath(folders().images);
        if (!QFile::copy(path, target)) return false;
    }
    QTextCursor c = textCursor();
    insertObject(c, target, QStringLiteral("{%1}").arg(QString::fromStdString(name)), true);
    return true;
}

bool InputBox::insertBitmap(const QImage& image) {
    if (image.isNull()) return false;
    const std::string name = conversation::pastedPictureName(tick());
    const QString target = conversation::ImagesFolder(folders().images).pathOf(name);
    QDir().mkpath(folders().images);
    if (target.isEmpty() || !image.save(target, "BMP")) return false;
    QTextCursor c = textCursor();
    insertObject(c, target, QStringLiteral("{%1}").arg(QString::fromStdString(name)), true);
    return true;
}

int InputBox::characters() const {
    return std::max(0, document()->characterCount() - 1);
}

void InputBox::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) {
        const auto mods = event->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::ControlModifier || (mods == Qt::NoModifier && enterSends_)) {
            if (onSend) onSend();
            return;
        }
        if (mods == Qt::NoModifier || mods == Qt::ControlModifier) {
            textCursor().insertBlock();
            return;
        }
    }
    RichTextBox::keyPressEvent(event);
}

bool InputBox::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasImage() || source->hasUrls() || source->hasText();
}

void InputBox::insertFromMimeData(const QMimeData* source) {
    if (source->hasImage()) {
        insertBitmap(qvariant_cast<QImage>(source->imageData()));
        return;
    }
    if (source->hasUrls()) {
        QStringList files;
        for (const QUrl& url : source->urls())
            if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
        if (!files.isEmpty()) {
            if (onFiles) onFiles(files);
            return;
        }
    }
    if (source->hasText()) textCursor().insertText(source->text());
}

} // namespace vantor::ui
