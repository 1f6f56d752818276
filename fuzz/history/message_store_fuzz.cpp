// Feeds arbitrary bytes to the message store as MsgDB.Dat: reading pages, storing and deleting
// must report a status for every input, never crash or throw.
#include "history/message_store.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace vantor::history;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                                ("vantor-store-fuzz-" + std::to_string(::getpid())) /
                                                "History";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / kStoreFileName, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    const StoreLocation store{folder, 1234, false};
    for (int page : {0, 1, 2, -1})
        ReadHistoryPage(store, "205", page);
    std::string record(88 + 16, 'r');
    record.replace(0, 12, std::string("\xCD\x00\x00\x00\xD2\x04\x00\x00\x10\x00\x00\x00", 12));
    record[74] = 0;
    StoreMessageRecord(store, record);
    ReadHistoryPage(store, "205", 0);
    DeleteConversation(store, "205");
    return 0;
}
