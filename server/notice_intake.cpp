#include "server/notice_intake.h"

#include <algorithm>

namespace vantor::server {

using namespace protocol;

NoticeIntake::NoticeIntake(const NoticeHead& head, Sink sink)
    : head_(head), sink_(std::move(sink)), remaining_(head.restLength) {
    if (head_.noticeKind == kNoticeSpreadsheet) {
        // The spreadsheet itself and up to kMaxNoticeAttachments more; rows instead of ids and body.
        if (head_.recipientCount > kMaxNoticeRows || head_.textLength != 0 || head_.attachmentCount == 0 ||
            head_.attachmentCount > kMaxNoticeAttachments + 1) {
            fail("counts over their limits");
            return;
        }
        frontSize_ = uint64_t(AttachmentEntry::kSize) * head_.attachmentCount;
        const uint64_t least = frontSize_ + uint64_t(AttachmentBlockHead::kSize) * head_.attachmentCount +
                               uint64_t(RowRecord::kSize) * head_.recipientCount;
        if (least > remaining_) fail("counts larger than the stream");
        return;
    }
    if (head_.noticeKind != kNoticeOrdinary) {
        fail("unknown notice kind");
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

NoticeIntake::Stage NoticeIntake::afterBlocks() const {
    return head_.noticeKind == kNoticeSpreadsheet && head_.recipientCount > 0 ? Stage::RowHead : Stage::Done;
}

bool NoticeIntake::fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
    stage_ = Stage::Done;
    return false;
}

bool NoticeIntake::takeFront() {
    std::string_view p = buf_;
    recipients_.resize(head_.noticeKind == kNoticeSpreadsheet ? 0 : head_.recipientCount);
    for (auto& id : recipients_) {
        id = wire::loadU32(p.data());
        p.remove_prefix(4);
    }
    const size_t textLength = head_.noticeKind == kNoticeSpreadsheet ? 0 : head_.textLength;
    text_.assign(p.substr(0, textLength));
    p.remove_prefix(textLength);
    entries_.resize(head_.attachmentCount);
    for (auto& e : entries_) {
        wire::decode(p.substr(0, AttachmentEntry::kSize), e);
        p.remove_prefix(AttachmentEntry::kSize);
    }
    buf_.clear();
    buf_.shrink_to_fit();
    stage_ = entries_.empty() ? afterBlocks() : Stage::BlockHead;
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
                stage_ = ++block_ < entries_.size() ? Stage::BlockHead : afterBlocks();
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
                stage_ = ++block_ < entries_.size() ? Stage::BlockHead : afterBlocks();
            }
            break;
        }
        case Stage::RowHead: {
            const size_t n = std::min(RowRecord::kSize - buf_.size(), piece.size());
            buf_.append(piece.substr(0, n));
            piece.remove_prefix(n);
            if (buf_.size() < RowRecord::kSize) break;
            Row row;
            wire::decode(buf_, row.record);
            buf_.clear();
            if (row.record.textLength > kMaxNoticeRowText ||
                row.record.textLength > remaining_ + piece.size())
                return fail("row text larger than allowed");
            rowTextTotal_ += row.record.textLength;
            if (rowTextTotal_ > kMaxNoticeText) return fail("row texts larger than allowed");
            rowTextLeft_ = row.record.textLength;
            rows_.push_back(std::move(row));
            stage_ = Stage::RowText;
            if (rowTextLeft_ == 0)
                stage_ = rows_.size() < head_.recipientCount ? Stage::RowHead : Stage::Done;
            break;
        }
        case Stage::RowText: {
            const size_t n = size_t(std::min<uint64_t>(rowTextLeft_, piece.size()));
            rows_.back().text.append(piece.substr(0, n));
            piece.remove_prefix(n);
            rowTextLeft_ -= n;
            if (rowTextLeft_ == 0)
                stage_ = rows_.size() < head_.recipientCount ? Stage::RowHead : Stage::Done;
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
