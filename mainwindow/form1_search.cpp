#include "form1.h"

#include "locate/reclocate.h"

// The artist search box under the toolbar and the track search box on the tracks page.

void TForm1::FindEnter() {
    selectPage(TabSheet2); // the found release shows on the registration page
    DBNavigator1->setEnabled(true);
    RecLocate1->Prepare();
}

void TForm1::FindChange() {
    RecLocate1->FindText = Find->text();
    RecLocate1->FindFirst();
}

void TForm1::SpeedButton1Click() {
    RecLocate1->FindText = Find->text();
    RecLocate1->FindNext();
}

void TForm1::Edit2Enter() {
    DBNavigator4->setEnabled(false);
    // The release title shows which release each track of the whole table belongs to.
    DBGrid2->setColumnWidthPixels(0, 200);
    NumreDataSet.setFiltered(false);
    RecLocate2->Prepare(); // now rather than at the first letter typed
}

void TForm1::Edit2Change() {
    RecLocate2->FindText = Edit2->text();
    RecLocate2->FindFirst();
}

void TForm1::SpeedButton2Click() {
    RecLocate2->FindText = Edit2->text();
    RecLocate2->FindNext();
}
