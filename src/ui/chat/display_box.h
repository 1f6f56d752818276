// The read-only display of a conversation: header lines, messages in their fonts with faces and
// pictures, system lines with action links (only the shown text is visible; the link carries the
// action), and the picture menu ("复制", "图片另存为...", "清屏").
#pragma once

#include "conversation/chat_ports.h"
#include "conversation/richtext.h"
#include "ui/chat/rich_text_box.h"

#include <QColor>

#include <functional>
#include <string>

class QMenu;

namespace vantor::ui {

inline const QColor kOwnHeaderColour{0, 128, 0};
inline const QColor kPeerHeaderColour{55, 90, 124}; // also the system lines

class DisplayBox : public RichTextBox {
    Q_OBJECT
  public:
    explicit DisplayBox(PictureFolders folders, QWidget* parent = nullptr);

    // A header line, then the message in its font. Returns what renderPlainText() decided (the
    // pictures to fetch, the pictures found).
    conversation::Rendered appendMessage(const QString& header, bool own, const std::string& plain,
                                         const conversation::ChatFont& font,
                                         conversation::RenderOptions options = {});
    // A line of plain text in one colour (the history's date lines).
    void appendColouredLine(const QString& text, const QColor& colour);
    // A system line (already carrying its time); action links in it become links.
    void appendSystemLine(const std::string& gbkLine);
    // The link whose value is `link` becomes underlined plain text.
    void disableLink(const QString& link);
    bool hasLink(const QString& link) const;
    // "清屏".
    void clearDisplay();

    // The menu for a point of the viewport (tests read its actions).
    QMenu* buildMenu(const QPoint& viewportPos);
    // "图片另存为...": copies the picture's stored file; false when nothing was saved.
    bool savePictureAs(const BoxObject& object, const QString& target) const;
    // The stored file behind a real picture ("{name}" tag, final), or empty.
    QString storedFileOf(const BoxObject& object) const;

    std::function<void(const QString& link)> onLink;        // an action link or web address clicked
    std::function<void(const QString& path)> onOpenPicture; // double-click on a stored picture
    std::function<void(const QString& suggested, std::function<void(const QString&)> done)> askSaveName;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    std::optional<BoxObject> objectUnder(const QPoint& viewportPos) const;
    void newParagraph(QTextCursor& c);
};

} // namespace vantor::ui
