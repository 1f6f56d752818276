// The directory: 128-byte entries in a chain of sectors, and per storage a binary search tree of
// its elements in the format's name order.
//
// New elements are added as black leaves and never rotated into place: the format's tree rules
// (black root, no red node under a red node, the name order) hold without rebalancing, and every
// insertion then becomes visible through exactly one 4-byte pointer write. Removal moves at most
// two pointers, ordered so that an interrupted removal never detaches anything.
#include "history/compound_file.h"

#include <cstring>

namespace vantor::history::cfb {

namespace {

bool isAscii(std::u16string_view name) {
    for (char16_t c : name)
        if (c > 0x7F) return false;
    return true;
}

void clearEntry(uint8_t* e) {
    std::memset(e, 0, kEntrySize);
    put32(e + ent::kLeft, kNoEntry);
    put32(e + ent::kRight, kNoEntry);
    put32(e + ent::kChild, kNoEntry);
}

} // namespace

void CompoundFile::loadDirectory() {
    dirChain_ = walkChainToEnd(headerField(hdr::kFirstDirSector), "the directory");
    if (dirChain_.empty()) fail(Error::Corrupt, "the directory is empty");
    entries_.resize(dirChain_.size() * kEntriesPerSector);
    dirLoaded_.assign(dirChain_.size(), false);
    if (typeOf(kRootEntry) != EntryType::Root)
        fail(Error::Corrupt, "the first directory entry is not the root");
}

uint8_t* CompoundFile::entry(EntryId id) {
    if (id >= entries_.size()) fail(Error::Corrupt, "a directory entry number is out of range");
    size_t k = id / kEntriesPerSector;
    if (!dirLoaded_[k]) {
        std::array<uint8_t, kSectorSize> bytes{};
        readAt(sectorOffset(dirChain_[k]), bytes.data(), kSectorSize);
        for (uint32_t i = 0; i < kEntriesPerSector; ++i)
            std::memcpy(entries_[k * kEntriesPerSector + i].data(), bytes.data() + i * kEntrySize,
                        kEntrySize);
        dirLoaded_[k] = true;
    }
    return entries_[id].data();
}

void CompoundFile::writeEntryBytes(EntryId id, size_t offset, size_t n) {
    uint64_t at =
        sectorOffset(dirChain_[id / kEntriesPerSector]) + (id % kEntriesPerSector) * kEntrySize + offset;
    writeAt(at, entry(id) + offset, n);
}

std::u16string CompoundFile::entryName(EntryId id) {
    const uint8_t* e = entry(id);
    uint16_t bytes = get16(e + ent::kNameLength);
    if (bytes > 64 || bytes % 2 != 0) fail(Error::Corrupt, "a directory entry has an impossible name length");
    std::u16string name;
    for (size_t i = 0; i + 1 < bytes / 2u; ++i)
        name.push_back(char16_t(get16(e + 2 * i)));
    return name;
}

EntryType CompoundFile::typeOf(EntryId id) {
    uint8_t type = entry(id)[ent::kType];
    if (type != 0 && type != 1 && type != 2 && type != 5)
        fail(Error::Corrupt, "a directory entry has an unknown type");
    return EntryType(type);
}

std::optional<EntryId> CompoundFile::find(EntryId storage, std::u16string_view name) {
    EntryType type = typeOf(storage);
    if (type != EntryType::Storage && type != EntryType::Root) fail(Error::NotFound, "not a storage");
    EntryId cur = get32(entry(storage) + ent::kChild);
    for (size_t steps = 0; cur != kNoEntry; ++steps) {
        if (steps > entries_.size()) fail(Error::Corrupt, "the directory tree loops");
        int c = compareNames(name, entryName(cur));
        if (c == 0) {
            if (typeOf(cur) == EntryType::Unused)
                fail(Error::Corrupt, "the directory tree holds an unused entry");
            return cur;
        }
        cur = get32(entry(cur) + (c < 0 ? ent::kLeft : ent::kRight));
    }
    // Another writer may upper-case characters beyond our table differently: look at every element.
    if (!isAscii(name))
        for (const ChildInfo& child : children(storage))
            if (compareNames(child.name, name) == 0) return child.id;
    return std::nullopt;
}

std::vector<ChildInfo> CompoundFile::children(EntryId storage) {
    EntryType type = typeOf(storage);
    if (type != EntryType::Storage && type != EntryType::Root) fail(Error::NotFound, "not a storage");
    std::vector<ChildInfo> out;
    std::vector<bool> seen(entries_.size());
    std::vector<EntryId> stack;
    // A node met twice (a loop, or a removal cut short) is visited once.
    auto descend = [&](EntryId id) {
        while (id != kNoEntry) {
            entry(id);
            if (seen[id]) return;
            seen[id] = true;
            stack.push_back(id);
            id = get32(entry(id) + ent::kLeft);
        }
    };
    descend(get32(entry(storage) + ent::kChild));
    while (!stack.empty()) {
        EntryId id = stack.back();
        stack.pop_back();
        EntryType t = typeOf(id);
        if (t == EntryType::Storage || t == EntryType::Stream)
            out.push_back({id, entryName(id), t, t == EntryType::Stream ? get32(entry(id) + ent::kSize) : 0});
        descend(get32(entry(id) + ent::kRight));
    }
    return out;
}

EntryId CompoundFile::createStorage(EntryId parent, std::u16string_view name) {
    return createEntry(parent, name, EntryType::Storage);
}

EntryId CompoundFile::createStream(EntryId parent, std::u16string_view name) {
    return createEntry(parent, name, EntryType::Stream);
}

EntryId CompoundFile::createEntry(EntryId parent, std::u16string_view name, EntryType type) {
    requireWrite();
    if (!validName(name)) fail(Error::InvalidName, "invalid element name");
    if (find(parent, name)) fail(Error::Exists, "an element of that name exists");
    EntryId id = freeEntry();
    uint8_t* e = entry(id);
    clearEntry(e);
    for (size_t i = 0; i < name.size(); ++i)
        put16(e + 2 * i, uint16_t(name[i]));
    put16(e + ent::kNameLength, uint16_t(2 * (name.size() + 1)));
    e[ent::kType] = uint8_t(type);
    e[ent::kColor] = kBlack;
    put32(e + ent::kStart, type == EntryType::Stream ? kEndOfChain : 0);
    writeEntryBytes(id, 0, kEntrySize);
    barrier();
    // Hang it under the leaf where the search ends.
    EntryId holder = parent;
    size_t field = ent::kChild;
    EntryId cur = get32(entry(parent) + ent::kChild);
    for (size_t steps = 0; cur != kNoEntry; ++steps) {
        if (steps > entries_.size()) fail(Error::Corrupt, "the directory tree loops");
        int c = compareNames(name, entryName(cur));
        if (c == 0) fail(Error::Corrupt, "the directory tree is out of order");
        holder = cur;
        field = c < 0 ? ent::kLeft : ent::kRight;
        cur = get32(entry(cur) + field);
    }
    setPointer(holder, field, id);
    barrier();
    return id;
}

EntryId CompoundFile::freeEntry() {
    for (EntryId id = 1; id < entries_.size(); ++id)
        if (typeOf(id) == EntryType::Unused) return id;
    // A new directory sector: written empty, then linked to the end of the directory chain.
    uint32_t sector = allocateSectors(1).front();
    std::array<uint8_t, kSectorSize> bytes{};
    for (uint32_t i = 0; i < kEntriesPerSector; ++i)
        clearEntry(bytes.data() + i * kEntrySize);
    writeAt(sectorOffset(sector), bytes.data(), kSectorSize);
    setFatEntries({{sector, kEndOfChain}});
    barrier();
    setFatEntries({{dirChain_.back(), sector}});
    EntryId first = EntryId(entries_.size());
    dirChain_.push_back(sector);
    dirLoaded_.push_back(true);
    for (uint32_t i = 0; i < kEntriesPerSector; ++i) {
        entries_.emplace_back();
        std::memcpy(entries_.back().data(), bytes.data() + i * kEntrySize, kEntrySize);
    }
    return first;
}

void CompoundFile::setPointer(EntryId holder, size_t field, EntryId target) {
    put32(entry(holder) + field, target);
    writeEntryBytes(holder, field, 4);
}

void CompoundFile::makeBlack(EntryId id) {
    uint8_t* e = entry(id);
    if (e[ent::kColor] == kBlack) return;
    e[ent::kColor] = kBlack;
    writeEntryBytes(id, ent::kColor, 1);
}

// Takes `node` out of its storage's tree. Recolouring to black comes first (it can never break
// the rules); the pointer that detaches `node` is the last write.
void CompoundFile::unlink(EntryId parent, EntryId node) {
    std::u16string name = entryName(node);
    EntryId holder = parent;
    size_t field = ent::kChild;
    EntryId cur = get32(entry(parent) + ent::kChild);
    for (size_t steps = 0; cur != node; ++steps) {
        if (cur == kNoEntry || steps > entries_.size())
            fail(Error::Corrupt, "an element is missing from its tree");
        int c = compareNames(name, entryName(cur));
        if (c == 0) fail(Error::Corrupt, "two elements share a name");
        holder = cur;
        field = c < 0 ? ent::kLeft : ent::kRight;
        cur = get32(entry(cur) + field);
    }
    EntryId left = get32(entry(node) + ent::kLeft);
    EntryId right = get32(entry(node) + ent::kRight);
    if (left == kNoEntry || right == kNoEntry) {
        EntryId only = left == kNoEntry ? right : left;
        if (only != kNoEntry) makeBlack(only);
        setPointer(holder, field, only);
        return;
    }
    // Two subtrees: the left one goes under the smallest node of the right one, then the right
    // one takes the node's place. Stopping at `left` resumes a removal that was cut short between
    // those two writes (the left subtree is then reachable twice, but nothing is lost).
    EntryId smallest = right;
    for (size_t steps = 0;; ++steps) {
        EntryId next = get32(entry(smallest) + ent::kLeft);
        if (next == kNoEntry || next == left) break;
        if (steps > entries_.size()) fail(Error::Corrupt, "the directory tree loops");
        smallest = next;
    }
    if (get32(entry(smallest) + ent::kLeft) != left) {
        makeBlack(left);
        setPointer(smallest, ent::kLeft, left);
    }
    makeBlack(right);
    setPointer(holder, field, right);
}

void CompoundFile::destroyOne(EntryId parent, EntryId node) {
    // What to free is worked out before the entry goes; a damaged chain is left allocated.
    std::vector<uint32_t> chain;
    bool mini = false;
    if (typeOf(node) == EntryType::Stream) {
        try {
            StreamState& st = stream(node);
            chain = chainFrom(st, 0);
            mini = st.mini;
        } catch (const Failure& f) {
            if (f.error() != Error::Corrupt) throw;
        }
    }
    unlink(parent, node);
    barrier();
    clearEntry(entry(node));
    writeEntryBytes(node, 0, kEntrySize);
    streams_.erase(node);
    std::erase(dirty_, node);
    freeLater(chain, mini);
}

void CompoundFile::destroy(EntryId parent, std::u16string_view name) {
    requireWrite();
    std::optional<EntryId> found = find(parent, name);
    if (!found) fail(Error::NotFound, "no element of that name");
    // A storage is emptied from the bottom up, one element at a time (no recursion on file data).
    std::vector<std::pair<EntryId, EntryId>> stack{{parent, *found}};
    std::vector<bool> seen(entries_.size());
    seen[*found] = true;
    while (!stack.empty()) {
        auto [holder, node] = stack.back();
        if (typeOf(node) == EntryType::Storage) {
            EntryId child = get32(entry(node) + ent::kChild);
            if (child != kNoEntry) {
                entry(child);
                if (seen[child]) fail(Error::Corrupt, "the directory tree loops");
                seen[child] = true;
                stack.push_back({node, child});
                continue;
            }
        }
        destroyOne(holder, node);
        stack.pop_back();
    }
    commit();
}

} // namespace vantor::history::cfb
