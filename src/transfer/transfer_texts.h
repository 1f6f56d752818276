// The texts a transfer shows (GBK), the file identity and transfer id, and the progress figures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::transfer {

// Upper-case hex MD5 of the file name (without folder) followed by the decimal size.
std::string fileIdentity(std::string_view gbkName, uint64_t size);
// sender + "_" + receiver + "_" + identity + "_" + tick.
std::string transferIdOf(uint32_t senderId, int32_t receiverId, std::string_view identity, uint32_t tick);
// ceil(size / 1280).
uint32_t blockCount(uint64_t size);

// Speed text: "1.5M/S", "12.3K/S", "512B/S".
std::string speedText(uint64_t bytesPerSecond);
// Amount text: "1.5M", "12.3K", "512B".
std::string amountText(uint64_t bytes);

namespace texts {
// All GBK.
std::string duplicate(std::string_view path);
std::string groupSend(std::string_view name);
std::string inUse(std::string_view name);
std::string tooMany();
std::string tooManyCaption();
std::string resuming(std::string_view name);
std::string declinedByPeer(std::string_view name);
std::string failed(std::string_view name);
std::string moving(std::string_view name);
std::string sent(std::string_view name);
std::string cancelledOwn(std::string_view name);
std::string cancelledByPeer(std::string_view name);
std::string declinedOwn(std::string_view name);
std::string stoppedOwn(std::string_view name);
std::string stoppedBy(std::string_view stopper, std::string_view name);
std::string sentOffline(std::string_view name);
std::string groupSendTitle();
// Offline files: the group's line, the sender's history, the receiver's notice and the word back.
std::string groupOfflineDone(std::string_view name);
std::string offlineSentStored(std::string_view name);
std::string offlineReceivedHead(std::string_view name);
std::string offlineTaken(std::string_view name);
// The receiver's completion line before its links: "文件：“name” 接收完毕，您可以 ", " 或 ", "。".
std::string receivedHead(std::string_view name);
std::string receivedOpenFile();
std::string receivedBetween();
std::string receivedOpenDir();
std::string receivedTail();
} // namespace texts

} // namespace vantor::transfer
