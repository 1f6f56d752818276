// RecvFiles.db in the account's History folder: one 309-byte record appended per received file.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::transfer {

struct ReceivedFileRecord {
    static constexpr size_t kSize = 309;
    std::string senderName; // text[20], GBK
    std::string path;       // text[255], GBK
    uint64_t size = 0;
    double receivedAt = 0; // day count

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.skip(16);
        io.text(20, r.senderName);
        io.text(255, r.path);
        io.u64(r.size);
        io.f64(r.receivedAt);
    }
};

// Appends one record; false when the file cannot be written.
bool appendReceivedFile(const std::string& historyFolder, const ReceivedFileRecord& record);
// Every whole record of the file (a torn tail is left out).
std::vector<ReceivedFileRecord> readReceivedFiles(const std::string& historyFolder);

} // namespace vantor::transfer
