#pragma once

#include "collectiontables.h"

#include <array>
#include <functional>

namespace exchange {

// Quiets the five tables for one import step: observers wait, the hooks (the window's record
// rules) stay off, and new rows are sorted into the indices once, at finish. Left without
// finish (an error on the way), an unfinished row is cancelled, every row added since the
// start is taken back, and everything is restored: the step happened wholly or not at all.
class BulkApply {
public:
    explicit BulkApply(CollectionTables& tables);
    ~BulkApply();
    BulkApply(const BulkApply&) = delete;
    BulkApply& operator=(const BulkApply&) = delete;

    void finish();

private:
    struct Hooks {
        std::function<void()> beforeInsert, afterInsert, beforeEdit, afterEdit, beforePost,
            afterPost, beforeCancel, afterCancel, beforeDelete, afterDelete, afterScroll;
    };
    void restore();

    std::array<engine::Table*, 5> tables_;
    std::array<Hooks, 5> hooks_;
    std::array<int, 5> rowsBefore_{};
    bool done_ = false;
};

} // namespace exchange
