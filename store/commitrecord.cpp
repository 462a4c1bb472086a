#include "commitrecord.h"

#include "atomicfile.h"

#include "engine/checksum.h"
#include "engine/error.h"
#include "engine/tablefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace store {

namespace fs = std::filesystem;
using engine::Error;

namespace {

constexpr std::string_view kForward = "Levyholvi commit 1";
constexpr std::string_view kBackward = "Levyholvi rollback 1";

struct Entry {
    std::string temporary; // names within the folder; none: the file goes (kept as .bak)
    std::string table;
    bool replacesFile = false;
};

// The folder's own files, and those of its one subfolder of covers.
constexpr std::string_view kSubfolder = "Kannet/";

struct Record {
    bool rollback = false;
    std::vector<Entry> entries;
};

std::string nameOf(const std::string& folder, const std::string& path) {
    if (path.empty())
        return {};
    const std::string name = fs::path(path).filename().string();
    const std::string sub = folder + std::string(kSubfolder);
    return path.compare(0, sub.size(), sub) == 0 ? std::string(kSubfolder) + name : name;
}

bool validName(std::string_view name) {
    if (name.starts_with(kSubfolder))
        name.remove_prefix(kSubfolder.size());
    return !name.empty() && name.find('/') == std::string_view::npos && name != "." && name != "..";
}

// Sets the file at path aside as its .bak: the removal a save makes.
void setAside(const std::string& path) {
    if (engine::tablefile::systemCalls().renameFile(path.c_str(), (path + ".bak").c_str()) != 0 &&
        errno != ENOENT)
        throw Error("Cannot remove '" + path + "': " + std::strerror(errno));
}

void installEntry(const std::string& temporary, const std::string& path) {
    if (temporary.empty())
        setAside(path);
    else
        engine::tablefile::install(temporary, path);
}

// Renames are made durable folder by folder: the data folder's and the covers'.
void syncFolders(const std::string& folder, const std::vector<Entry>& entries) {
    engine::tablefile::syncFolder(folder + kCommitRecordName);
    for (const Entry& e : entries)
        if (e.table.starts_with(kSubfolder)) {
            engine::tablefile::syncFolder(folder + e.table);
            break;
        }
}

std::string recordText(const Record& r) {
    std::string text(r.rollback ? kBackward : kForward);
    text += '\n';
    for (const Entry& e : r.entries)
        text += e.temporary + '\t' + e.table + '\t' + (e.replacesFile ? "1" : "0") + '\n';
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", engine::crc32c(text));
    return text + "crc " + crc + '\n';
}

// Written beside, flushed and renamed, so that a record is either all there or not at all.
void writeRecord(const std::string& folder, const Record& r) {
    replaceFile(folder + kCommitRecordName, recordText(r));
}

// Not flushed: a record that comes back after a crash names files already in place, and the
// next start only removes it.
void removeRecord(const std::string& folder) {
    const std::string path = folder + kCommitRecordName;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw Error("Cannot remove '" + path + "': " + std::strerror(errno));
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The table file at path back to what it was before the save: the .bak that the install made
// of it goes back in place, or a file the save created goes. Done already when the temporary
// is still there (never installed) or the .bak is gone (put back before).
void undoInstall(const std::string& folder, const Entry& e) {
    const std::string path = folder + e.table;
    if (e.temporary.empty()) { // a removal: done only when the file is gone
        const std::string bak = path + ".bak";
        if (!exists(path) && exists(bak) &&
            engine::tablefile::systemCalls().renameFile(bak.c_str(), path.c_str()) != 0)
            throw Error("Cannot put back '" + path + "': " + std::strerror(errno));
        return;
    }
    if (exists(folder + e.temporary)) {
        ::unlink((folder + e.temporary).c_str());
        return;
    }
    if (!e.replacesFile) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            throw Error("Cannot remove '" + path + "': " + std::strerror(errno));
        return;
    }
    const std::string bak = path + ".bak";
    if (exists(bak) && engine::tablefile::systemCalls().renameFile(bak.c_str(), path.c_str()) != 0)
        throw Error("Cannot put back '" + path + "': " + std::strerror(errno));
}

void undo(const std::string& folder, const Record& r) {
    for (const Entry& e : r.entries)
        undoInstall(folder, e);
    syncFolders(folder, r.entries);
    removeRecord(folder);
}

Record readRecord(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const auto damaged = [&] {
        return Error("Cannot finish an interrupted save: '" + path + "' is damaged");
    };
    const std::size_t crcAt = text.rfind("crc ");
    if (!in || crcAt == std::string::npos || text.size() != crcAt + 4 + 8 + 1)
        throw damaged();
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", engine::crc32c(std::string_view(text).substr(0, crcAt)));
    if (text.compare(crcAt + 4, 8, crc) != 0)
        throw damaged();
    Record r;
    std::istringstream lines(text.substr(0, crcAt));
    std::string line;
    std::getline(lines, line);
    if (line != kForward && line != kBackward)
        throw damaged();
    r.rollback = line == kBackward;
    while (std::getline(lines, line)) {
        const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
        if (a == std::string::npos || b == std::string::npos)
            throw damaged();
        Entry e{line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1) == "1"};
        // Names only: a record never sends a rename out of its folder.
        if (!validName(e.table) || (!e.temporary.empty() && !validName(e.temporary)))
            throw damaged();
        r.entries.push_back(std::move(e));
    }
    return r;
}

} // namespace

void commitFiles(const std::string& folder, const std::vector<FileToCommit>& files) {
    Record record;
    for (const FileToCommit& f : files)
        record.entries.push_back(
            {nameOf(folder, f.temporary), nameOf(folder, f.path), exists(f.path)});
    try {
        writeRecord(folder, record);
    } catch (...) {
        for (const FileToCommit& f : files)
            ::unlink(f.temporary.c_str());
        throw;
    }
    // Committed: from here on a crash finishes the save at the next start.
    std::size_t installed = 0;
    try {
        for (; installed < files.size(); ++installed)
            installEntry(files[installed].temporary, files[installed].path);
        syncFolders(folder, record.entries);
        removeRecord(folder);
        return;
    } catch (const std::exception& e) {
        const std::string failure = e.what();
        // The old set goes back. The record turns into one that says so first, so that a crash
        // while putting files back is completed the same way at the next start.
        try {
            record.rollback = true;
            writeRecord(folder, record);
            undo(folder, record);
        } catch (const std::exception& again) {
            throw Error(failure + "; and the save could not be undone: " + again.what() +
                        " (it is finished at the next start)");
        }
        throw Error(failure);
    }
}

bool recoverCommit(const std::string& folder) {
    const std::string path = folder + kCommitRecordName;
    bool did = false;
    // A record still being written when the program stopped: its save never happened.
    const std::string prefix = std::string(kCommitRecordName) + ".tmp-";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() == prefix.size() + 6) {
            ::unlink(it->path().c_str());
            did = true;
        }
    }
    if (!exists(path))
        return did;
    const Record record = readRecord(path);
    if (record.rollback) {
        undo(folder, record);
        return true;
    }
    for (const Entry& e : record.entries)
        if (e.temporary.empty())
            setAside(folder + e.table);
        else if (exists(folder + e.temporary))
            engine::tablefile::install(folder + e.temporary, folder + e.table);
    syncFolders(folder, record.entries);
    removeRecord(folder);
    return true;
}

} // namespace store
