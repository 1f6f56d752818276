// Feeds arbitrary bytes to the message store as MsgDB.Dat in the History folder: reading pages,
// storing and deleting must report a status for every input, never crash or throw. The account
// and the conversations come from the file itself (its "<id>Data" storage and the "<key>i" index
// streams in it), so that a mutated store keeps reaching the store's own code; without them the
// account 1234 and partner 205 of the seeds are used. An empty input is a missing file.
#include "history/compound_file.h"
#include "history/message_store.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vantor::history;

namespace {

std::string narrow(const std::u16string& name) {
    std::string s;
    for (char16_t c : name)
        s.push_back(c < 0x80 ? char(c) : '?');
    return s;
}

bool digits(std::string_view s) {
    if (!s.empty() && s.front() == '-') s.remove_prefix(1);
    return !s.empty() && s.size() <= 10 && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// The account whose storage the file holds and up to three conversation keys in it.
void whoIsInside(const std::filesystem::path& path, int32_t& account, std::vector<std::string>& keys) {
    try {
        cfb::CompoundFile file =
            cfb::CompoundFile::open(path, cfb::CompoundFile::Access::Read, {.durable = false, .lock = false});
        for (const cfb::ChildInfo& child : file.children(cfb::kRootEntry)) {
            const std::string name = narrow(child.name);
            if (child.type != cfb::EntryType::Storage || name.size() < 5 || !name.ends_with("Data")) continue;
            const std::string id = name.substr(0, name.size() - 4);
            if (!digits(id)) continue;
            account = int32_t(std::stoll(id));
            for (const cfb::ChildInfo& s : file.children(child.id)) {
                const std::string stream = narrow(s.name);
                if (stream.size() > 1 && stream.back() == 'i' && keys.size() < 3)
                    keys.push_back(stream.substr(0, stream.size() - 1));
            }
            return;
        }
    } catch (const cfb::Failure&) {
    }
}

// A record of `text` bytes that the account received from the conversation's partner (205 when
// the key is not a colleague's id).
std::string recordFor(int32_t account, const std::string& key, size_t text) {
    std::string record(kRecordHeadSize + text, 'r');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            record[at + i] = char(v >> (8 * i));
    };
    put32(0, uint32_t(account));
    put32(4, digits(key) ? uint32_t(std::stoll(key)) : 205);
    put32(8, uint32_t(text));
    record[74] = 0;
    return record;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                                ("vantor-store-fuzz-" + std::to_string(::getpid())) /
                                                "History";
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / kStoreFileName;
    // An empty input stands for no file at all: the store then creates one.
    std::filesystem::remove(path);
    if (size > 0)
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), std::streamsize(size));

    int32_t account = 1234;
    std::vector<std::string> keys;
    whoIsInside(path, account, keys);
    if (keys.empty()) keys.push_back("205");
    const StoreLocation store{folder, account, false};
    for (const std::string& key : keys)
        for (int page : {0, 1, 2, -1})
            ReadHistoryPage(store, key, page);
    const std::string& key = keys.front();
    StoreMessageRecord(store, recordFor(account, key, size % 40));
    ReadHistoryPage(store, key, 0);
    DeleteConversation(store, keys.back());
    ReadHistoryPage(store, keys.back(), 0);
    return 0;
}
