#include "form1.h"

#include "report/replistform.h"
#include "report/replistform1.h"

#include <stdexcept>

// The three print commands of the menu and the toolbar's print drop-down. Each sets the first
// two columns of its layout to the table's current order and opens the preview; it returns when
// the preview window closes, with the table on its last record.

namespace {

void requireLayout(const TReport* layout) {
    // Only a window built without its layouts (a test, say) gets here.
    if (!layout)
        throw std::runtime_error("The print layouts have not been created");
}

// The column the list is ordered by comes first.
void orderReleaseColumns(TRepListForm& r, const std::string& activeIndex) {
    const bool byArtist = activeIndex == "Kunstner";
    const QString artist = QStringLiteral("Taiteilija");
    const QString title = QStringLiteral("Kappaleen nimi");
    r.element<TRepLabel>(QStringLiteral("RepLabel1")).Caption = byArtist ? artist : title;
    r.element<TRepDBText>(QStringLiteral("RepDBText1")).DataField =
        byArtist ? QStringLiteral("Kunstner") : QStringLiteral("Titel");
    r.element<TRepLabel>(QStringLiteral("RepLabel2")).Caption = byArtist ? title : artist;
    r.element<TRepDBText>(QStringLiteral("RepDBText2")).DataField =
        byArtist ? QStringLiteral("Titel") : QStringLiteral("Kunstner");
}

} // namespace

void TForm1::setReportLayouts(TRepListForm* releases, TRepListForm1* musicians) {
    RepListForm = releases;
    RepListForm1 = musicians;
}

void TForm1::Alleregistreringer1Click() {
    requireLayout(RepListForm);
    // The toolbar's selection buttons keep their state; the window shows every release until
    // the user selects again.
    LydsamDataSet.setFiltered(false);
    orderReleaseColumns(*RepListForm, LydsamDataSet.activeIndex());
    RepListForm->Preview();
}

void TForm1::Selekterederegistreringer1Click() {
    requireLayout(RepListForm);
    orderReleaseColumns(*RepListForm, LydsamDataSet.activeIndex());
    RepListForm->Preview();
}

void TForm1::UdvalgtepMusikerefanebladet1Click() {
    requireLayout(RepListForm1);
    // From code: the page change would replace the musician selection being printed.
    selectPage(TabSheet4);
    const bool byMusician = MusikerDataSet.activeIndex() == "Musiker";
    const QString musician = QStringLiteral("Muusikot");
    const QString instrument = QStringLiteral("Soitin");
    TRepListForm1& r = *RepListForm1;
    r.ReportTitle = byMusician ? musician : instrument;
    r.element<TRepLabel>(QStringLiteral("RepLabel1")).Caption = byMusician ? musician : instrument;
    r.element<TRepDBText>(QStringLiteral("RepDBText1")).DataField =
        byMusician ? QStringLiteral("Musiker") : QStringLiteral("Instrument");
    r.element<TRepLabel>(QStringLiteral("RepLabel2")).Caption = byMusician ? instrument : musician;
    r.element<TRepDBText>(QStringLiteral("RepDBText2")).DataField =
        byMusician ? QStringLiteral("Instrument") : QStringLiteral("Musiker");
    r.Preview();
}
