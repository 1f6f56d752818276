// Stream contents: reading at an offset, appending and shortening. Streams below 4096 bytes live
// in 64-byte mini sectors inside the mini stream (the root entry's own chain of sectors).
//
// An append writes the new bytes where no committed size reaches yet, then their FAT entries,
// then the link from the old last sector; the new size is written by commit(), after a flush.
#include "history/compound_file.h"

#include <algorithm>

namespace vantor::history::cfb {

CompoundFile::StreamState& CompoundFile::stream(EntryId id) {
    if (auto it = streams_.find(id); it != streams_.end()) return it->second;
    EntryType type = typeOf(id);
    if (type != (id == kRootEntry ? EntryType::Root : EntryType::Stream))
        fail(Error::NotFound, "not a stream");
    const uint8_t* e = entry(id);
    StreamState st;
    st.start = get32(e + ent::kStart);
    st.size = get32(e + ent::kSize); // version 3: the high half is not part of the size
    st.mini = id != kRootEntry && st.size < kMiniStreamCutoff;
    const uint64_t unit = st.mini ? kMiniSectorSize : kSectorSize;
    const uint64_t length = (st.size + unit - 1) / unit;
    uint64_t limit = fileSectors_;
    if (st.mini) {
        loadMiniFat();
        limit = (stream(kRootEntry).size + kMiniSectorSize - 1) / kMiniSectorSize;
    }
    if (length > limit) fail(Error::Corrupt, "a stream is larger than the space that holds it");
    st.length = size_t(length);
    StreamState& kept = streams_.emplace(id, std::move(st)).first->second;
    if (!kept.mini && !recalled_.empty()) adoptMemo(id, kept);
    return kept;
}

// Takes the chain an earlier open walked when the entry still names the same start and size and
// the chain still ends where it ended; anything else and every memo of the file is dropped.
void CompoundFile::adoptMemo(EntryId id, StreamState& st) {
    const auto it = recalled_.find(id);
    if (it == recalled_.end()) return;
    const ChainMemo& m = it->second;
    const bool same = m.start == st.start && m.size == st.size && m.length == st.length && m.length > 0 &&
                      m.marks.size() == (m.length + kMarkEvery - 1) / kMarkEvery &&
                      m.marks.front() == m.start && m.last < fileSectors_ && fatEntry(m.last) == kEndOfChain;
    if (!same) {
        recalled_.clear();
        forgetChains(memoPath_);
        return;
    }
    st.walked = m.length;
    st.last = m.last;
    st.marks = m.marks;
    noteChainRecalled();
}

uint32_t CompoundFile::sectorAt(StreamState& st, size_t index) {
    if (index >= st.length) fail(Error::Corrupt, "a stream is read past its chain");
    if (index < st.walked) { // known: step on from the cursor or the nearest mark
        if (index == st.walked - 1) return st.last;
        size_t from = index / kMarkEvery * kMarkEvery;
        uint32_t s = st.marks[index / kMarkEvery];
        if (st.cursorSector != kEndOfChain && st.cursor <= index && st.cursor >= from) {
            from = st.cursor;
            s = st.cursorSector;
        }
        for (; from < index; ++from)
            s = next(st, s);
        st.cursor = index;
        st.cursorSector = s;
        return s;
    }
    if (st.seen.empty())
        st.seen.resize(st.mini ? size_t((stream(kRootEntry).size + kMiniSectorSize - 1) / kMiniSectorSize)
                               : size_t(fileSectors_));
    uint32_t s = st.walked == 0 ? st.start : next(st, st.last);
    for (;;) {
        if (s == kEndOfChain) fail(Error::Corrupt, "a stream is larger than its chain");
        if (s >= st.seen.size()) fail(Error::Corrupt, "a stream's chain runs past the end");
        if (st.seen[s]) fail(Error::Corrupt, "a stream's chain loops");
        st.seen[s] = true;
        if (st.walked % kMarkEvery == 0) st.marks.push_back(s);
        st.last = s;
        if (++st.walked > index) return s;
        s = next(st, s);
    }
}

void CompoundFile::walkAll(StreamState& st) {
    if (st.length > st.walked) sectorAt(st, st.length - 1);
}

std::vector<uint32_t> CompoundFile::chainFrom(StreamState& st, size_t index) {
    std::vector<uint32_t> out;
    if (index >= st.length) return out;
    walkAll(st);
    out.reserve(st.length - index);
    for (uint32_t s = sectorAt(st, index); out.push_back(s), out.size() < st.length - index;)
        s = next(st, s);
    return out;
}

// Notes sectors that were just linked after the end of the chain.
void CompoundFile::extendChain(StreamState& st, const std::vector<uint32_t>& fresh) {
    for (uint32_t s : fresh) {
        if (st.walked % kMarkEvery == 0) st.marks.push_back(s);
        st.last = s;
        ++st.walked;
    }
    st.length = st.walked;
}

uint64_t CompoundFile::streamSize(EntryId id) {
    return stream(id).size;
}

uint64_t CompoundFile::miniOffset(uint32_t mini) {
    StreamState& root = stream(kRootEntry);
    uint64_t at = uint64_t(mini) * kMiniSectorSize;
    if (at / kSectorSize >= root.length) fail(Error::Corrupt, "a mini sector lies past the mini stream");
    return sectorOffset(sectorAt(root, size_t(at / kSectorSize))) + at % kSectorSize;
}

// Reads n bytes from `offset`, one read per run of adjacent sectors.
void CompoundFile::readRuns(StreamState& st, uint64_t offset, uint8_t* out, size_t n) {
    const uint64_t unit = st.mini ? kMiniSectorSize : kSectorSize;
    uint64_t runAt = 0;
    size_t runLength = 0;
    uint8_t* runOut = out;
    while (n > 0) {
        size_t index = size_t(offset / unit);
        uint64_t within = offset % unit;
        size_t take = size_t(std::min<uint64_t>(unit - within, n));
        uint32_t sector = sectorAt(st, index);
        uint64_t at = (st.mini ? miniOffset(sector) : sectorOffset(sector)) + within;
        if (runLength > 0 && runAt + runLength == at) {
            runLength += take;
        } else {
            if (runLength > 0) readAt(runAt, runOut, runLength);
            runOut += runLength;
            runAt = at;
            runLength = take;
        }
        offset += take;
        n -= take;
    }
    if (runLength > 0) readAt(runAt, runOut, runLength);
}

size_t CompoundFile::read(EntryId id, uint64_t offset, std::span<uint8_t> out) {
    if (id == kRootEntry) fail(Error::NotFound, "the root entry is not a stream");
    StreamState& st = stream(id);
    if (offset >= st.size) return 0;
    size_t n = size_t(std::min<uint64_t>(out.size(), st.size - offset));
    readRuns(st, offset, out.data(), n);
    return n;
}

// Writes `data` at `offset` of a stream kept in whole sectors (or the mini stream itself),
// growing its chain when the bytes reach past its last sector.
void CompoundFile::writeRegular(EntryId id, StreamState& st, uint64_t offset, std::span<const uint8_t> data) {
    const uint64_t end = offset + data.size();
    if (end > kMaxStreamSize) fail(Error::TooLarge, "a stream would pass the format's size limit");
    walkAll(st);
    const uint64_t capacity = st.length * uint64_t(kSectorSize);
    for (uint64_t pos = offset; pos < std::min(end, capacity);) {
        uint64_t within = pos % kSectorSize;
        size_t take = size_t(std::min<uint64_t>(kSectorSize - within, std::min(end, capacity) - pos));
        writeAt(sectorOffset(sectorAt(st, size_t(pos / kSectorSize))) + within, data.data() + (pos - offset),
                take);
        pos += take;
    }
    if (end > capacity) {
        size_t count = size_t((end - capacity + kSectorSize - 1) / kSectorSize);
        std::vector<uint32_t> fresh = allocateSectors(count);
        std::vector<uint8_t> bytes(count * kSectorSize, 0);
        uint64_t from = std::max(offset, capacity);
        std::copy(data.begin() + ptrdiff_t(from - offset), data.end(),
                  bytes.begin() + ptrdiff_t(from - capacity));
        for (size_t i = 0; i < count;) {
            size_t j = i + 1;
            while (j < count && fresh[j] == fresh[j - 1] + 1)
                ++j;
            writeAt(sectorOffset(fresh[i]), bytes.data() + i * kSectorSize, (j - i) * kSectorSize);
            i = j;
        }
        linkChain(fresh, false);
        if (st.length == 0)
            st.start = fresh.front();
        else
            setFatEntries({{st.last, fresh.front()}});
        extendChain(st, fresh);
    }
    st.size = std::max(st.size, end);
    markDirty(id);
}

// Appends to a stream that stays below the cutoff.
void CompoundFile::appendMini(EntryId id, StreamState& st, std::span<const uint8_t> data) {
    walkAll(st);
    const uint64_t capacity = st.length * uint64_t(kMiniSectorSize);
    size_t done = 0;
    if (st.size < capacity) {
        done = size_t(std::min<uint64_t>(data.size(), capacity - st.size));
        writeAt(miniOffset(st.last) + st.size % kMiniSectorSize, data.data(), done);
    }
    if (done < data.size()) {
        size_t count = (data.size() - done + kMiniSectorSize - 1) / kMiniSectorSize;
        uint32_t firstNew = 0;
        std::vector<uint32_t> fresh = allocateMiniSectors(count, firstNew);
        std::vector<uint8_t> bytes(count * kMiniSectorSize, 0);
        std::copy(data.begin() + ptrdiff_t(done), data.end(), bytes.begin());
        for (size_t i = 0; i < count;) {
            if (fresh[i] < firstNew) { // a free mini sector inside the mini stream
                writeAt(miniOffset(fresh[i]), bytes.data() + i * kMiniSectorSize, kMiniSectorSize);
                ++i;
                continue;
            }
            // New mini sectors are consecutive: they grow the mini stream in one write.
            size_t j = i + 1;
            while (j < count && fresh[j] == fresh[j - 1] + 1)
                ++j;
            writeRegular(kRootEntry, stream(kRootEntry), uint64_t(fresh[i]) * kMiniSectorSize,
                         std::span(bytes.data() + i * kMiniSectorSize, (j - i) * kMiniSectorSize));
            i = j;
        }
        linkChain(fresh, true);
        if (st.length == 0)
            st.start = fresh.front();
        else
            setMiniFatEntries({{st.last, fresh.front()}});
        extendChain(st, fresh);
    }
    st.size += data.size();
    markDirty(id);
}

void CompoundFile::append(EntryId id, std::span<const uint8_t> data) {
    requireWrite();
    if (id == kRootEntry) fail(Error::NotFound, "the root entry is not a stream");
    StreamState& st = stream(id);
    if (data.empty()) return;
    const uint64_t size = st.size + data.size();
    if (size > kMaxStreamSize) fail(Error::TooLarge, "a stream would pass the format's size limit");
    if (size < kMiniStreamCutoff) {
        st.mini = true;
        appendMini(id, st, data);
    } else if (st.size == 0 || !st.mini) {
        st.mini = false;
        writeRegular(id, st, st.size, data);
    } else {
        // Leaving the mini stream: a full copy in sectors; the entry moves over in one write at
        // commit(), and only then are the old mini sectors freed.
        std::vector<uint8_t> bytes(size_t(st.size));
        readRuns(st, 0, bytes.data(), bytes.size());
        bytes.insert(bytes.end(), data.begin(), data.end());
        freeLater(chainFrom(st, 0), true);
        st = StreamState{};
        writeRegular(id, st, 0, bytes);
    }
}

void CompoundFile::truncate(EntryId id, uint64_t size) {
    requireWrite();
    if (id == kRootEntry) fail(Error::NotFound, "the root entry is not a stream");
    StreamState& st = stream(id);
    if (size >= st.size) return;
    walkAll(st);
    commit();
    if (size == 0 || (!st.mini && size < kMiniStreamCutoff)) {
        // Rebuilt as a new (mini) chain; the old one is freed once the entry has moved.
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        readRuns(st, 0, bytes.data(), bytes.size());
        freeLater(chainFrom(st, 0), st.mini);
        st = StreamState{};
        st.mini = true;
        if (size > 0)
            appendMini(id, st, bytes);
        else
            markDirty(id);
        commit();
        return;
    }
    // Same kind of chain: the shorter size goes first, then the chain is cut after it.
    const uint64_t unit = st.mini ? kMiniSectorSize : kSectorSize;
    const size_t keep = size_t((size + unit - 1) / unit);
    std::vector<uint32_t> cut = chainFrom(st, keep);
    const uint32_t newLast = sectorAt(st, keep - 1);
    st.size = size;
    markDirty(id);
    commit();
    st.length = st.walked = keep;
    st.last = newLast;
    st.marks.resize((keep + kMarkEvery - 1) / kMarkEvery);
    st.cursor = 0;
    st.cursorSector = st.marks.front();
    if (cut.empty()) return;
    if (st.mini)
        setMiniFatEntries({{newLast, kEndOfChain}});
    else
        setFatEntries({{newLast, kEndOfChain}});
    freeLater(cut, st.mini);
    freePending();
}

void CompoundFile::markDirty(EntryId id) {
    if (std::find(dirty_.begin(), dirty_.end(), id) == dirty_.end()) dirty_.push_back(id);
}

} // namespace vantor::history::cfb
