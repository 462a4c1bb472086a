#include "sqlitedb.h"

#include <sqlite3.h>

#include <stdexcept>

namespace sqlitedb {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw std::runtime_error("sqlite: " + what + ": " + (db ? sqlite3_errmsg(db) : "no memory"));
}

} // namespace

Db::Db(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        const std::string msg = db_ ? sqlite3_errmsg(db_) : "no memory";
        sqlite3_close(db_);
        throw std::runtime_error("sqlite: cannot open " + path + ": " + msg);
    }
}

Db::~Db() {
    sqlite3_close(db_);
}

void Db::exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string msg = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("sqlite: " + sql + ": " + msg);
    }
}

std::int64_t Db::lastInsertRowid() const {
    return sqlite3_last_insert_rowid(db_);
}

Stmt::Stmt(const Db& db, std::string_view sql) : db_(db.handle()) {
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK)
        fail(db_, "prepare " + std::string(sql));
}

Stmt::~Stmt() {
    sqlite3_finalize(stmt_);
}

void Stmt::check(int rc) const {
    if (rc != SQLITE_OK)
        fail(db_, "bind");
}

void Stmt::bindNull(int i) {
    check(sqlite3_bind_null(stmt_, i));
}

void Stmt::bindInt(int i, std::int64_t v) {
    check(sqlite3_bind_int64(stmt_, i, v));
}

void Stmt::bindDouble(int i, double v) {
    check(sqlite3_bind_double(stmt_, i, v));
}

void Stmt::bindText(int i, std::string_view text) {
    check(sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC));
}

bool Stmt::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(db_, "step");
}

void Stmt::reset() {
    sqlite3_reset(stmt_);
}

std::int64_t Stmt::columnInt(int i) const {
    return sqlite3_column_int64(stmt_, i);
}

std::string_view Stmt::columnText(int i) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)))
             : std::string_view();
}

} // namespace sqlitedb
