// The commands of vantor-cli about internal notices: listing them (with a keyword), reading the
// latest one listed (its text, its attachments, optionally confirming it as read and fetching the
// attachments into a folder), and posting one to colleagues with attachments.
#pragma once

#include "client/client_core.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <set>

namespace vantor::app {

struct NoticeOptions {
    enum class Command { None, List, Post } command = Command::None;
    QString keyword;     // list: only notices whose title or text holds it
    bool read = false;   // list: confirm the opened notice as read
    QString fetchFolder; // list: fetch the opened notice's attachments into this folder
    QString title, text; // post
    QStringList to;      // post: colleagues (ids or names)
    QStringList attach;  // post: files
};

class CliNotices : public info::INoticeListener {
  public:
    CliNotices(client::ClientCore& core, NoticeOptions options,
               std::function<void(int, const QString&)> finish);
    ~CliNotices() override;
    CliNotices(const CliNotices&) = delete;
    CliNotices& operator=(const CliNotices&) = delete;

    // Runs the command once signed in; false when there is none.
    bool run();

    void listChanged() override;
    void contentChanged() override;
    void attachmentReady(const protocol::AttachmentEntry& entry, const QString& path, bool open) override;
    void attachmentFailed(const protocol::AttachmentEntry& entry) override;
    void postFinished(const protocol::Guid& guid, bool ok) override;

  private:
    void done(int code, const QString& message = {});

    client::ClientCore& core_;
    NoticeOptions options_;
    std::function<void(int, const QString&)> finish_;
    bool listed_ = false;
    std::set<std::string> fetching_; // attachment GUIDs still coming
    bool finished_ = false;
};

} // namespace vantor::app
