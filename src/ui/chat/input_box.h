// The input box of a conversation: typed text in the chosen font with faces and pictures as
// embedded objects. Enter sends when the setting says so, Ctrl+Enter always; pasting a bitmap stores
// it in the Images folder as "PC" + tick + ".JPG" and inserts it; pasted files are offered.
#pragma once

#include "conversation/chat_ports.h"
#include "ui/chat/rich_text_box.h"

#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

namespace vantor::ui {

class InputBox : public RichTextBox {
    Q_OBJECT
  public:
    explicit InputBox(PictureFolders folders, QWidget* parent = nullptr);

    void setEnterSends(bool on) { enterSends_ = on; }
    bool enterSends() const { return enterSends_; }

    // The font of what is typed (and of the next messages).
    void setInputFont(const conversation::ChatFont& font);
    const conversation::ChatFont& inputFont() const { return font_; }

    // A face from the picker, at the cursor.
    void insertFace(int index);
    // A picture file: stored in the Images folder under its MD5 name (copied unless a file of
    // that name is there) and inserted. False when the file cannot be read or stored.
    bool insertPictureFile(const QString& path);
    // A bitmap (pasted): stored as "PC" + tick + ".JPG" in bitmap form and inserted.
    bool insertBitmap(const QImage& image);

    // Paste (Ctrl+V, the menu) of given content.
    void pasteData(const QMimeData* source) { insertFromMimeData(source); }

    // Characters in the box (an object counts as one).
    int characters() const;

    std::function<void()> onSend;
    std::function<void(const QStringList& files)> onFiles; // pasted files, to be offered
    std::function<uint32_t()> tick;                        // the tick count for pasted names

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    bool enterSends_ = true;
    conversation::ChatFont font_;
};

} // namespace vantor::ui
