// What assistive technology reads of the window: every control that takes input has a name, from
// the caption the layout gives it, the hint of a picture button, or the page a grid fills.
#include "form1.h"

#include "dbaware/dbgrid.h"
#include "dbaware/dbmemo.h"

#include <QAbstractButton>

void TForm1::nameControls() {
    // Captions name their edits and lists (a label's buddy is what a screen reader reads).
    const std::pair<QLabel*, QWidget*> captions[] = {
        {Label17, Find},   {Label2, DBEdit1}, {Label1, DBEdit2}, {Label4, DBEdit3},
        {Label3, DBEdit4}, {Label5, DBEdit5}, {Label8, DBEdit8}, {Label7, DBEdit7},
        {Label6, DBEdit6}, {Label27, Edit2},  {Label18, Edit1},  {Label12, DBLookupComboBox2}};
    for (const auto& [label, control] : captions)
        label->setBuddy(control);
    // A memo reads no buddy. The track's two notes go by the captions their fields have in the
    // track list.
    DBMemo2->setAccessibleName(Label9->text());
    DBMemo3->setAccessibleName(QStringLiteral("Taiteilija"));
    DBMemo1->setAccessibleName(QStringLiteral("Säveltäjä"));
    for (TDBMemo* memo : {DBMemo3, DBMemo1})
        memo->setAccessibleDescription(Label9->text());
    // The genre list lies under the genre edit and shares its caption.
    DBLookupComboBox1->setAccessibleName(Label3->text());

    // A button with a picture and no caption is known by its hint.
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        if (button->text().isEmpty() && button->accessibleName().isEmpty() &&
            !button->toolTip().isEmpty())
            button->setAccessibleName(button->toolTip());

    // A grid by the page it is on.
    for (int page = 0; page < PageControl1->count(); ++page)
        for (TDBGrid* grid : PageControl1->widget(page)->findChildren<TDBGrid*>())
            if (grid->accessibleName().isEmpty())
                grid->setAccessibleName(PageControl1->tabText(page).remove(QLatin1Char('&')));
}
