// A text box whose pictures are embedded objects carrying a tag and a final flag: a face's tag is
// its index ("17"), a picture's "{name}"; final is false while a placeholder stands in for a
// picture still awaited. The display and the input box of a conversation are both made of it.
#pragma once

#include "conversation/richtext.h"
#include "ui/chat/chat_services.h"

#include <QHash>
#include <QTextEdit>

#include <optional>
#include <string>
#include <vector>

class QMovie;

namespace vantor::ui {

inline constexpr int kTagProperty = QTextFormat::UserProperty + 1;   // QString
inline constexpr int kFinalProperty = QTextFormat::UserProperty + 2; // bool
inline constexpr int kFileProperty = QTextFormat::UserProperty + 3;  // QString: the shown file
inline constexpr int kMaxTagLength = 255;

// One embedded object as the box holds it.
struct BoxObject {
    int position = 0;
    QString tag;
    bool final = true;
    QString file;
};

class RichTextBox : public QTextEdit {
    Q_OBJECT
  public:
    RichTextBox(PictureFolders folders, QWidget* parent = nullptr);
    ~RichTextBox() override;

    const PictureFolders& folders() const { return folders_; }

    // Replaces the cursor's selection with an object showing `file` (the error picture when it is
    // missing or unreadable).
    void insertObject(QTextCursor& cursor, const QString& file, const QString& tag, bool final);
    // Inserts text, faces and pictures at the cursor; text in `format`.
    void insertSegments(QTextCursor& cursor, const conversation::Segments& segments,
                        const QTextCharFormat& format);
    // The plain-text form: text as GBK, each object as its code, paragraphs joined by "\r\n".
    std::string codedText() const;
    // Every embedded object, in order.
    std::vector<BoxObject> objects() const;
    // The object at a document position, if one is there.
    std::optional<BoxObject> objectAt(int position) const;
    // Every object tagged "{name}" that is not final now shows the stored picture (or the error
    // picture) and is final. Returns how many changed.
    int replacePlaceholders(const std::string& name, bool error);

    QString faceFile(int index) const;
    QString sysImage(const char* name) const;
    QString loadingPicture() const { return sysImage("ImageLoading.gif"); }
    QString errorPicture() const { return sysImage("ImageError.gif"); }
    // The picture file a segment shows.
    QString fileFor(const conversation::Segment& segment) const;
    // How many animations run (one per animated picture file shown).
    int animationCount() const { return int(movies_.size()); }
    // Empties the box. The document drops its images with its text, so the pictures it knew and
    // their animations go too (hides QTextEdit::clear, which would leave them behind).
    void clear();

  protected:
    // The image resource name for a file, loading it (and starting its animation) on first use.
    QString resourceFor(const QString& file, QSize* size);

  private:
    void setObjectFormat(int position, const QTextImageFormat& format);
    QTextImageFormat objectFormat(const QString& file, const QString& tag, bool final);

    PictureFolders folders_;
    QHash<QString, QString> resources_; // file -> resource name
    QHash<QString, QSize> sizes_;
    std::vector<QMovie*> movies_;
    int serial_ = 0;
};

} // namespace vantor::ui
