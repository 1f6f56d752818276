#include "ui/chat/display_box.h"

#include "conversation/action_link.h"
#include "conversation/images_folder.h"
#include "protocol/text.h"
#include "ui/chat/chat_layout.h"
#include "ui/kit/fonts.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

namespace vantor::ui {

namespace {

QString fromGbk(std::string_view s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

bool isPictureTag(const QString& tag) {
    return tag.size() > 2 && tag.startsWith(QLatin1Char('{')) && tag.endsWith(QLatin1Char('}'));
}

} // namespace

DisplayBox::DisplayBox(PictureFolders folders, QWidget* parent) : RichTextBox(std::move(folders), parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                            Qt::LinksAccessibleByMouse);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void DisplayBox::newParagraph(QTextCursor& c) {
    c.movePosition(QTextCursor::End);
    if (!document()->isEmpty()) c.insertBlock();
}

conversation::Rendered DisplayBox::appendMessage(const QString& header, bool own, const std::string& plain,
                                                 const conversation::ChatFont& font,
                                                 conversation::RenderOptions options) {
    QTextCursor c(document());
    newParagraph(c);
    QTextCharFormat head;
    head.setFont(systemLineFont());
    head.setForeground(own ? kOwnHeaderColour : kPeerHeaderColour);
    c.insertText(header, head);
    c.insertBlock();
    QTextBlockFormat indent;
    indent.setLeftMargin(8);
    c.setBlockFormat(indent);
    QTextCharFormat body;
    body.setFont(chatlayout::qfontOf(font));
    body.setForeground(chatlayout::colourOf(font.color));
    conversation::ImagesFolder images(folders().images);
    conversation::Rendered r = conversation::renderPlainText(plain, images.lookup(), options);
    insertSegments(c, r.segments, body);
    c.insertBlock();
    c.setBlockFormat(QTextBlockFormat());
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    return r;
}

void DisplayBox::appendColouredLine(const QString& text, const QColor& colour) {
    QTextCursor c(document());
    newParagraph(c);
    QTextCharFormat f;
    f.setFont(systemLineFont());
    f.setForeground(colour);
    c.insertText(text, f);
}

void DisplayBox::appendSystemLine(const std::string& line) {
    QTextCursor c(document());
    newParagraph(c);
    QTextCharFormat plain;
    plain.setFont(systemLineFont());
    plain.setForeground(kPeerHeaderColour);
    for (const auto& piece : conversation::splitActionLine(line)) {
        if (piece.link.empty()) {
            c.insertText(fromGbk(piece.text), plain);
            continue;
        }
        QTextCharFormat link = plain;
        link.setAnchor(true);
        link.setAnchorHref(fromGbk(piece.link));
        link.setFontUnderline(true);
        link.setForeground(QColor(0, 0, 255));
        c.insertText(fromGbk(piece.text), link);
    }
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

bool DisplayBox::hasLink(const QString& link) const {
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor() && it.fragment().charFormat().anchorHref() == link)
                return true;
    return false;
}

void DisplayBox::disableLink(const QString& link) {
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            QTextCharFormat cf = f.charFormat();
            if (!cf.isAnchor() || cf.anchorHref() != link) continue;
            cf.setAnchor(false);
            cf.setAnchorHref(QString());
            cf.setFontUnderline(true);
            cf.setForeground(kPeerHeaderColour);
            QTextCursor c(document());
            c.setPosition(f.position());
            c.setPosition(f.position() + f.length(), QTextCursor::KeepAnchor);
            c.setCharFormat(cf);
        }
}

void DisplayBox::clearDisplay() {
    clear();
}

std::optional<BoxObject> DisplayBox::objectUnder(const QPoint& pos) const {
    const QTextCursor c = cursorForPosition(pos);
    // The cursor lands before or after the object depending on the half clicked.
    for (int p : {c.position(), c.position() - 1}) {
        if (p < 0) continue;
        if (auto o = objectAt(p)) return o;
    }
    return std::nullopt;
}

QString DisplayBox::storedFileOf(const BoxObject& o) const {
    if (!o.final || !isPictureTag(o.tag)) return {};
    const std::string name = protocol::toGbk(o.tag.mid(1, o.tag.size() - 2).toStdString());
    conversation::ImagesFolder images(folders().images);
    return images.holds(name) ? images.pathOf(name) : QString();
}

bool DisplayBox::savePictureAs(const BoxObject& o, const QString& target) const {
    const QString source = storedFileOf(o);
    if (source.isEmpty() || target.isEmpty()) return false;
    if (QFile::exists(target)) QFile::remove(target);
    return QFile::copy(source, target);
}

QMenu* DisplayBox::buildMenu(const QPoint& pos) {
    auto* menu = new QMenu(this);
    const std::optional<BoxObject> object = objectUnder(pos);
    QAction* copyAction = menu->addAction(QStringLiteral("复制"), this, [this] { copy(); });
    copyAction->setEnabled(textCursor().hasSelection());
    QAction* saveAs = menu->addAction(QStringLiteral("图片另存为..."));
    const bool stored = object && !storedFileOf(*object).isEmpty();
    saveAs->setEnabled(stored);
    if (stored) {
        const BoxObject o = *object;
        connect(saveAs, &QAction::triggered, this, [this, o] {
            if (!askSaveName) return;
            const QString file = storedFileOf(o);
            askSaveName(file.section(QLatin1Char('/'), -1),
                        [this, o](const QString& target) { savePictureAs(o, target); });
        });
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("清屏"), this, [this] { clearDisplay(); });
    return menu;
}

void DisplayBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = buildMenu(viewport()->mapFromGlobal(event->globalPos()));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void DisplayBox::mouseReleaseEvent(QMouseEvent* event) {
    const QString href = anchorAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && !href.isEmpty() && !textCursor().hasSelection() && onLink) {
        onLink(href);
        return;
    }
    RichTextBox::mouseReleaseEvent(event);
}

void DisplayBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (auto o = objectUnder(event->position().toPoint())) {
        const QString file = storedFileOf(*o);
        if (!file.isEmpty() && onOpenPicture) {
            onOpenPicture(file);
            return;
        }
    }
    RichTextBox::mouseDoubleClickEvent(event);
}

} // namespace vantor::ui
