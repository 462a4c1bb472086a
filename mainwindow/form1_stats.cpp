// "Tilastot..." under "&Näytä": the collection's figures as charts, a click narrowing to a bar.
#include "form1.h"

#include "history/history.h"
#include "statswindow.h"

#include "dbaware/errorbox.h"

#include <QMenu>

#include <optional>

void TForm1::createStatsMenu() {
    Vis1->addSeparator();
    QAction* action = addMenuItem(Vis1, "Tilastot1", QStringLiteral("Tilastot..."));
    connect(action, &QAction::triggered, this, [this] { runHandler(&TForm1::Tilastot1Click); });
}

void TForm1::Tilastot1Click() {
    if (!statsWindow_) {
        statsWindow_ = new StatsWindow(
            [this](bool selection) -> StatsWindow::Job {
                std::optional<std::vector<std::uint32_t>> shown;
                if (selection)
                    shown = LydsamDataSet.viewRowIds();
                return [this, shown = std::move(shown)] {
                    return stats::compute(LydsamDataSet, NumreDataSet, MusikerDataSet,
                                          shown ? &*shown : nullptr);
                };
            },
            [this](StatsWindow::Chart chart, const QString& name) {
                dbaware::guarded([&] { statsPicked(static_cast<int>(chart), name); }, this);
            },
            this);
        if (history_) // every change of the tables passes there
            connect(history_, &history::History::changed, statsWindow_,
                    &StatsWindow::collectionChanged);
    }
    statsWindow_->show();
    statsWindow_->raise();
    statsWindow_->refresh();
}

// The bar's own selection, as the toolbar, the genre picker, the artist search and the
// musician selection make it.
void TForm1::statsPicked(int chart, const QString& name) {
    switch (static_cast<StatsWindow::Chart>(chart)) {
    case StatsWindow::Chart::Media: {
        const std::pair<const char*, void (TForm1::*)()> media[] = {
            {"CD", &TForm1::b1Click}, {"MD", &TForm1::b2Click}, {"LP", &TForm1::b3Click},
            {"MC", &TForm1::b4Click}, {"SG", &TForm1::b5Click}, {"78", &TForm1::b6Click}};
        for (const auto& [code, handler] : media)
            if (name == QLatin1String(code))
                (this->*handler)();
        break;
    }
    case StatsWindow::Chart::Genres:
        if (GenreDataSet.locate("Genre", name.toStdString())) {
            DBLookupComboBox2Click();
        } else {
            LydsamDataSet.setFilter(filterEquals("Genre", name.toStdString()));
            LydsamDataSet.setFiltered(true);
        }
        break;
    case StatsWindow::Chart::Artists:
        if (!a1->isChecked())
            a1Click();
        selectPage(TabSheet5);
        Find->setText(name);
        break;
    case StatsWindow::Chart::Players:
        Edit1->setText(name);
        c2Click();
        break;
    default:
        break;
    }
}
