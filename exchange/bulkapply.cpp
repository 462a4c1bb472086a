#include "bulkapply.h"

#include <cstdio>
#include <exception>
#include <utility>

namespace exchange {

namespace {

template <typename From, typename To> void moveHooks(From& from, To& to) {
    to.beforeInsert = std::exchange(from.beforeInsert, nullptr);
    to.afterInsert = std::exchange(from.afterInsert, nullptr);
    to.beforeEdit = std::exchange(from.beforeEdit, nullptr);
    to.afterEdit = std::exchange(from.afterEdit, nullptr);
    to.beforePost = std::exchange(from.beforePost, nullptr);
    to.afterPost = std::exchange(from.afterPost, nullptr);
    to.beforeCancel = std::exchange(from.beforeCancel, nullptr);
    to.afterCancel = std::exchange(from.afterCancel, nullptr);
    to.beforeDelete = std::exchange(from.beforeDelete, nullptr);
    to.afterDelete = std::exchange(from.afterDelete, nullptr);
    to.afterScroll = std::exchange(from.afterScroll, nullptr);
}

} // namespace

BulkApply::BulkApply(CollectionTables& t)
    : tables_{&t.lydsam, &t.arkiv, &t.numre, &t.genre, &t.musiker} {
    // Whatever the user was typing is posted first, with the rules still on.
    for (engine::Table* table : tables_)
        table->checkBrowseMode();
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        rowsBefore_[i] = tables_[i]->storedRowCount();
        moveHooks(*tables_[i], hooks_[i]);
        tables_[i]->disableControls();
    }
    try {
        // Arkiv stays out: its numbers are issued row by row at the end of the view.
        for (engine::Table* table : tables_)
            if (table != &t.arkiv)
                table->beginBulk();
    } catch (...) {
        restore();
        throw;
    }
}

BulkApply::~BulkApply() {
    if (done_)
        return;
    for (engine::Table* table : tables_)
        table->cancel();
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        tables_[i]->endBulk();
        try {
            tables_[i]->removeStoredRowsFrom(rowsBefore_[i]);
        } catch (const std::exception& e) {
            // Not expected (each table is in browse mode here); never from a destructor.
            std::fprintf(stderr, "levyholvi: %s\n", e.what());
        }
    }
    restore();
}

void BulkApply::finish() {
    done_ = true;
    restore();
}

void BulkApply::restore() {
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        engine::Table& table = *tables_[i];
        table.endBulk();
        moveHooks(hooks_[i], table);
        table.enableControls();
    }
}

} // namespace exchange
