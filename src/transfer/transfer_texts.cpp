#include "transfer/transfer_texts.h"

#include "crypto/md5.h"
#include "protocol/file_records.h"
#include "protocol/text.h"

#include <cstdio>

namespace vantor::transfer {

using protocol::toGbk;

std::string fileIdentity(std::string_view gbkName, uint64_t size) {
    std::string text(gbkName);
    text += std::to_string(size);
    return crypto::Md5Hex(crypto::Md5OfText(text));
}

std::string transferIdOf(uint32_t senderId, int32_t receiverId, std::string_view identity, uint32_t tick) {
    return std::to_string(senderId) + "_" + std::to_string(receiverId) + "_" + std::string(identity) + "_" +
           std::to_string(tick);
}

uint32_t blockCount(uint64_t size) {
    return uint32_t((size + protocol::kFileBlock - 1) / protocol::kFileBlock);
}

namespace {
std::string oneDecimal(double v, const char* unit) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f%s", v, unit);
    return buf;
}
} // namespace

std::string speedText(uint64_t bps) {
    if (bps > 1048576) return oneDecimal(double(bps) / 1048576.0, "M/S");
    if (bps < 1024) return std::to_string(bps).substr(0, 3) + "B/S";
    return oneDecimal(double(bps) / 1024.0, "K/S");
}

std::string amountText(uint64_t bytes) {
    if (bytes > 1048576) return oneDecimal(double(bytes) / 1048576.0, "M");
    if (bytes < 1024) return std::to_string(bytes) + "B";
    return oneDecimal(double(bytes) / 1024.0, "K");
}

namespace texts {
namespace {
std::string around(const char* before, std::string_view gbk, const char* after) {
    return toGbk(before) + std::string(gbk) + toGbk(after);
}
} // namespace
std::string duplicate(std::string_view p) {
    return around("文件“", p, "”已有一个相同的传输任务正在进行！");
}
std::string groupSend(std::string_view n) {
    return around("正准备群发文件 “", n, "”，讨论组内所有人都将收到此文件。");
}
std::string inUse(std::string_view n) {
    return around("“", n, "” 可能正在被使用，请关闭占用程序后再进行转输。");
}
std::string tooMany() {
    return toGbk("为保证传输效率，请在其它文件发送完毕之后，再接受新的文件传输邀请！");
}
std::string tooManyCaption() {
    return toGbk("提示");
}
std::string resuming(std::string_view n) {
    return around("正在准备文件“", n, "”断点续传，请稍后...");
}
std::string declinedByPeer(std::string_view n) {
    return around("对方拒绝接收文件“", n, "”。");
}
std::string failed(std::string_view n) {
    return around("文件“", n, "”传输过程中发生错误，已经停止。");
}
std::string moving(std::string_view n) {
    return std::string(n) + toGbk(" 传输完毕（正在移动文件...）");
}
std::string sent(std::string_view n) {
    return around("文件：“", n, "” 发送完毕");
}
std::string cancelledOwn(std::string_view n) {
    return around("您取消了文件“", n, "”的发送。");
}
std::string cancelledByPeer(std::string_view n) {
    return around("对方取消了文件“", n, "”的发送。");
}
std::string declinedOwn(std::string_view n) {
    return around("您已拒绝接收文件“", n, "”。");
}
std::string stoppedOwn(std::string_view n) {
    return around("您中断了文件“", n, "”的传输。");
}
std::string stoppedBy(std::string_view stopper, std::string_view n) {
    return std::string(stopper) + around(" 中断了文件“", n, "”的传输。");
}
std::string sentOffline(std::string_view n) {
    return around("对方采用离线文件方式发送“", n, "”。");
}
std::string groupSendTitle() {
    return toGbk("群发文件");
}
std::string groupOfflineDone(std::string_view n) {
    return around("群发文件：“", n, "” 传输完成，请大家接收。");
}
std::string offlineSentStored(std::string_view n) {
    return around("成功发送离线文件：“", n, "”");
}
std::string offlineReceivedHead(std::string_view n) {
    return around("离线文件：“", n, "” 接收完毕，您可以 ");
}
std::string offlineTaken(std::string_view n) {
    return around("离线文件：“", n, "” 接收完成");
}
std::string receivedHead(std::string_view n) {
    return around("文件：“", n, "” 接收完毕，您可以 ");
}
std::string receivedOpenFile() {
    return toGbk("打开文件");
}
std::string receivedBetween() {
    return toGbk(" 或 ");
}
std::string receivedOpenDir() {
    return toGbk("打开所在目录");
}
std::string receivedTail() {
    return toGbk("。");
}
} // namespace texts

} // namespace vantor::transfer
