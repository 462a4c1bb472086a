#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A thin owner of an SQLite connection and its statements; every failure throws.
namespace sqlitedb {

class Db {
public:
    explicit Db(const std::string& path); // ":memory:" for an in-memory database
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void exec(const std::string& sql);
    sqlite3* handle() const { return db_; }
    std::int64_t lastInsertRowid() const;

private:
    sqlite3* db_ = nullptr;
};

class Stmt {
public:
    Stmt(const Db& db, std::string_view sql);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    // Parameters count from 1. Text is not copied: it must outlive the step.
    void bindNull(int i);
    void bindInt(int i, std::int64_t v);
    void bindDouble(int i, double v);
    void bindText(int i, std::string_view text);

    bool step();  // true while there is a row
    void reset(); // keeps the bindings
    std::int64_t columnInt(int i) const;
    std::string_view columnText(int i) const;

private:
    void check(int rc) const;
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace sqlitedb
