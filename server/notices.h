// Internal notices on the server: numbered in SQLite (beside the main store, in the same file),
// attachments on disk in their own folder (written to a temporary file, renamed when the whole
// notice has arrived). A post is taken in parts as it arrives and announced with its head to the
// recipients signed in; unread notices are announced again at sign-in. Lists and searches carry
// each user's read state; opening sends the content; a read sends the sender a receipt; the read
// log lists every recipient; attachments are streamed from disk; only the sender deletes. A
// spreadsheet notice becomes one notice per row, to the colleague whose account the row names.
#pragma once

#include "protocol/frame.h"
#include "protocol/notice.h"
#include "server/notice_intake.h"

#include <QFile>

#include <map>
#include <memory>
#include <optional>
#include <string>

struct sqlite3;

namespace vantor::server {

class Server;
class Session;

class NoticeService {
  public:
    NoticeService(Server& server, std::string dbPath, std::string folder);
    ~NoticeService();
    bool open(std::string* error);

    static bool owns(uint8_t code);
    // A notice message (or a part of a posted notice) from a signed-in session.
    void handle(Session& s, const protocol::Message& m);
    // After the sign-in load: the unread notices are announced.
    void signedIn(Session& s);
    void sessionClosed(Session& s);

    // For tests: how many notices are stored, and where an attachment's file lies.
    int64_t noticeCount();

  private:
    struct Upload {
        std::unique_ptr<NoticeIntake> intake;
        std::vector<std::unique_ptr<QFile>> files;
        std::vector<QString> paths;
        bool refused = false;
    };
    void onPostPart(Session& s, const protocol::Message& m);
    void store(Session& s, Upload& u);
    void storeRows(Session& s, Upload& u, const protocol::NoticeHead& sheetHead);
    std::optional<int64_t> insertNotice(const protocol::NoticeHead& head,
                                        const std::vector<uint32_t>& recipients, const std::string& body,
                                        const std::string& bodyText, const NoticeIntake& in,
                                        const std::vector<QString>& files, bool shareFiles);
    void announce(const protocol::NoticeHead& head, const std::vector<uint32_t>& recipients);
    void onSearch(Session& s, const protocol::NoticeSearch& q);
    void onOpen(Session& s, const protocol::NoticeOpen& o);
    void onRead(Session& s, const protocol::NoticeRead& r);
    void onReadLog(Session& s, const protocol::NoticeGuidRecord& g);
    void onDelete(Session& s, const protocol::NoticeGuidRecord& g);
    void onAttachment(Session& s, const protocol::AttachmentRequest& r);
    // The number of the notice with this GUID that `userId` sent or received (0: none).
    int64_t visibleNotice(const wire::Guid& guid, uint32_t userId);
    bool isParty(int64_t number, uint32_t userId);
    QString attachmentPath(int64_t number, int index) const;
    void dropUpload(uint64_t session);

    Server& server_;
    std::string dbPath_;
    std::string folder_;
    sqlite3* db_ = nullptr;
    std::map<uint64_t, Upload> uploads_; // by session
    uint64_t uploadSeq_ = 0;
};

} // namespace vantor::server
