// THistoryForm: the history viewer. The partner tree on the left; on the right the partner's
// header, a search bar, the records of one page and the page bar. A borderless window with its
// own title area and resize borders.
#pragma once

#include "history/history_search.h"
#include "history/message_store.h"
#include "ui/chat/chat_services.h"
#include "ui/chat/display_box.h"
#include "ui/history/history_directory.h"
#include "ui/history/history_pages.h"
#include "ui/kit/title_drag.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantor::ui {

// The dialogs and the desktop as the viewer uses them (window-modal by default, answering through
// the callback while `parent` is alive; tests record).
class IHistoryServices {
  public:
    virtual ~IHistoryServices() = default;
    virtual void confirm(QWidget* parent, const QString& caption, const QString& text,
                         std::function<void(bool)> done);
    virtual void error(QWidget* parent, const QString& caption, const QString& text);
    virtual void alert(QWidget* parent, const QString& text);
    // done(file) only when one was chosen.
    virtual void exportFileName(QWidget* parent, const QString& suggested,
                                std::function<void(const QString&)> done);
    virtual void openPath(const QString& path);
    virtual void openUrl(const QUrl& url);
};

struct HistoryContext {
    history::StoreLocation store;
    IHistoryDirectory* directory = nullptr;
    IHistoryServices* services = nullptr;
    PictureFolders folders;
    QString userPicFolder; // <account>/UserPic/
    QString headFolder;    // the head-picture folder (UserHead/); 51.bmp is shown with no partner
};

// The partner shown: a colleague (its id), a discussion group (-1) or a customer-service group
// (-2) with its identifier, or none (-3).
struct HistorySelection {
    static constexpr int32_t kGroup = -1, kService = -2, kNone = -3;
    int32_t partner = kNone;
    wire::Guid guid;
    QString name, signature, picture;
    std::string key() const;
};

class THistoryForm : public QWidget {
    Q_OBJECT
  public:
    explicit THistoryForm(HistoryContext context, QWidget* parent = nullptr);

    // Selects a partner and shows its last page (the tree item is selected when listed).
    void selectPartner(const HistorySelection& selection);
    void selectColleague(uint32_t userId);
    void selectGroup(const wire::Guid& guid, bool service);
    const HistorySelection& selection() const { return selection_; }

    // The page buttons; false when nothing changed.
    bool showPage(int page);
    void firstPage() { showPage(1); }
    void previousPage();
    void nextPage();
    // Enter in the page box: that page, when it exists.
    void typedPage();
    void lastPage() { showPage(0); }
    const historyview::PageBar& pageBar() const { return bar_; }

    // "删除记录".
    void deleteConversation();
    // The search bar: the hits of this conversation, or of all conversations. The search runs in
    // steps from the event loop (the store is opened and closed for each) and lists hits as they
    // come; search() runs every step at once.
    void startSearch(const QString& text, bool all);
    bool searchStep(); // false once finished
    bool searching() const { return searcher_ != nullptr; }
    std::vector<history::SearchHit> search(const QString& text, bool all);
    // A hit chosen: its partner and page are shown and the match selected.
    void showHit(const history::SearchHit& hit);
    // "导出...": the conversation as HTML (".htm"/".html") or plain text.
    bool exportTo(const QString& path);

    DisplayBox* view() const { return view_; }
    QTreeWidget* tree() const { return tree_; }
    QLineEdit* pageBox() const { return pageBox_; }
    QLabel* pageLabel() const { return pageLabel_; }
    QPushButton* deleteButton() const { return deleteButton_; }
    QWidget* titleArea() const { return titleArea_; }
    QListWidget* hitList() const { return hits_; }

  signals:
    void searchFinished(int hits);

  protected:
    // history_form_frame.cpp: the title area and the borders.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void scrollToNewest();
    QWidget* buildTitleArea();
    QWidget* buildPageBar();
    QWidget* buildSearchBar();
    void fillTree();
    void resetPageArea();
    void applyBar();
    void linkClicked(const QString& link);
    void toggleMaximised();
    QTreeWidgetItem* findItem(const HistorySelection& s) const;

    HistoryContext ctx_;
    HistorySelection selection_;
    historyview::PageBar bar_;
    QWidget* titleArea_ = nullptr;
    QLabel* caption_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLabel* head_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* memo_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QLineEdit* searchBox_ = nullptr;
    QCheckBox* searchAll_ = nullptr;
    QListWidget* hits_ = nullptr;
    std::vector<history::SearchHit> lastHits_;
    std::unique_ptr<history::HistorySearcher> searcher_;
    QTimer* searchTimer_ = nullptr;
    DisplayBox* view_ = nullptr;
    QPushButton* firstButton_ = nullptr;
    QPushButton* previousButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    QPushButton* lastButton_ = nullptr;
    QLineEdit* pageBox_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    // Dragging the title or a border.
    TitleDrag titleDrag_;
    Qt::Edges resizing_;
    QRect resizeStart_;
    QPoint resizeOrigin_;
};

} // namespace vantor::ui
