// NoticeCore: internal notices on the client — the reader's list, search, content, read
// confirmation, read log and attachments (downloaded into the account's cache under their
// "{GUID}.ext" name through a temporary file, only when asked for); the composer's post, streamed
// from the attachment files opened first and never held in memory; receipts; the new-notice badge.
// It reaches the connection through INoticeHost and tells the windows through INoticeListener.
#pragma once

#include "protocol/frame.h"
#include "protocol/notice.h"
#include "protocol/records.h"

#include <QFile>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantor::info {

class INoticeHost {
  public:
    virtual ~INoticeHost() = default;
    // False when nothing could be sent (not connected, or the write failed).
    virtual bool sendToServer(const protocol::Message& m) = 0;
    // A message larger than memory (see ServerConnection::SendLongToServer).
    using LongSource = std::function<std::optional<std::string>()>;
    virtual bool sendLong(std::string first, LongSource next, std::function<void(bool)> done) = 0;
    virtual uint32_t ownId() const = 0; // 0 while signed out
    virtual std::string ownName() const = 0;
    virtual const protocol::UserRecord* findUser(uint32_t id) const = 0;
    virtual QString cacheFolder() const = 0; // empty while signed out
};

class INoticeListener {
  public:
    virtual ~INoticeListener() = default;
    virtual void noticeArrived(const protocol::NoticeHead& /*head*/) {}
    virtual void listChanged() {}
    // A notice was opened (its content asked for): the reader selects it.
    virtual void noticeOpened(const protocol::NoticeListItem& /*item*/) {}
    virtual void contentChanged() {}
    virtual void readLogChanged() {}
    virtual void receiptArrived(const protocol::NoticeReceipt& /*receipt*/) {}
    // An attachment is in place at `path` (the cache, or the save-as target): `open` when it is
    // to be opened with the desktop's default action.
    virtual void attachmentReady(const protocol::AttachmentEntry& /*entry*/, const QString& /*path*/,
                                 bool /*open*/) {}
    virtual void attachmentFailed(const protocol::AttachmentEntry& /*entry*/) {}
    // The post has been written out whole (true), or the connection failed first (false).
    virtual void postFinished(const protocol::Guid& /*noticeGuid*/, bool /*ok*/) {}
    virtual void badgeChanged(int /*count*/) {}
};

// What the composer hands over.
struct NoticeDraft {
    std::string title;                // GBK
    std::string rtf;                  // the body as RTF bytes
    size_t bodyCharacters = 0;        // the editor's text length in characters
    std::vector<uint32_t> recipients; // chosen colleagues
    std::vector<QString> attachments; // file paths
    bool smsUnread = false;
    std::string smsMinutes; // the minutes field's text (digits only)
    double screenEndDate = 0;
    std::string screenNames; // GBK, joined with ","
};

// One row of a spreadsheet notice (GBK): the recipient's account, name, and the row's own text.
struct SpreadsheetNoticeRow {
    std::string account, name, text;
};

class NoticeCore {
  public:
    explicit NoticeCore(INoticeHost& host);
    ~NoticeCore();

    static std::span<const protocol::Cmd> handledCodes();
    void handle(const protocol::Message& m);
    void addListener(INoticeListener* l);
    void removeListener(INoticeListener* l);
    // Sign-out: lists, content, downloads and the badge are dropped.
    void clear();

    // ---- the reader ----
    // Replies (list, content, read log) are taken only while the reader is open.
    void setReaderOpen(bool open);
    bool readerOpen() const { return readerOpen_; }
    bool searchNotices(const std::string& keyword); // GBK, trimmed and cut to 50 bytes
    const std::vector<protocol::NoticeListItem>& entries() const { return entries_; }
    // The list item opened last (the one the reader selects), if any.
    const protocol::NoticeListItem* current() const;
    bool openNotice(const protocol::NoticeListItem& item);
    // The content of the current notice, once it arrived.
    const std::optional<protocol::NoticeContent>& content() const { return content_; }
    // The attachments the reader lists: in a spreadsheet notice the first (the sheet itself) only
    // for its sender.
    std::vector<protocol::AttachmentEntry> listedAttachments() const;
    bool isUnread(uint32_t noticeNumber) const;
    bool confirmRead();
    bool mayDelete(const protocol::NoticeListItem& item) const;
    bool deleteNotice(const protocol::NoticeListItem& item);
    bool requestReadLog();
    const std::vector<protocol::ReadLogItem>& readLog() const { return readLog_; }

    enum class AttachmentStart { FromCache, Requested, Failed };
    // Opens (or, with a target, saves) an attachment: from the cache when it is there, otherwise
    // asked for.
    AttachmentStart openAttachment(const protocol::AttachmentEntry& entry, const QString& saveAs = {});
    QString cachePath(const protocol::AttachmentEntry& entry) const;

    // ---- the composer ----
    enum class PostResult { Posting, NoBody, NoRecipients, BadMinutes, NotSent };
    // Opens the files first; missing ones are left out. The post is under way on Posting;
    // postFinished() tells how it ended.
    PostResult postNotice(const NoticeDraft& draft);
    bool posting() const { return posting_; }
    // SendSpreadsheetNotice: one notice per row (CmdExcelNotice), the spreadsheet itself attached
    // first, then the attachments that are there. NoRecipients without rows; NotSent when the
    // spreadsheet cannot be opened or the connection is down.
    PostResult sendSpreadsheetNotice(const QString& sheet, const std::vector<SpreadsheetNoticeRow>& rows,
                                     const std::vector<QString>& attachments);
    const protocol::Guid& lastPostGuid() const { return lastPost_; }
    // The recipients a post goes to: the chosen ones, each once, the sender appended when missing.
    static std::vector<uint32_t> recipientsWithSender(const std::vector<uint32_t>& chosen, uint32_t own);
    // Minutes of the SMS reminder: 0..255 from the field's digits (empty: 0); nullopt outside.
    static std::optional<uint8_t> smsMinutes(const std::string& field);

    // A link in a notice is opened only when it is http, https or mailto.
    static bool mayOpenLink(const QString& url);

    // ---- the badge ----
    // mode 0 sets, 1 adds, 2 subtracts (not below 0).
    void setBadge(int mode, int n);
    int badge() const { return badge_; }
    // "99+" above 99, the number otherwise; empty (hidden) at 0.
    static std::string badgeText(int count);

  private:
    // Writes a post (its front, then the streamed rest); postFinished tells how it ended.
    PostResult startPost(const protocol::Guid& guid, std::string front, INoticeHost::LongSource rest);
    void onList(const protocol::Message& m);
    void onContent(const protocol::Message& m);
    void onReadLog(const protocol::Message& m);
    void onReceipt(const protocol::Message& m);
    void onAttachment(const protocol::Message& m);
    void onArrived(const protocol::Message& m);
    template <class F>
    void tell(F f);

    INoticeHost& host_;
    std::vector<INoticeListener*> listeners_;
    bool readerOpen_ = false;
    std::string lastKeyword_;
    std::vector<protocol::NoticeListItem> entries_;
    std::optional<uint32_t> currentNumber_;
    protocol::Guid currentGuid_;
    uint32_t currentSender_ = 0;
    std::optional<protocol::NoticeContent> content_;
    std::vector<protocol::ReadLogItem> readLog_;
    int badge_ = 0;
    bool posting_ = false;
    protocol::Guid lastPost_;

    // Downloads asked for, by attachment GUID text: where the file goes and whether to open it.
    struct Wanted {
        protocol::AttachmentEntry entry;
        QString target;
        bool open = true;
    };
    std::map<std::string, Wanted> wanted_;
    // The download under way (the reply that is arriving in parts).
    struct Download {
        Wanted want;
        std::unique_ptr<QFile> file; // null: not asked for, read and dropped
        QString temp;
        uint64_t size = 0;
        uint64_t got = 0;
        bool failed = false;
    };
    std::unique_ptr<Download> download_;
};

} // namespace vantor::info
