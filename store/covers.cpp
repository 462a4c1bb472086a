#include "covers.h"

#include "atomicfile.h"

#include "engine/error.h"
#include "engine/tablefile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace fs = std::filesystem;

std::optional<std::int32_t> coverNumber(std::string_view fileName) {
    constexpr std::string_view kExt = ".jpg";
    if (fileName.size() <= kExt.size() || !fileName.ends_with(kExt))
        return std::nullopt;
    const std::string_view digits = fileName.substr(0, fileName.size() - kExt.size());
    std::int32_t n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || n <= 0 || digits[0] == '0')
        return std::nullopt;
    return n;
}

Covers::Covers(std::string dataFolder) : folder_(std::move(dataFolder)) {}

std::string Covers::path(std::int32_t num) const {
    return folder_ + kCoverFolder + std::to_string(num) + ".jpg";
}

Covers::Picture Covers::stored(std::int32_t num) const {
    std::optional<std::string> bytes = readFileIfAny(path(num));
    return bytes ? std::make_shared<const std::string>(std::move(*bytes)) : nullptr;
}

Covers::Picture Covers::picture(std::int32_t num) const {
    if (const auto w = waiting_.find(num); w != waiting_.end())
        return w->second;
    return stored(num);
}

bool Covers::has(std::int32_t num) const {
    if (const auto w = waiting_.find(num); w != waiting_.end())
        return w->second != nullptr;
    struct stat st {};
    return ::stat(path(num).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void Covers::set(std::int32_t num, Picture picture) {
    Picture before = this->picture(num);
    if (before == picture || (before && picture && *before == *picture))
        return;
    stage(num, picture); // first: a failure changes nothing
    waiting_[num] = picture;
    log_.push_back({num, std::move(before), std::move(picture)});
    changed(num);
}

void Covers::revert(std::size_t from, std::size_t to) {
    // Copied first: set() appends to the log being read.
    const std::vector<Change> taken(log_.begin() + static_cast<std::ptrdiff_t>(from),
                                    log_.begin() + static_cast<std::ptrdiff_t>(to));
    for (auto c = taken.rbegin(); c != taken.rend(); ++c)
        set(c->num, c->before);
}

void Covers::makeFolder() const {
    const std::string coverFolder = folder_ + kCoverFolder;
    if (::mkdir(coverFolder.c_str(), 0777) != 0 && errno != EEXIST)
        throw engine::Error("Cannot create '" + coverFolder + "': " + std::strerror(errno));
}

void Covers::stage(std::int32_t num, const Picture& picture) {
    if (!staging_)
        return;
    makeFolder();
    // Unflushed: a flush per picture would make a large import crawl, and what this guards
    // against is the program stopping, after which the system still writes it.
    replaceFileUnflushed(stagedPath(num),
                         picture ? std::string_view(*picture) : std::string_view());
}

int Covers::recoverStaged() {
    int found = 0;
    constexpr std::string_view kStaged = ".uusi";
    std::error_code ec;
    for (fs::directory_iterator it(folder_ + kCoverFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.ends_with(kStaged))
            continue;
        const auto num =
            coverNumber(std::string_view(name).substr(0, name.size() - kStaged.size()));
        if (!num)
            continue;
        std::string picture = readFileIfAny(it->path().string()).value_or(std::string());
        waiting_[*num] =
            picture.empty() ? nullptr : std::make_shared<const std::string>(std::move(picture));
        ++found;
    }
    return found;
}

void Covers::onChange(std::function<void(std::int32_t)> listener) {
    listeners_.push_back(std::move(listener));
}

void Covers::changed(std::int32_t num) {
    for (const auto& listener : listeners_)
        listener(num);
}

std::vector<std::int32_t> Covers::numbersOnDisk() const {
    std::vector<std::int32_t> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(folder_ + kCoverFolder, ec), end; !ec && it != end;
         it.increment(ec))
        if (const auto n = coverNumber(it->path().filename().string());
            n && it->is_regular_file(ec))
            numbers.push_back(*n);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void Covers::renumber(const std::unordered_map<std::int32_t, std::int32_t>& moved) {
    std::map<std::int32_t, Picture> renumbered;
    for (auto& [num, picture] : waiting_) {
        const auto m = moved.find(num);
        renumbered[m == moved.end() ? num : m->second] = std::move(picture);
    }
    waiting_ = std::move(renumbered);
    for (const auto& [from, to] : moved)
        if (std::rename(stagedPath(from).c_str(), stagedPath(to).c_str()) != 0 && errno != ENOENT)
            throw engine::Error("Cannot rename '" + stagedPath(from) +
                                "': " + std::strerror(errno));
    for (Change& c : log_)
        if (const auto m = moved.find(c.num); m != moved.end())
            c.num = m->second;
}

std::vector<FileToCommit> Covers::prepareSave(const std::unordered_set<std::int32_t>* releases,
                                              const std::vector<std::int32_t>& deleted) {
    std::map<std::int32_t, Picture> saving = waiting_;
    if (releases) {
        for (std::int32_t num : deleted)
            saving.emplace(num, nullptr);
        for (auto& [num, picture] : saving)
            if (!releases->contains(num))
                picture = nullptr;
    }
    std::vector<FileToCommit> files;
    if (saving.empty())
        return files;
    makeFolder();
    try {
        for (const auto& [num, picture] : saving) {
            const std::string file = path(num);
            if (!picture) {
                struct stat st {};
                if (::lstat(file.c_str(), &st) == 0)
                    files.push_back({"", file}); // goes, kept as .bak
                continue;
            }
            files.push_back({writeTemporary(file, *picture), file});
        }
    } catch (...) {
        for (const FileToCommit& f : files)
            if (!f.temporary.empty())
                ::unlink(f.temporary.c_str());
        throw;
    }
    return files;
}

int removeCoverLeftovers(const std::string& dataFolder, fs::file_time_type before) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(dataFolder + kCoverFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::size_t tmp = name.rfind(".tmp-");
        if (tmp == std::string::npos || name.size() != tmp + 5 + 6 ||
            !coverNumber(std::string_view(name).substr(0, tmp)))
            continue;
        std::error_code e;
        if (fs::is_regular_file(fs::symlink_status(it->path(), e)) &&
            fs::last_write_time(it->path(), e) < before && !e && fs::remove(it->path(), e))
            ++removed;
    }
    return removed;
}

void Covers::saved() {
    // In the files now; what is left of a failed removal is only found again and saved again.
    for (const auto& [num, picture] : waiting_)
        ::unlink(stagedPath(num).c_str());
    waiting_.clear();
}

} // namespace store
