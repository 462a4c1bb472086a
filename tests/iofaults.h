// Faults injected into the table files' system calls while an object of these lives.
#pragma once

#include "engine/tablefile.h"

#include <cerrno>
#include <string>

#include <sys/stat.h>

// stat of one path fails with the given error; every other path is checked for real.
class StatFault {
public:
    StatFault(std::string path, int error) : saved_(engine::tablefile::systemCalls().statFile) {
        path_ = std::move(path);
        error_ = error;
        engine::tablefile::systemCalls().statFile = fail;
    }
    ~StatFault() { engine::tablefile::systemCalls().statFile = saved_; }
    StatFault(const StatFault&) = delete;
    StatFault& operator=(const StatFault&) = delete;

private:
    static int fail(const char* path, struct ::stat* st) {
        if (path_ == path) {
            errno = error_;
            return -1;
        }
        return ::stat(path, st);
    }
    inline static std::string path_;
    inline static int error_ = 0;
    int (*saved_)(const char*, struct ::stat*);
};

// Every fsync of a table file fails with EIO, as on a failing disk.
class SyncFault {
public:
    SyncFault() : saved_(engine::tablefile::systemCalls().syncFile) {
        engine::tablefile::systemCalls().syncFile = [](int) {
            errno = EIO;
            return -1;
        };
    }
    ~SyncFault() { engine::tablefile::systemCalls().syncFile = saved_; }
    SyncFault(const SyncFault&) = delete;
    SyncFault& operator=(const SyncFault&) = delete;

private:
    int (*saved_)(int);
};
