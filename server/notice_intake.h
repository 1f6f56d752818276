// A posted notice as it arrives in pieces: the recipient ids, the body and the attachment entries
// are kept (each count bounded before anything is allocated), each attachment's data goes to the
// sink as it comes and is never held. A spreadsheet notice (kind 1) has no ids and no body in
// front: its rows (a RowRecord and that row's text each) follow the attachments, at most
// kMaxNoticeRows of them with kMaxNoticeText bytes of text in all. Plain C++, so that it can be fuzzed
// without the event loop. The stream must be exactly as long as its head says; anything else is an error for
// the connection.
#pragma once

#include "protocol/notice.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::server {

class NoticeIntake {
  public:
    // Where attachment data goes: begin(index, block head), data(index, bytes), end(index). A sink
    // that fails makes the notice fail (the rest is still read, so the connection stays usable).
    struct Sink {
        std::function<bool(size_t, const protocol::AttachmentBlockHead&)> begin;
        std::function<bool(size_t, std::string_view)> data;
        std::function<bool(size_t)> end;
    };

    NoticeIntake(const protocol::NoticeHead& head, Sink sink);

    // False once the stream is malformed (see error()).
    bool feed(std::string_view piece);
    // At the end of the stream: true when everything announced arrived.
    bool finish();

    const std::string& error() const { return error_; }
    bool sinkFailed() const { return sinkFailed_; }
    const protocol::NoticeHead& head() const { return head_; }
    const std::vector<uint32_t>& recipients() const { return recipients_; }
    const std::string& text() const { return text_; }
    const std::vector<protocol::AttachmentEntry>& entries() const { return entries_; }
    const std::vector<uint64_t>& sizes() const { return sizes_; }
    struct Row {
        protocol::RowRecord record;
        std::string text;
    };
    const std::vector<Row>& rows() const { return rows_; }

  private:
    bool fail(std::string why);
    bool takeFront();

    protocol::NoticeHead head_;
    Sink sink_;
    enum class Stage { Front, BlockHead, BlockData, RowHead, RowText, Done } stage_ = Stage::Front;
    Stage afterBlocks() const;
    uint64_t remaining_; // bytes of the stream still to come
    uint64_t frontSize_ = 0;
    std::string buf_;
    size_t block_ = 0;
    uint64_t dataLeft_ = 0;
    std::vector<uint32_t> recipients_;
    std::string text_;
    std::vector<protocol::AttachmentEntry> entries_;
    std::vector<uint64_t> sizes_;
    std::vector<Row> rows_;
    uint64_t rowTextLeft_ = 0;
    uint64_t rowTextTotal_ = 0;
    std::string error_;
    bool sinkFailed_ = false;
};

} // namespace vantor::server
