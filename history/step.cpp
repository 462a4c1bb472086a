#include "step.h"

#include "history.h"

#include "engine/rowcodec.h"
#include "engine/table.h"

#include <array>

namespace history {

namespace {

struct Words {
    const char* table;
    const char* field; // that names a row
    const char* added;
    const char* edited;
    const char* deleted;
};

constexpr std::array kWords{
    Words{"Lydsam", "Titel", "uusi levy", "levyn muutos", "levyn poisto"},
    Words{"Numre", "NrTitel", "uusi kappale", "kappaleen muutos", "kappaleen poisto"},
    Words{"Musiker", "Musiker", "uusi muusikko", "muusikon muutos", "muusikon poisto"},
    Words{"Genre", "Genre", "uusi musiikkityyppi", "musiikkityypin muutos",
          "musiikkityypin poisto"},
};

} // namespace

QString describe(const std::vector<Step::Run>& runs) {
    for (const Words& w : kWords)
        for (const Step::Run& run : runs) {
            if (run.name != w.table || run.from == run.to)
                continue;
            const engine::Journal& journal = run.table->journal();
            const engine::Journal::Entry& e = journal.entries()[run.from];
            const char* what = e.kind == engine::Journal::Kind::Inserted ? w.added
                               : e.kind == engine::Journal::Kind::Edited ? w.edited
                                                                         : w.deleted;
            // The row as the user last saw it: now, or as it was before it went.
            std::optional<std::string_view> row = run.table->rowById(e.row);
            if (!row && e.kind != engine::Journal::Kind::Inserted)
                row = journal.before(e);
            const int field = run.table->findField(w.field);
            QString name;
            if (row && field >= 0)
                name = QString::fromUtf8(engine::rowcodec::field(*row, field).bytes).trimmed();
            return name.isEmpty() ? QString::fromUtf8(what)
                                  : QString::fromUtf8(what) + QStringLiteral(" – ") + name;
        }
    return QStringLiteral("muutos");
}

Step::Step(History& history, std::vector<Run> runs, CoverRun covers, const QString& text)
    : QUndoCommand(text), history_(history), runs_(std::move(runs)), covers_(covers) {}

void Step::undo() {
    revert();
}

void Step::redo() {
    if (!pushed_) {
        pushed_ = true;
        return;
    }
    revert();
}

void Step::revert() {
    if (!history_.readyToRevert(runs_))
        return;
    std::size_t done = 0;
    try {
        for (; done < runs_.size(); ++done) {
            Run& run = runs_[done];
            const std::size_t end = run.table->journal().entries().size();
            const auto shown = run.table->revertChanges(run.from, run.to);
            run.from = end;
            run.to = run.table->journal().entries().size();
            if (done == 0 && shown)
                history_.show(*run.table, *shown);
        }
        if (covers_.to > covers_.from)
            covers_ = history_.revertCovers(covers_.from, covers_.to, runs_.empty());
    } catch (const std::exception& e) {
        // What went back comes forward again, so the tables stay as one.
        QString message = QString::fromUtf8(e.what());
        while (done-- > 0)
            try {
                runs_[done].table->revertChanges(runs_[done].from, runs_[done].to);
            } catch (const std::exception& again) {
                message += QLatin1Char('\n') + QString::fromUtf8(again.what());
            }
        history_.failedStep(message);
        return;
    }
    history_.reverted();
}

} // namespace history
