#pragma once

#include "step.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace engine {
class Table;
}
namespace store {
class Covers;
}

// Undo and redo of everything the user changes in the collection's tables. The tables' own
// journals hold the changes; a step is the run of entries one action made in each table (a posted
// row with what the record rules did, a delete, an import, a change of many rows). Changes made
// between two of the user's inputs form one step unless a step was opened around them.
namespace history {

class History : public QObject {
    Q_OBJECT

public:
    struct Table {
        std::string name; // "Lydsam", ...: what a step is called by
        engine::Table* table;
    };
    // The tables whose changes can be undone; Arkiv is not among them, so a number it issued
    // stays issued whatever is undone. A cover changed is a step as a row posted is, or part of
    // the step it was made in (an import).
    explicit History(std::vector<Table> tables, store::Covers* covers = nullptr,
                     QObject* parent = nullptr);
    ~History() override;

    QUndoStack& stack() { return stack_; }

    // What was posted since the last step becomes a step of its own; inside beginStep and
    // endStep it waits for endStep.
    void takeChanges();
    // Everything changed until the matching endStep is one step named text (nesting: the
    // outermost names it). A step without changes is not kept.
    void beginStep(const QString& text);
    // keep false: what changed in between came to nothing and is no step (an import cancelled
    // or taken back).
    void endStep(bool keep = true);
    // Drops every step; the tables stay as they are. True when there were steps.
    bool forget();
    // No more steps from here on (the window is closing and saves).
    void stop();

    // The menu's undo: a row being edited or inserted is cancelled, and that is all; otherwise
    // the last step is taken back. Redo cancels such a row too, then does the next step again.
    void undo();
    void redo();
    bool editing() const; // a row of one of the tables is being edited or inserted

    // For the steps.
    bool readyToRevert(const std::vector<Step::Run>& runs);
    void show(engine::Table& table, std::uint32_t row);
    // Takes back the covers' log [from, to); show: the release goes current. Returns the run
    // that takes this back in turn.
    Step::CoverRun revertCovers(std::size_t from, std::size_t to, bool show);
    void reverted();
    void failedStep(const QString& message);

signals:
    void changed();                      // the steps or the editing state: the menu's texts
    void applied();                      // an undo or redo changed the tables
    void failed(const QString& message); // a step could not be applied; the steps are gone

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Watch;
    void queueTake();
    void markNow();
    bool cancelEdits();
    std::vector<Step::Run> pending() const;
    Step::CoverRun pendingCovers() const;

    std::vector<Table> tables_;
    store::Covers* covers_;
    std::size_t coversMark_ = 0;
    std::vector<std::size_t> marks_;    // journal sizes when the last step ended
    std::vector<std::uint64_t> epochs_; // and their journals' epochs
    std::vector<std::unique_ptr<Watch>> watches_;
    QUndoStack stack_;
    int depth_ = 0;
    QString stepText_;
    bool takeQueued_ = false;
    bool failing_ = false; // a step failed while the stack was moving
    bool stopped_ = false;
};

} // namespace history
