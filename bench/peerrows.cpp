#include "peerrows.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace peerrows {

using engine::FieldType;
using engine::Table;

namespace {

void require(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("benchmark check failed: " + what);
}

std::string sqlType(FieldType t) {
    switch (t) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return "INTEGER";
    case FieldType::Currency:
        return "REAL";
    default:
        return "TEXT";
    }
}

} // namespace

Rows readRows(const store::CollectionTable& desc, const std::string& path) {
    Rows r;
    r.table = desc.name;
    Table defs;
    desc.create(defs);
    desc.createIndices(defs);
    r.indices = defs.indexDefs();

    Table t;
    t.load(path); // no index: the view is the file order
    r.fields = t.fields();
    const int nf = t.fieldCount();
    r.cells.reserve(static_cast<std::size_t>(t.recordCount()) * static_cast<std::size_t>(nf));
    for (t.first(); !t.eof(); t.next()) {
        for (int f = 0; f < nf; ++f) {
            Cell c;
            if (!t.isNull(f)) {
                switch (r.fields[static_cast<std::size_t>(f)].type) {
                case FieldType::String:
                case FieldType::Memo: {
                    const std::string_view s = t.textView(f);
                    c = {r.arena.size(), static_cast<std::uint32_t>(s.size()), Cell::Text};
                    r.arena += s;
                    break;
                }
                case FieldType::Integer:
                case FieldType::AutoInc:
                    c = {static_cast<std::uint64_t>(static_cast<std::int64_t>(t.asInteger(f))), 0,
                         Cell::Int};
                    break;
                case FieldType::Currency: {
                    const double d = t.asFloat(f);
                    std::uint64_t bits;
                    std::memcpy(&bits, &d, sizeof bits);
                    c = {bits, 0, Cell::Real};
                    break;
                }
                }
            }
            r.cells.push_back(c);
        }
        ++r.count;
    }
    return r;
}

std::vector<std::string> indexSql(const Rows& r) {
    std::vector<std::string> out;
    for (const engine::IndexDef& def : r.indices) {
        std::string cols;
        std::string_view rest = def.fields;
        for (;;) {
            const std::size_t semi = rest.find(';');
            const std::string name(rest.substr(0, semi));
            const int f = engine::findField(r.fields, name);
            require(f >= 0, "index field " + name);
            if (!cols.empty())
                cols += ", ";
            cols += "\"" + name + "\"";
            if (engine::isTextType(r.fields[static_cast<std::size_t>(f)].type))
                cols += " COLLATE NOCASE";
            if (semi == std::string_view::npos)
                break;
            rest.remove_prefix(semi + 1);
        }
        out.push_back("CREATE INDEX \"" + r.table + "_" + def.name + "\" ON \"" + r.table + "\" (" +
                      cols + ")");
    }
    return out;
}

// SQLite cannot read our files, so it inserts the same rows, already parsed in memory (which
// favours it).
void sqliteLoad(sqlitedb::Db& db, const std::vector<Rows>& all) {
    for (const Rows& r : all) {
        std::string cols;
        for (const engine::FieldDef& f : r.fields)
            cols += (cols.empty() ? "\"" : ", \"") + f.name + "\" " + sqlType(f.type);
        db.exec("CREATE TABLE \"" + r.table + "\" (" + cols + ")");
    }
    db.exec("BEGIN");
    for (const Rows& r : all) {
        const int nf = static_cast<int>(r.fields.size());
        std::string marks;
        for (int f = 0; f < nf; ++f)
            marks += f ? ",?" : "?";
        sqlitedb::Stmt insert(db, "INSERT INTO \"" + r.table + "\" VALUES (" + marks + ")");
        const Cell* c = r.cells.data();
        for (std::size_t row = 0; row < r.count; ++row) {
            for (int f = 1; f <= nf; ++f, ++c) {
                switch (c->kind) {
                case Cell::Null:
                    insert.bindNull(f);
                    break;
                case Cell::Text:
                    insert.bindText(f, std::string_view(r.arena).substr(c->bits, c->length));
                    break;
                case Cell::Int:
                    insert.bindInt(f, static_cast<std::int64_t>(c->bits));
                    break;
                case Cell::Real: {
                    double d;
                    std::memcpy(&d, &c->bits, sizeof d);
                    insert.bindDouble(f, d);
                    break;
                }
                }
            }
            insert.step();
            insert.reset();
        }
    }
    db.exec("COMMIT");
    for (const Rows& r : all)
        for (const std::string& sql : indexSql(r))
            db.exec(sql);
}

std::unique_ptr<sqlitedb::Db> openPeer() {
    auto db = std::make_unique<sqlitedb::Db>(":memory:");
    db->exec("PRAGMA temp_store = MEMORY"); // index sorts stay in memory, as ours do
    return db;
}

} // namespace peerrows
