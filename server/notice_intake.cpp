#include "server/notice_intake.h"

#include <algorithm>

namespace vantor::server {

using namespace protocol;

NoticeIntake::NoticeIntake(const NoticeHead& head, Sink sink)
    : head_(head), sink_(std::move(sink)), remaining_(head.restLength) {
    if (head_.noticeKind != kNoticeOrdinary) {
        fail("only ordinary notices are taken here");
        return;
    }
    if (head_.recipientCount > kMaxNoticeRecipients || head_.textLength > kMaxNoticeText ||
        head_.attachmentCount > kMaxNoticeAttachments) {
        fail("counts over their limits");
        return;
    }
    frontSize_ = 4ull * head_.recipientCount + head_.textLength +
                 uint64_t(AttachmentEntry::kSize) * head_.attachmentCount;
    if (frontSize_ > remaining_) fail("counts larger than the stream");
}

bool NoticeIntake::fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
    stage_ = Stage::Done;
    return false;
}

bool NoticeIntake::takeFront() {
    std::string_view p = buf_;
    recipients_.resize(head_.recipientCount);
    for (auto& id : recipients_) {
        id = wire::loadU32(p.data());
        p.remove_prefix(4);
    }
    text_.assign(p.substr(0, head_.textLength));
    p.remove_prefix(head_.textLength);
    entries_.resize(head_.attachmentCount);
    for (auto& e : entries_) {
        wire::decode(p.substr(0, AttachmentEntry::kSize), e);
        p.remove_prefix(AttachmentEntry::kSize);
    }
    buf_.clear();
    buf_.shrink_to_fit();
    stage_ = entries_.empty() ? Stage::Done : Stage::BlockHead;
    return true;
}

bool NoticeIntake::feed(std::string_view piece) {
    if (!error_.empty()) return false;
    if (piece.size() > remaining_) return fail("more bytes than the head announced");
    remaining_ -= piece.size();
    while (!piece.empty()) {
        switch (stage_) {
        case Stage::Front: {
            const size_t n = size_t(std::min<uint64_t>(frontSize_ - buf_.size(), piece.size()));
            buf_.append(piece.substr(0, n));
            piece.remove_prefix(n);
            if (buf_.size() == frontSize_) takeFront();
            break;
        }
        case Stage::BlockHead: {
            const size_t n = std::min(AttachmentBlockHead::kSize - buf_.size(), piece.size());
            buf_.append(piece.substr(0, n));
            piece.remove_prefix(n);
            if (buf_.size() < AttachmentBlockHead::kSize) break;
            AttachmentBlockHead bh;
            wire::decode(buf_, bh);
            buf_.clear();
            if (!(bh.entry.attachmentGuid == entries_[block_].attachmentGuid))
                return fail("attachment block out of order");
            if (bh.fileSize > remaining_ + piece.size()) return fail("attachment larger than the stream");
            sizes_.push_back(bh.fileSize);
            if (!sinkFailed_ && !(sink_.begin && sink_.begin(block_, bh))) sinkFailed_ = true;
            dataLeft_ = bh.fileSize;
            stage_ = Stage::BlockData;
            if (dataLeft_ == 0) {
                if (!sinkFailed_ && sink_.end && !sink_.end(block_)) sinkFailed_ = true;
                stage_ = ++block_ < entries_.size() ? Stage::BlockHead : Stage::Done;
            }
            break;
        }
        case Stage::BlockData: {
            const size_t n = size_t(std::min<uint64_t>(dataLeft_, piece.size()));
            if (!sinkFailed_ && !(sink_.data && sink_.data(block_, piece.substr(0, n)))) sinkFailed_ = true;
            piece.remove_prefix(n);
            dataLeft_ -= n;
            if (dataLeft_ == 0) {
                if (!sinkFailed_ && sink_.end && !sink_.end(block_)) sinkFailed_ = true;
                stage_ = ++block_ < entries_.size() ? Stage::BlockHead : Stage::Done;
            }
            break;
        }
        case Stage::Done:
            return fail("bytes after the last attachment");
        }
    }
    if (stage_ == Stage::Front && frontSize_ == 0) takeFront();
    return true;
}

bool NoticeIntake::finish() {
    if (!error_.empty()) return false;
    if (stage_ == Stage::Front && frontSize_ == 0) takeFront();
    if (remaining_ != 0 || stage_ != Stage::Done) return fail("the stream ended early");
    return true;
}

} // namespace vantor::server
