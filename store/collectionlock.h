#pragma once

#include <string>

// One program at a time on a collection: an exclusive lock on a file of its own in the data
// folder, held while the object lives. The system drops it when the process ends, however it
// ends, so the lock of a dead process never blocks.
namespace store {

constexpr const char* kLockFileName = "Levyholvi.lock";

class CollectionLock {
public:
    // Creates the data folder when missing and tries the lock. A folder where nothing may be
    // written (read-only, immutable) gets no lock: no program can save there anyway. Any other
    // failure raises an Error naming the lock file.
    explicit CollectionLock(const std::string& folder);
    ~CollectionLock();
    CollectionLock(const CollectionLock&) = delete;
    CollectionLock& operator=(const CollectionLock&) = delete;

    bool heldElsewhere() const { return heldElsewhere_; } // another program has the collection
    bool held() const { return fd_ >= 0 && !heldElsewhere_; }

private:
    int fd_ = -1;
    bool heldElsewhere_ = false;
};

} // namespace store
