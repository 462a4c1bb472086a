// An I/O error (EIO) injected into the table files' system calls while the object lives.
#pragma once

#include "engine/tablefile.h"

#include <cerrno>
#include <string>

#include <sys/stat.h>

class IoFault {
public:
    // With a path, checking that file fails; without one, every fsync fails.
    explicit IoFault(std::string statPath = {}) : saved_(calls()) {
        path_ = std::move(statPath);
        if (!path_.empty())
            calls().statFile = [](const char* p, struct ::stat* st) {
                return path_ == p ? (errno = EIO, -1) : ::stat(p, st);
            };
        else
            calls().syncFile = [](int) { return errno = EIO, -1; };
    }
    ~IoFault() { calls() = saved_; }
    IoFault(const IoFault&) = delete;
    IoFault& operator=(const IoFault&) = delete;

private:
    static engine::tablefile::SystemCalls& calls() { return engine::tablefile::systemCalls(); }
    inline static std::string path_;
    engine::tablefile::SystemCalls saved_;
};
