#pragma once

#include "engine/table.h"

#include <atomic>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The five collection tables: schemas, display widths, indices, files and the data folder.
namespace store {

void CreateLydsamTable(engine::Table& t);
void CreateArkivTable(engine::Table& t);
void CreateNumreTable(engine::Table& t);
void CreateGenreTable(engine::Table& t);
void CreateMusikerTable(engine::Table& t);

void SetDisplayWidthsLydsam(engine::Table& t);
void SetDisplayWidthsArkiv(engine::Table& t);
void SetDisplayWidthsNumre(engine::Table& t);
void SetDisplayWidthsGenre(engine::Table& t);
void SetDisplayWidthsMusiker(engine::Table& t);

void CreateLydsamIndices(engine::Table& t);
void CreateArkivIndices(engine::Table& t);
void CreateNumreIndices(engine::Table& t);
void CreateGenreIndices(engine::Table& t);
void CreateMusikerIndices(engine::Table& t);

// One collection table: its name, file name and the three steps that define it.
struct CollectionTable {
    const char* name;
    const char* fileName;
    void (*create)(engine::Table&);
    void (*setDisplayWidths)(engine::Table&);
    void (*createIndices)(engine::Table&);
};

// In the order the tables are opened: Lydsam, Arkiv, Numre, Genre, Musiker.
const std::vector<CollectionTable>& collectionTables();
// The order a close saves them in; the window and the command-line tool alike.
inline constexpr const char* kSaveOrder[] = {"Arkiv", "Lydsam", "Numre", "Genre", "Musiker"};
const CollectionTable& collectionTable(std::string_view name);

// The first command-line argument (args excludes the program name) with a "/" added when
// missing; else the executable's folder, with its trailing "/".
std::string dataFolder(const std::vector<std::string>& args, const std::string& executableDir);

// Loads the table from path when the file exists, else creates it empty; then display widths
// and indices. A file that fails to load, or whose presence cannot be checked (I/O error,
// permission, a broken link), raises its error and leaves the table closed.
void openTable(engine::Table& t, const CollectionTable& table, const std::string& path);

struct TableToOpen {
    engine::Table* table;
    const CollectionTable* kind;
    std::string path;
};
// Opens tables as openTable does, reading and indexing them on the processor's cores while the
// caller goes on (building its window, say); finish() hands them over in the given order. The
// first that failed raises its error there; it and the ones after it stay closed, as when they
// are opened one by one. Until then the tables themselves are not touched.
class TableOpening {
public:
    explicit TableOpening(std::vector<TableToOpen> tables);
    ~TableOpening() = default; // the threads, last made, are joined first
    TableOpening(const TableOpening&) = delete;
    TableOpening& operator=(const TableOpening&) = delete;

    void finish();

private:
    void work();

    std::vector<TableToOpen> tables_;
    std::vector<std::unique_ptr<engine::Table>> loaded_;
    std::vector<std::exception_ptr> errors_;
    std::vector<std::size_t> queue_; // largest files first, so that the threads end together
    std::atomic<std::size_t> next_{0};
    std::vector<std::jthread> threads_;
};

// Removes what interrupted saves of the five tables left in folder (ending in "/"): their
// temporary files changed before `before`, normally processStart(). Returns how many.
int removeSaveLeftovers(const std::string& folder, std::filesystem::file_time_type before);
std::filesystem::file_time_type processStart();

// Writes the table to path when it has pending changes (an unfinished edit is posted first).
// The changes count as saved only once the file is written, so a failed save can be retried.
// Returns whether the file was written.
bool saveChanges(engine::Table& t, const std::string& path);

} // namespace store
