#include "replistform1.h"

#include "replistlayout.h"

using namespace report::listlayout;

TRepListForm1::TRepListForm1(engine::Table* dataSet, QObject* parent) : TReport(parent) {
    setObjectName(QStringLiteral("RepListForm1"));
    DataSet = dataSet;
    ReportTitle = QStringLiteral("Muusikot");
    applyCommonSettings(*this, 7, 5);

    TRepBand title = titleBand();
    title.add(reportTitle(77.26));
    setBand(std::move(title));

    TRepBand header = columnHeaderBand();
    header.add(heading("RepLabel1", QStringLiteral("Muusikot"), 2.12, 14.29));
    header.add(heading("RepLabel2", QStringLiteral("Soitin"), 48.68, 9.00));
    header.add(heading("RepLabel3", QStringLiteral("Kappaleet"), 95.25, 15.61));
    header.add(heading("RepLabel4", QStringLiteral("Kappaleen nimi"), 146.05, 23.81));
    setBand(std::move(header));

    TRepBand detail = detailBand();
    detail.add(fieldText("RepDBText1", "Musiker", 2.12, 44.98, taLeftJustify, true));
    detail.add(fieldText("RepDBText2", "Instrument", 48.68, 44.98, taLeftJustify, true));
    detail.add(fieldText("RepDBText3", "NrTitel", 95.25, 48.95, taLeftJustify, true));
    detail.add(fieldText("RepDBText4", "Titel", 146.05, 51.06, taLeftJustify, true));
    setBand(std::move(detail));

    TRepBand footer = pageFooterBand();
    footer.add(pageNumber(178.06));
    setBand(std::move(footer));
}
