// Small helpers for tests that drive the compound-file engine directly.
#pragma once

#include "history/compound_file.h"
#include "history_test_support.h"

#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantor::history::test {

using cfb::CompoundFile;
using cfb::EntryId;
using cfb::Error;
namespace fs = std::filesystem;

inline constexpr CompoundFile::Options kFast{.durable = false, .lock = true};

inline CompoundFile openWrite(const fs::path& p) {
    return CompoundFile::open(p, CompoundFile::Access::Write, kFast);
}
inline CompoundFile openRead(const fs::path& p) {
    return CompoundFile::open(p, CompoundFile::Access::Read, kFast);
}

inline CompoundFile createAndOpen(const fs::path& p) {
    CompoundFile::create(p, kFast);
    return openWrite(p);
}

inline void append(CompoundFile& f, EntryId id, const std::string& bytes) {
    f.append(id, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

inline std::string readAll(CompoundFile& f, EntryId id) {
    std::string out(size_t(f.streamSize(id)), '\0');
    f.read(id, 0, std::span(reinterpret_cast<uint8_t*>(out.data()), out.size()));
    return out;
}

inline EntryId need(std::optional<EntryId> id) {
    if (!id) throw std::runtime_error("element missing");
    return *id;
}

template <class F>
inline std::optional<Error> failureOf(F&& fn) {
    try {
        fn();
    } catch (const cfb::Failure& f) {
        return f.error();
    }
    return std::nullopt;
}

inline std::string streamLine(const std::string& path, const std::string& bytes) {
    return "S " + path + " " + std::to_string(bytes.size()) + " " + test::sha256Hex(bytes);
}

// Checks that olefile sees exactly `expected` in each file (skipped when olefile is missing).
inline void expectOlefileSees(const std::vector<fs::path>& files,
                              const std::vector<std::vector<std::string>>& expected) {
    auto seen = test::oleManifests(files);
    if (!seen) {
        std::cout << "olefile not available: the cross-check was skipped\n";
        return;
    }
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ((*seen)[i], expected[i]) << files[i];
}

} // namespace vantor::history::test
