// A prepared SQLite statement with binding by position and typed column reads.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::server {

class Stmt {
  public:
    Stmt(sqlite3* db, const char* sql) { ok_ = sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) == SQLITE_OK; }
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    bool ok() const { return ok_; }
    Stmt& bind(int i, int64_t v) {
        ok_ = ok_ && sqlite3_bind_int64(s_, i, v) == SQLITE_OK;
        return *this;
    }
    Stmt& bind(int i, double v) {
        ok_ = ok_ && sqlite3_bind_double(s_, i, v) == SQLITE_OK;
        return *this;
    }
    // Bytes (GBK text, GUIDs, hashes) are stored as blobs.
    Stmt& blob(int i, std::string_view v) {
        ok_ = ok_ && sqlite3_bind_blob64(s_, i, v.data(), v.size(), SQLITE_TRANSIENT) == SQLITE_OK;
        return *this;
    }
    // True while a row is available.
    bool step() {
        if (!ok_) return false;
        const int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) ok_ = false;
        return false;
    }
    // Makes the statement ready to run again with new bindings.
    Stmt& reset() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
        return *this;
    }
    // Runs a statement that returns no rows.
    bool run() {
        step();
        return ok_;
    }
    int64_t i64(int col) const { return sqlite3_column_int64(s_, col); }
    uint32_t u32(int col) const { return static_cast<uint32_t>(sqlite3_column_int64(s_, col)); }
    double f64(int col) const { return sqlite3_column_double(s_, col); }
    std::string bytes(int col) const {
        const void* p = sqlite3_column_blob(s_, col);
        const int n = sqlite3_column_bytes(s_, col);
        return p ? std::string(static_cast<const char*>(p), size_t(n)) : std::string();
    }

  private:
    sqlite3_stmt* s_ = nullptr;
    bool ok_ = false;
};

} // namespace vantor::server
