#include "transfer/recv_files.h"

#include <fstream>
#include <iterator>

namespace vantor::transfer {

namespace {
std::string fileOf(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder + "RecvFiles.db";
    return folder + "/RecvFiles.db";
}
} // namespace

bool appendReceivedFile(const std::string& historyFolder, const ReceivedFileRecord& record) {
    std::ofstream out(fileOf(historyFolder), std::ios::binary | std::ios::app);
    if (!out) return false;
    const std::string bytes = wire::encode(record);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out.flush());
}

std::vector<ReceivedFileRecord> readReceivedFiles(const std::string& historyFolder) {
    std::ifstream in(fileOf(historyFolder), std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<ReceivedFileRecord> out;
    for (size_t at = 0; at + ReceivedFileRecord::kSize <= all.size(); at += ReceivedFileRecord::kSize) {
        ReceivedFileRecord r;
        if (wire::decode(std::string_view(all).substr(at, ReceivedFileRecord::kSize), r)) out.push_back(r);
    }
    return out;
}

} // namespace vantor::transfer
