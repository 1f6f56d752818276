// Feeds arbitrary bytes to the compound-file engine as a file: open it, walk every storage, read
// every stream, then append, create and destroy. Any outcome but cfb::Failure is a bug (a crash,
// a sanitizer report, a hang, another exception).
#include "history/compound_file.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace vantor::history::cfb;

namespace {

void walk(CompoundFile& file, EntryId storage, int depth, std::vector<EntryId>& streams) {
    if (depth > 8) return;
    for (const ChildInfo& child : file.children(storage)) {
        if (child.type == EntryType::Storage) {
            walk(file, child.id, depth + 1, streams);
            continue;
        }
        streams.push_back(child.id);
        std::vector<uint8_t> bytes(4096);
        for (uint64_t at = 0; at < file.streamSize(child.id) && at < (1u << 20); at += bytes.size())
            file.read(child.id, at, bytes);
        file.read(child.id, file.streamSize(child.id) / 2, bytes);
    }
    file.find(storage, u"205d");
}

template <class F>
void attempt(F&& step) {
    try {
        step();
    } catch (const Failure&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int fd = ::memfd_create("cfb", 0);
    if (fd < 0 || ::write(fd, data, size) != ssize_t(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const CompoundFile::Options options{.durable = false, .lock = false};
    attempt([&] {
        CompoundFile file = CompoundFile::open(path, CompoundFile::Access::Write, options);
        std::vector<EntryId> streams;
        walk(file, kRootEntry, 0, streams);
        const std::vector<uint8_t> more(size % 5000, 0x5A);
        for (EntryId id : streams) {
            attempt([&] { file.append(id, more); });
            attempt([&] { file.truncate(id, file.streamSize(id) / 3); });
        }
        attempt([&] { file.append(file.createStream(kRootEntry, u"new"), more); });
        attempt([&] { file.createStorage(kRootEntry, u"1234Data"); });
        file.commit();
        for (const ChildInfo& child : file.children(kRootEntry))
            attempt([&] { file.destroy(kRootEntry, child.name); });
    });
    // Whatever the steps above left behind must still be handled without a crash.
    attempt([&] {
        CompoundFile again = CompoundFile::open(path, CompoundFile::Access::Read, options);
        std::vector<EntryId> streams;
        walk(again, kRootEntry, 0, streams);
    });
    ::close(fd);
    return 0;
}
