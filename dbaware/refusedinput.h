#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace dbaware {

// While one lives, input that a field refuses no longer stops the post that stores it: the
// field keeps its value, the control lets go of the input, and the refusal is noted here. For
// a close that cannot wait for anyone to correct what was typed.
class RefusedInput {
public:
    struct Entry {
        QString field; // the field's name in its table
        QString text;  // as typed
        QString message;
    };

    RefusedInput();
    ~RefusedInput();
    RefusedInput(const RefusedInput&) = delete;
    RefusedInput& operator=(const RefusedInput&) = delete;

    const QList<Entry>& entries() const { return entries_; }

    // The innermost one alive, or nullptr: stores then raise as usual.
    static RefusedInput* current();
    void add(Entry entry) { entries_ << std::move(entry); }

private:
    RefusedInput* outer_;
    QList<Entry> entries_;
};

} // namespace dbaware
