// Sector bookkeeping: the FAT (located through the header and the DIFAT chain), the mini FAT,
// walking chains with loop and range checks, and handing out and freeing sectors.
//
// FAT sectors are read on demand and kept for the life of the open file; nothing is cached
// across opens, because another program may change the file in between.
#include "history/compound_file.h"

#include <algorithm>

namespace vantor::history::cfb {

namespace {

constexpr uint32_t kFatRun = 16; // FAT sectors added at a time: 1 MB of file per run

void decodeIds(const uint8_t* bytes, uint32_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i)
        out[i] = get32(bytes + 4 * i);
}

std::array<uint8_t, kSectorSize> encodeIds(const uint32_t* ids) {
    std::array<uint8_t, kSectorSize> bytes{};
    for (size_t i = 0; i < kIdsPerSector; ++i)
        put32(bytes.data() + 4 * i, ids[i]);
    return bytes;
}

} // namespace

void CompoundFile::loadFatLocations() {
    uint32_t count = headerField(hdr::kFatSectorCount);
    if (count == 0 || count > fileSectors_) fail(Error::Corrupt, "impossible number of FAT sectors");
    auto take = [&](uint32_t sector) {
        if (sector >= fileSectors_) fail(Error::Corrupt, "a FAT sector lies past the end of the file");
        fatLocations_.push_back(sector);
    };
    for (uint32_t i = 0; i < std::min(count, kHeaderDifatSlots); ++i)
        take(headerField(hdr::kDifat + 4 * i));
    if (count > kHeaderDifatSlots) {
        // Exactly as many DIFAT sectors as the FAT needs; the link after the last one is not
        // followed (a DIFAT sector whose growth did not reach the header may hang there).
        uint32_t needed = (count - kHeaderDifatSlots + kDifatSlotsPerSector - 1) / kDifatSlotsPerSector;
        if (headerField(hdr::kDifatSectorCount) != needed) fail(Error::Corrupt, "DIFAT count does not fit");
        std::vector<bool> seen(fileSectors_);
        uint32_t sector = headerField(hdr::kFirstDifatSector);
        std::array<uint8_t, kSectorSize> bytes{};
        for (uint32_t k = 0; k < needed; ++k) {
            if (sector >= fileSectors_ || seen[sector]) fail(Error::Corrupt, "the DIFAT chain is broken");
            seen[sector] = true;
            difatLocations_.push_back(sector);
            readAt(sectorOffset(sector), bytes.data(), kSectorSize);
            for (uint32_t j = 0; j < kDifatSlotsPerSector && fatLocations_.size() < count; ++j)
                take(get32(bytes.data() + 4 * j));
            sector = get32(bytes.data() + 4 * kDifatSlotsPerSector);
        }
    }
    fat_ = std::make_unique_for_overwrite<uint32_t[]>(size_t(count) * kIdsPerSector);
    fatLoaded_.assign(count, 0);
}

uint32_t CompoundFile::loadFatEntry(uint32_t sector) {
    size_t k = sector / kIdsPerSector;
    if (k >= fatLocations_.size()) fail(Error::Corrupt, "a sector lies outside the FAT");
    if (!fatLoaded_[k]) {
        // One read for the run of FAT sectors that lie next to each other in the file.
        size_t end = k + 1;
        while (end < fatLocations_.size() && end - k < 64 && !fatLoaded_[end] &&
               fatLocations_[end] == fatLocations_[end - 1] + 1)
            ++end;
        std::vector<uint8_t> bytes((end - k) * kSectorSize);
        readAt(sectorOffset(fatLocations_[k]), bytes.data(), bytes.size());
        uint32_t* ids = fat_.get() + k * kIdsPerSector;
        for (size_t i = 0; i < (end - k) * kIdsPerSector; ++i) {
            ids[i] = get32(bytes.data() + 4 * i);
            uint32_t s = uint32_t(k * kIdsPerSector + i);
            if (ids[i] == kFreeSector && s < fileSectors_) freeSectors_.insert(s);
        }
        std::fill(fatLoaded_.begin() + ptrdiff_t(k), fatLoaded_.begin() + ptrdiff_t(end), 1);
    }
    return fat_[sector];
}

void CompoundFile::setFatEntries(const std::vector<std::pair<uint32_t, uint32_t>>& changes) {
    std::vector<size_t> touched;
    for (auto [sector, value] : changes) {
        fatEntry(sector);
        fat_[sector] = value;
        if (value == kFreeSector && sector < fileSectors_)
            freeSectors_.insert(sector);
        else
            freeSectors_.erase(sector);
        touched.push_back(sector / kIdsPerSector);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (size_t k : touched) {
        auto bytes = encodeIds(fat_.get() + k * kIdsPerSector);
        writeAt(sectorOffset(fatLocations_[k]), bytes.data(), kSectorSize);
    }
}

std::vector<uint32_t> CompoundFile::walkChain(uint32_t start, uint64_t count, const char* what) {
    if (count > fileSectors_) fail(Error::Corrupt, std::string(what) + " is larger than the file");
    std::vector<uint32_t> chain;
    chain.reserve(size_t(count));
    std::vector<bool> seen(fileSectors_);
    uint32_t sector = start;
    for (uint64_t i = 0; i < count; ++i) {
        if (sector == kEndOfChain) fail(Error::Corrupt, std::string(what) + " is larger than its chain");
        if (sector >= fileSectors_)
            fail(Error::Corrupt, std::string(what) + " runs past the end of the file");
        if (seen[sector]) fail(Error::Corrupt, std::string(what) + " loops");
        seen[sector] = true;
        chain.push_back(sector);
        if (i + 1 < count) sector = fatEntry(sector);
    }
    return chain;
}

std::vector<uint32_t> CompoundFile::walkChainToEnd(uint32_t start, const char* what) {
    std::vector<uint32_t> chain;
    std::vector<bool> seen(fileSectors_);
    for (uint32_t sector = start; sector != kEndOfChain; sector = fatEntry(sector)) {
        if (sector >= fileSectors_)
            fail(Error::Corrupt, std::string(what) + " runs past the end of the file");
        if (seen[sector]) fail(Error::Corrupt, std::string(what) + " loops");
        seen[sector] = true;
        chain.push_back(sector);
    }
    return chain;
}

// Free sectors inside the file come first (from the FAT sectors read so far); the rest are added
// at the end of the file. Handed-out sectors are marked as chain ends in memory only: the caller
// writes their contents and then their FAT entries.
std::vector<uint32_t> CompoundFile::allocateSectors(size_t n) {
    requireWrite();
    std::vector<uint32_t> out;
    while (out.size() < n && !freeSectors_.empty()) {
        uint32_t s = *freeSectors_.begin();
        freeSectors_.erase(freeSectors_.begin());
        if (fat_[s] != kFreeSector) continue;
        fat_[s] = kEndOfChain;
        out.push_back(s);
    }
    while (out.size() < n) {
        uint32_t s = fileSectors_;
        if (s >= kMaxRegularSector - 2) fail(Error::TooLarge, "the file has reached the format's size limit");
        if (s / kIdsPerSector >= fatLocations_.size() || !fatMarks_.empty()) {
            addFatSectors(kFatRun);
            continue;
        }
        fatEntry(s); // reads its FAT sector before the reservation is noted
        fat_[s] = kEndOfChain;
        ++fileSectors_;
        out.push_back(s);
    }
    return out;
}

// FAT sectors are added at the end of the file in runs (with a DIFAT sector in front of the
// first one whenever the last DIFAT sector is full), so that opening a large file reads its FAT
// in a few long reads. Their contents and DIFAT slots are written first; the header, which makes
// them count, last.
void CompoundFile::addFatSectors(uint32_t count) {
    const uint32_t before = uint32_t(fatLocations_.size());
    auto grown = std::make_unique_for_overwrite<uint32_t[]>(size_t(before + count) * kIdsPerSector);
    for (uint32_t k = 0; k < before; ++k)
        if (fatLoaded_[k])
            std::copy_n(fat_.get() + size_t(k) * kIdsPerSector, kIdsPerSector,
                        grown.get() + size_t(k) * kIdsPerSector);
    fat_ = std::move(grown);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t n = uint32_t(fatLocations_.size());
        bool newDifat = n >= kHeaderDifatSlots && (n - kHeaderDifatSlots) % kDifatSlotsPerSector == 0;
        uint32_t difat = newDifat ? fileSectors_++ : kFreeSector;
        uint32_t sector = fileSectors_++;
        if (newDifat) fatMarks_.push_back({difat, kDifatSector});
        fatMarks_.push_back({sector, kFatSector});
        fatLocations_.push_back(sector);
        std::fill_n(fat_.get() + size_t(n) * kIdsPerSector, kIdsPerSector, kFreeSector);
        fatLoaded_.push_back(1);
        if (newDifat) {
            std::vector<uint32_t> slots(kIdsPerSector, kFreeSector);
            slots[0] = sector;
            slots[kDifatSlotsPerSector] = kEndOfChain;
            auto d = encodeIds(slots.data());
            writeAt(sectorOffset(difat), d.data(), kSectorSize);
            if (!difatLocations_.empty()) {
                uint8_t link[4];
                put32(link, difat);
                writeAt(sectorOffset(difatLocations_.back()) + 4 * kDifatSlotsPerSector, link, 4);
            }
            difatLocations_.push_back(difat);
        } else if (n >= kHeaderDifatSlots) {
            uint8_t slot[4];
            put32(slot, sector);
            writeAt(sectorOffset(difatLocations_.back()) +
                        4 * ((n - kHeaderDifatSlots) % kDifatSlotsPerSector),
                    slot, 4);
        }
    }
    // The FAT marks its own sectors; a mark beyond its reach (only after trailing junk) waits.
    const uint32_t coverage = uint32_t(fatLocations_.size()) * kIdsPerSector;
    std::vector<std::pair<uint32_t, uint32_t>> older, later;
    for (auto mark : fatMarks_) {
        if (mark.first >= coverage)
            later.push_back(mark);
        else if (mark.first >= before * kIdsPerSector)
            fat_[mark.first] = mark.second;
        else
            older.push_back(mark);
    }
    fatMarks_ = later;
    for (uint32_t k = before; k < fatLocations_.size(); ++k) {
        auto bytes = encodeIds(fat_.get() + size_t(k) * kIdsPerSector);
        writeAt(sectorOffset(fatLocations_[k]), bytes.data(), kSectorSize);
        for (uint32_t s = k * kIdsPerSector; s < (k + 1) * kIdsPerSector && s < fileSectors_; ++s)
            if (fat_[s] == kFreeSector) freeSectors_.insert(s);
    }
    if (!older.empty()) setFatEntries(older);
    barrier();
    for (uint32_t k = before; k < std::min<uint32_t>(uint32_t(fatLocations_.size()), kHeaderDifatSlots); ++k)
        setHeaderField(hdr::kDifat + 4 * k, fatLocations_[k]);
    setHeaderField(hdr::kFatSectorCount, uint32_t(fatLocations_.size()));
    if (!difatLocations_.empty()) {
        setHeaderField(hdr::kFirstDifatSector, difatLocations_.front());
        setHeaderField(hdr::kDifatSectorCount, uint32_t(difatLocations_.size()));
    }
    writeHeader();
}

void CompoundFile::loadMiniFat() {
    if (miniLoaded_) return;
    uint32_t count = headerField(hdr::kMiniFatSectorCount);
    if (count > 0)
        miniFatLocations_ = walkChain(headerField(hdr::kFirstMiniFatSector), count, "the mini FAT");
    miniFat_.assign(size_t(count) * kIdsPerSector, kFreeSector);
    miniFatLoaded_.assign(count, false);
    miniLoaded_ = true;
}

uint32_t CompoundFile::miniFatEntry(uint32_t mini) {
    loadMiniFat();
    size_t k = mini / kIdsPerSector;
    if (k >= miniFatLocations_.size()) fail(Error::Corrupt, "a mini sector lies outside the mini FAT");
    if (!miniFatLoaded_[k]) {
        std::array<uint8_t, kSectorSize> bytes{};
        readAt(sectorOffset(miniFatLocations_[k]), bytes.data(), kSectorSize);
        uint32_t* ids = miniFat_.data() + k * kIdsPerSector;
        decodeIds(bytes.data(), ids, kIdsPerSector);
        miniFatLoaded_[k] = true;
        uint64_t inStream = (stream(kRootEntry).size + kMiniSectorSize - 1) / kMiniSectorSize;
        for (uint32_t i = 0; i < kIdsPerSector; ++i) {
            uint32_t m = uint32_t(k * kIdsPerSector + i);
            if (ids[i] == kFreeSector && m < inStream) freeMini_.insert(m);
        }
    }
    return miniFat_[mini];
}

void CompoundFile::setMiniFatEntries(const std::vector<std::pair<uint32_t, uint32_t>>& changes) {
    std::vector<size_t> touched;
    for (auto [mini, value] : changes) {
        miniFatEntry(mini);
        miniFat_[mini] = value;
        if (value == kFreeSector)
            freeMini_.insert(mini);
        else
            freeMini_.erase(mini);
        touched.push_back(mini / kIdsPerSector);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (size_t k : touched) {
        auto bytes = encodeIds(miniFat_.data() + k * kIdsPerSector);
        writeAt(sectorOffset(miniFatLocations_[k]), bytes.data(), kSectorSize);
    }
}

// Like allocateSectors, for mini sectors. Sectors from `firstNew` on lie past the current end of
// the mini stream: the caller grows the mini stream when it writes them.
std::vector<uint32_t> CompoundFile::allocateMiniSectors(size_t n, uint32_t& firstNew) {
    requireWrite();
    loadMiniFat();
    uint64_t inStream = (stream(kRootEntry).size + kMiniSectorSize - 1) / kMiniSectorSize;
    if (inStream + n > kMaxStreamSize / kMiniSectorSize) fail(Error::TooLarge, "the mini stream is full");
    firstNew = uint32_t(inStream);
    std::vector<uint32_t> out;
    while (out.size() < n && !freeMini_.empty()) {
        uint32_t m = *freeMini_.begin();
        freeMini_.erase(freeMini_.begin());
        if (m >= firstNew || miniFat_[m] != kFreeSector) continue;
        miniFat_[m] = kEndOfChain;
        out.push_back(m);
    }
    for (uint32_t m = firstNew; out.size() < n; ++m) {
        while (m >= miniFatLocations_.size() * kIdsPerSector)
            addMiniFatSector();
        miniFatEntry(m);
        miniFat_[m] = kEndOfChain;
        out.push_back(m);
    }
    return out;
}

void CompoundFile::addMiniFatSector() {
    uint32_t sector = allocateSectors(1).front();
    std::vector<uint32_t> ids(kIdsPerSector, kFreeSector);
    auto bytes = encodeIds(ids.data());
    writeAt(sectorOffset(sector), bytes.data(), kSectorSize);
    setFatEntries({{sector, kEndOfChain}});
    barrier();
    if (miniFatLocations_.empty())
        setHeaderField(hdr::kFirstMiniFatSector, sector);
    else
        setFatEntries({{miniFatLocations_.back(), sector}});
    miniFatLocations_.push_back(sector);
    miniFat_.insert(miniFat_.end(), ids.begin(), ids.end());
    miniFatLoaded_.push_back(true);
    setHeaderField(hdr::kMiniFatSectorCount, uint32_t(miniFatLocations_.size()));
    writeHeader();
}

void CompoundFile::linkChain(const std::vector<uint32_t>& sectors, bool mini) {
    std::vector<std::pair<uint32_t, uint32_t>> links;
    for (size_t i = 0; i < sectors.size(); ++i)
        links.push_back({sectors[i], i + 1 < sectors.size() ? sectors[i + 1] : kEndOfChain});
    if (mini)
        setMiniFatEntries(links);
    else
        setFatEntries(links);
}

void CompoundFile::freeLater(const std::vector<uint32_t>& chain, bool mini) {
    auto& pending = mini ? pendingMiniFree_ : pendingFree_;
    pending.insert(pending.end(), chain.begin(), chain.end());
}

void CompoundFile::freePending() {
    std::vector<std::pair<uint32_t, uint32_t>> changes;
    for (uint32_t s : pendingFree_)
        changes.push_back({s, kFreeSector});
    pendingFree_.clear();
    if (!changes.empty()) setFatEntries(changes);
    changes.clear();
    for (uint32_t m : pendingMiniFree_)
        changes.push_back({m, kFreeSector});
    pendingMiniFree_.clear();
    if (!changes.empty()) setMiniFatEntries(changes);
}

} // namespace vantor::history::cfb
