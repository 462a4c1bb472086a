#include "form1.h"

#include "engine/utf8.h"
#include "extras/aboutbox.h"
#include "platform/helpviewer.h"

// Page change and the commands that only move between pages or open side windows.

std::string TForm1::filterEquals(std::string_view field, std::string_view value) {
    std::string out(field);
    out += " = '";
    for (const char ch : value) {
        out += ch;
        if (ch == '\'')
            out += '\''; // a doubled quote stands for one inside the literal
    }
    out += '\'';
    return out;
}

void TForm1::enableMusicianCommands(bool on) {
    for (ToolbarButton* b : {c1, c2, c3})
        b->setEnabled(on);
}

// Each step looks at the page that is active when it runs.
void TForm1::PageControl1Change() {
    const auto onPage = [this](std::initializer_list<const QWidget*> pages) {
        for (const QWidget* p : pages)
            if (PageControl1->currentWidget() == p)
                return true;
        return false;
    };

    showReleaseTotal();

    if (onPage({TabSheet1, TabSheet5, TabSheet6, TabSheet7}))
        enableMusicianCommands(false);

    if (onPage({TabSheet3})) {
        // With no current release the text is empty, which selects the tracks of no release.
        NumreDataSet.setFilter(filterEquals("Num", LydsamDataSet.asText("Num")));
        NumreDataSet.setFiltered(true);
        DBNavigator1->setEnabled(false);
        // The track search box disables it; the tracks tab brings it back.
        DBNavigator4->setEnabled(true);
        DBGrid2->setFocus();
        DBGrid2->setSelectedIndex(1);
        enableMusicianCommands(false);
    }

    if (onPage({TabSheet2})) {
        enableMusicianCommands(false);
        DBNavigator1->setEnabled(true);
    }

    if (onPage({TabSheet4})) {
        // Musician rows keep only as much of the title as their field holds.
        const engine::FieldDef& held =
            MusikerDataSet.fields()[static_cast<std::size_t>(MusikerDataSet.fieldIndex("NrTitel"))];
        const std::string title = NumreDataSet.asText("NrTitel");
        MusikerDataSet.setFilter(
            filterEquals("NrTitel", engine::utf8::cutToChars(title, held.size)));
        MusikerDataSet.setFiltered(true);
        enableMusicianCommands(true);
    }
}

void TForm1::SpeedButton12Click() {
    selectPage(TabSheet6);
}

void TForm1::DBGrid1DblClick() {
    selectPage(TabSheet2);
}

void TForm1::Information1Click() {
    // For this one showing only; the window is its transient parent, so it stays in front of
    // it and has no taskbar entry of its own.
    TOrvena about(this);
    about.exec();
}

void TForm1::Hjlp1Click() {
    platform::showHelpContents();
}
