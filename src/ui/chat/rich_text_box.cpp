#include "ui/chat/rich_text_box.h"

#include "conversation/faces.h"
#include "conversation/images_folder.h"
#include "protocol/text.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMovie>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

namespace vantor::ui {

namespace {

constexpr int kMaxShownWidth = 360;
constexpr int kMaxShownHeight = 360;
constexpr QChar kObjectChar = QChar::ObjectReplacementCharacter;

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

} // namespace

RichTextBox::RichTextBox(PictureFolders folders, QWidget* parent)
    : QTextEdit(parent), folders_(std::move(folders)) {
    setAcceptRichText(false);
}

RichTextBox::~RichTextBox() = default;

QString RichTextBox::faceFile(int index) const {
    return folders_.faces + QString::fromStdString(conversation::faceFileName(index));
}

QString RichTextBox::sysImage(const char* name) const {
    return folders_.sysImages + QLatin1String(name);
}

QString RichTextBox::fileFor(const conversation::Segment& s) const {
    using conversation::PictureState;
    if (s.kind == conversation::Segment::Kind::Face) return faceFile(s.face);
    switch (s.picture) {
    case PictureState::Stored: {
        const QString path = conversation::ImagesFolder(folders_.images).pathOf(s.text);
        return path.isEmpty() ? errorPicture() : path;
    }
    case PictureState::Loading:
        return loadingPicture();
    case PictureState::Error:
        break;
    }
    return errorPicture();
}

void RichTextBox::clear() {
    QTextEdit::clear();
    resources_.clear();
    sizes_.clear();
    for (QMovie* movie : movies_) {
        movie->stop();
        movie->deleteLater();
    }
    movies_.clear();
}

QString RichTextBox::resourceFor(const QString& file, QSize* size) {
    auto it = resources_.find(file);
    if (it != resources_.end()) {
        *size = sizes_.value(file);
        return *it;
    }
    QImageReader reader(file);
    // Pictures from colleagues can be large: decode at most what is shown.
    const QSize full = reader.size();
    const bool large = full.width() > kMaxShownWidth || full.height() > kMaxShownHeight;
    if (large) reader.setScaledSize(full.scaled(kMaxShownWidth, kMaxShownHeight, Qt::KeepAspectRatio));
    QImage first = reader.read();
    if (first.isNull()) {
        *size = {};
        return {};
    }
    const QString name = QStringLiteral("vantor-object:%1").arg(++serial_);
    document()->addResource(QTextDocument::ImageResource, QUrl(name), first);
    resources_.insert(file, name);
    sizes_.insert(file, first.size());
    *size = first.size();
    if (!large && reader.supportsAnimation() && reader.imageCount() > 1) {
        auto* movie = new QMovie(file, QByteArray(), this);
        movie->setCacheMode(QMovie::CacheAll);
        connect(movie, &QMovie::frameChanged, this, [this, movie, name] {
            document()->addResource(QTextDocument::ImageResource, QUrl(name), movie->currentImage());
            if (isVisible()) viewport()->update();
        });
        movies_.push_back(movie);
        movie->start();
    }
    return name;
}

QTextImageFormat RichTextBox::objectFormat(const QString& wanted, const QString& tag, bool final) {
    QString file = wanted;
    QSize size;
    QString name = resourceFor(file, &size);
    if (name.isEmpty() && file != errorPicture()) {
        file = errorPicture();
        name = resourceFor(file, &size);
    }
    QTextImageFormat f;
    f.setName(name.isEmpty() ? QStringLiteral("vantor-object:missing") : name);
    if (size.isValid()) {
        const QSize shown = size.boundedTo({kMaxShownWidth, kMaxShownHeight}) == size
                                ? size
                                : size.scaled(kMaxShownWidth, kMaxShownHeight, Qt::KeepAspectRatio);
        f.setWidth(shown.width());
        f.setHeight(shown.height());
    } else {
        f.setWidth(24);
        f.setHeight(24);
    }
    f.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    f.setProperty(kTagProperty, tag.left(kMaxTagLength));
    f.setProperty(kFinalProperty, final);
    f.setProperty(kFileProperty, file);
    return f;
}

void RichTextBox::insertObject(QTextCursor& cursor, const QString& file, const QString& tag, bool final) {
    cursor.insertImage(objectFormat(file, tag, final));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RichTextBox::insertSegments(QTextCursor& cursor, const conversation::Segments& segments,
                                 const QTextCharFormat& format) {
    using Kind = conversation::Segment::Kind;
    for (const auto& s : segments) {
        if (s.kind == Kind::Text) {
            QString text = fromGbk(s.text);
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
                .replace(QLatin1Char('\r'), QLatin1Char('\n'));
            text.remove(kObjectChar);
            cursor.insertText(text, format);
            continue;
        }
        cursor.insertImage(
            objectFormat(fileFor(s), QString::fromStdString(conversation::tagOf(s)), s.isFinal()));
    }
}

std::string RichTextBox::codedText() const {
    std::string out;
    bool firstBlock = true;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (!firstBlock) out += "\r\n";
        firstBlock = false;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            if (cf.isImageFormat()) {
                // Neighbouring objects with the same format share one fragment.
                const std::string code = conversation::codeOfTag(
                    protocol::toGbk(cf.property(kTagProperty).toString().toStdString()));
                for (int i = 0; i < f.length(); ++i)
                    out += code;
                continue;
            }
            QString text = f.text();
            text.remove(kObjectChar);
            text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
            out += protocol::toGbk(text.toStdString());
        }
    }
    return out;
}

std::vector<BoxObject> RichTextBox::objects() const {
    std::vector<BoxObject> out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            if (!cf.isImageFormat()) continue;
            for (int i = 0; i < f.length(); ++i)
                out.push_back({f.position() + i, cf.property(kTagProperty).toString(),
                               cf.property(kFinalProperty).toBool(), cf.property(kFileProperty).toString()});
        }
    return out;
}

std::optional<BoxObject> RichTextBox::objectAt(int position) const {
    for (const BoxObject& o : objects())
        if (o.position == position) return o;
    return std::nullopt;
}

void RichTextBox::setObjectFormat(int position, const QTextImageFormat& format) {
    QTextCursor c(document());
    c.setPosition(position);
    c.setPosition(position + 1, QTextCursor::KeepAnchor);
    c.setCharFormat(format);
}

int RichTextBox::replacePlaceholders(const std::string& name, bool error) {
    const QString tag = QStringLiteral("{%1}").arg(fromGbk(name));
    const QString file =
        error ? errorPicture()
              : fileFor(conversation::Segment::ofPicture(name, conversation::PictureState::Stored));
    int changed = 0;
    for (const BoxObject& o : objects()) {
        if (o.final || o.tag != tag) continue;
        setObjectFormat(o.position, objectFormat(file, tag, true));
        ++changed;
    }
    return changed;
}

} // namespace vantor::ui
