#pragma once

#include <QString>
#include <QUndoCommand>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine {
class Table;
}

namespace history {

class History;

// One thing the user did, as the tables' journals hold it: for each table the run of entries it
// made. Undo takes that run back, which adds the entries that redo takes back in turn.
class Step : public QUndoCommand {
public:
    struct Run {
        engine::Table* table;
        std::string name;    // the table's, to say what the step was
        std::uint64_t epoch; // of the journal the positions are in
        std::size_t from, to;
    };
    struct CoverRun { // of the covers' log
        std::size_t from = 0, to = 0;
    };
    Step(History& history, std::vector<Run> runs, CoverRun covers, const QString& text);

    void undo() override;
    void redo() override;

private:
    void revert();

    History& history_;
    std::vector<Run> runs_; // tables with changes, most telling first
    CoverRun covers_;
    bool pushed_ = false; // the first redo is the push: the changes are made already
};

// "levyn poisto – Sky At Night": what the first change of the most telling table did, and to
// which row.
QString describe(const std::vector<Step::Run>& runs);

} // namespace history
