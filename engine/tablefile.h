#pragma once

#include "field.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct stat;

// The table file: magic, format version, field definitions, rows (row blobs as in memory),
// from version 2 the orders of the table's indices, and a CRC-32C of everything before it. All
// integers little-endian.
namespace engine::tablefile {

constexpr int kFormatVersion = 2;
constexpr int kOldestFormatVersion = 1; // version 1 has no index orders
constexpr std::size_t kMaxFields = 1024;
constexpr std::size_t kMaxNameLength = 128; // bytes
constexpr int kMaxFieldSize = 65535;

// Raises an Error unless a file can hold these fields: 1 to kMaxFields of them, names of 1 to
// kMaxNameLength bytes that differ in more than letter case, sizes 0 to kMaxFieldSize (at least
// 1 for strings). Tables are created under the same rule, so whatever is saved loads back.
void checkFields(const std::vector<FieldDef>& fields);

// An index's order to save, so that loading need not sort again: the rows' places in the file,
// under a key that names the index's fields and the collation that ordered them.
struct OrderToSave {
    std::string key;
    std::vector<std::uint32_t> rows;
};

// An index's order as a file holds it: one place per row, four bytes each, not yet checked.
struct SavedOrder {
    std::string key;
    std::string_view places; // in the file's bytes
    std::size_t size() const { return places.size() / 4; }
    std::uint32_t place(std::size_t i) const;
};

struct Image {
    std::vector<FieldDef> fields;
    std::unique_ptr<char[]> bytes; // the whole file; rows point into it
    std::vector<std::string_view> rows;
    std::vector<SavedOrder> orders; // each of rows.size() places
};

// Reads and checks a whole file; any damage raises an Error naming the path.
Image read(const std::string& path);

// Checks and splits the bytes of a file. With verifyChecksum false the structure is still
// checked completely (the fuzzer uses this to get past the checksum).
Image decode(std::unique_ptr<char[]> bytes, std::size_t size, bool verifyChecksum = true);

// Calls each(emit) once; emit(blob) appends one row. Writes a temporary file in the same
// folder, flushes it to disk, keeps the file it replaces as path + ".bak", then renames. The new
// file keeps the replaced one's mode (and owner and group where permitted); a first one gets
// 0666 less the umask.
void write(const std::string& path, const std::vector<FieldDef>& fields, std::size_t rowCount,
           const std::function<void(const std::function<void(std::string_view)>&)>& each,
           const std::vector<OrderToSave>& orders = {});

// The two halves of write, for saving several files together. writeTemporary writes and
// flushes path + ".tmp-XXXXXX" and returns its name; nothing is replaced yet, and a failure
// leaves no file behind. install keeps the file at path as path + ".bak" and renames the
// temporary over it; on failure the temporary stays for the caller to finish or remove.
std::string
writeTemporary(const std::string& path, const std::vector<FieldDef>& fields, std::size_t rowCount,
               const std::function<void(const std::function<void(std::string_view)>&)>& each,
               const std::vector<OrderToSave>& orders = {});
void install(const std::string& temporary, const std::string& path);
// Flushes the folder that holds path, so that renames in it survive a power cut.
void syncFolder(const std::string& path);

// What a table file's version is known by: where it is, its size, when it was changed, and
// the checksum at its end. Two versions with the same checksum and size hold the same rows.
struct FileVersion {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t changedNs = 0;
    std::uint32_t checksum = 0;
    bool sameContent(const FileVersion& o) const {
        return exists == o.exists && size == o.size && checksum == o.checksum;
    }
    bool sameFile(const FileVersion& o) const {
        return sameContent(o) && device == o.device && inode == o.inode && changedNs == o.changedNs;
    }
};
// The version at path now (exists false when there is none); the checksum is read only when
// known is not the same file, else taken from it.
FileVersion fileVersion(const std::string& path, const FileVersion* known = nullptr);

// Whether a table file is at path. Only "no such file" for the file itself, in a folder that
// exists, counts as none; any other failure (I/O error, permission, a dangling or looping
// link, a missing folder) raises an Error naming the path and the system's reason.
bool exists(const std::string& path);

// Removes the temporary files that an interrupted write of path left behind (path +
// ".tmp-XXXXXX", regular files changed before `before`); nothing else is touched. Returns
// how many were removed.
int removeLeftovers(const std::string& path, std::filesystem::file_time_type before);

// The system calls the table files make where a fault matters; tests swap in failing ones.
struct SystemCalls {
    int (*statFile)(const char* path, struct ::stat* st);
    int (*syncFile)(int fd);
    int (*renameFile)(const char* from, const char* to);
};
SystemCalls& systemCalls();

// Checks a blob against the field list: exact length, fixed payload sizes, string sizes.
bool validRow(std::string_view blob, const std::vector<FieldDef>& fields);

} // namespace engine::tablefile
