#include "form1.h"

#include "dbaware/errorbox.h"
#include "locate/reclocate.h"

// Sort order, medium and genre selection of the releases, and the musician selection.

namespace {

// The toolbar shows a group's choice by which one of its buttons is down.
void pressOnly(std::initializer_list<ToolbarButton*> group, const ToolbarButton* down) {
    for (ToolbarButton* b : group)
        b->setChecked(b == down);
}

} // namespace

void TForm1::sortBy(ToolbarButton* button, const char* field, const QString& caption,
                    bool swapListColumns) {
    pressOnly({a1, a2, a3, a4}, button);
    Find->clear(); // runs FindChange when the box held text
    RecLocate1->DataField = QLatin1String(field);
    LydsamDataSet.setActiveIndex(field);
    Label17->setText(caption);
    if (swapListColumns)
        DBGrid4->moveColumn(0, 1);
}

void TForm1::a1Click() {
    sortBy(a1, "Kunstner", QStringLiteral("Etsi taiteilija"), true);
}

void TForm1::a2Click() {
    sortBy(a2, "Titel", QStringLiteral("Find titel"), true);
}

void TForm1::a3Click() {
    sortBy(a3, "Forlag", QStringLiteral("Etsi kustannusyhtiö"), false);
}

void TForm1::a4Click() {
    sortBy(a4, "RegNr", QStringLiteral("Etsi rekisterinro"), false);
}

void TForm1::selectMedium(ToolbarButton* button, const char* code) {
    pressOnly({b1, b2, b3, b4, b5, b6, b7}, button);
    LydsamDataSet.setFilter(filterEquals("Media", code));
    LydsamDataSet.setFiltered(true);
}

void TForm1::b1Click() {
    selectMedium(b1, "CD");
}

void TForm1::b2Click() {
    selectMedium(b2, "MD");
}

void TForm1::b3Click() {
    selectMedium(b3, "LP");
}

void TForm1::b4Click() {
    selectMedium(b4, "MC");
}

void TForm1::b5Click() {
    selectMedium(b5, "SG");
}

void TForm1::b6Click() {
    selectMedium(b6, "78");
}

void TForm1::b7Click() {
    pressOnly({b1, b2, b3, b4, b5, b6, b7}, b7);
    LydsamDataSet.setFiltered(false); // the expression stays for the next medium or genre
}

// The pick has already made the genre the current Genre record.
void TForm1::DBLookupComboBox2Click() {
    LydsamDataSet.setFilter(filterEquals("Genre", GenreDataSet.asText("Genre")));
    LydsamDataSet.setFiltered(true);
}

void TForm1::SpeedButton11Click() {
    GenreDataSet.deleteRecord();
}

void TForm1::c1Click() {
    selectPage(TabSheet4);
    pressOnly({c1, c2, c3}, c1);
    MusikerDataSet.setFiltered(false);
}

void TForm1::selectMusicians(ToolbarButton* button, const char* field,
                             const QString& emptyMessage) {
    if (Edit1->text().isEmpty()) {
        dbaware::showMessage(emptyMessage, this);
        // On a hidden page the box cannot take the focus; the message is enough.
        if (Edit1->isVisible())
            Edit1->setFocus();
        return;
    }
    selectPage(TabSheet4);
    MusikerDataSet.setActiveIndex(field);
    pressOnly({c1, c2, c3}, button);
    // A star at the end passes through: "Jo*" selects what begins with Jo.
    MusikerDataSet.setFilter(filterEquals(field, Edit1->text().toStdString()));
    MusikerDataSet.setFiltered(true);
}

void TForm1::c2Click() {
    selectMusicians(c2, "Musiker", QStringLiteral("Muusikkoa ei ole merkitty tietokantaan!"));
}

void TForm1::c3Click() {
    selectMusicians(c3, "Instrument", QStringLiteral("Soitinta ei ole merkitty tietokantaan!"));
}
