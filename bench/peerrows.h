#pragma once

#include "sqlitedb.h"

#include "engine/table.h"
#include "store/collection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The SQLite peer's copy of the collection: the rows of our table files, parsed beforehand, and
// the fair equivalent of opening them (insert in one transaction, then the same indices).
namespace peerrows {

// One value of a row as SQLite gets it: parsed beforehand, so the peer never pays for our
// file format.
struct Cell {
    enum Kind : unsigned char { Null, Text, Int, Real };
    std::uint64_t bits = 0; // text: offset in the arena; int: value; real: the double's bits
    std::uint32_t length = 0;
    Kind kind = Null;
};

struct Rows {
    std::string table;
    std::vector<engine::FieldDef> fields;
    std::vector<engine::IndexDef> indices;
    std::string arena;
    std::vector<Cell> cells; // row-major
    std::size_t count = 0;
};

// The rows of one file in file order, so SQLite's rowid is our row id + 1.
Rows readRows(const store::CollectionTable& desc, const std::string& path);

// The engine's indices compare text case-insensitively; NOCASE is SQLite's nearest (a–z only).
std::vector<std::string> indexSql(const Rows& r);

// Creates the tables, inserts the rows in one transaction, then builds the same indices.
void sqliteLoad(sqlitedb::Db& db, const std::vector<Rows>& all);

// An in-memory database whose index sorts stay in memory, as ours do.
std::unique_ptr<sqlitedb::Db> openPeer();

} // namespace peerrows
