#include "replistform.h"

#include "replistlayout.h"

using namespace report::listlayout;

TRepListForm::TRepListForm(engine::Table* dataSet, QObject* parent) : TReport(parent) {
    setObjectName(QStringLiteral("RepListForm"));
    DataSet = dataSet;
    ReportTitle = QStringLiteral("Levyholvi");
    applyCommonSettings(*this, 10, 10);

    TRepBand title = titleBand();
    title.add(reportTitle(73.03));
    setBand(std::move(title));

    TRepBand header = columnHeaderBand();
    header.add(heading("RepLabel1", QStringLiteral("Taiteilija"), 2.12, 12.70));
    header.add(heading("RepLabel2", QStringLiteral("Kappaleen nimi"), 59.27, 23.81));
    header.add(heading("RepLabel4", QStringLiteral("Musiikkityypit"), 116.42, 21.43));
    header.add(heading("RepLabel5", QStringLiteral("Julkaisuajankohta"), 148.17, 27.52));
    header.add(heading("RepLabel3", QStringLiteral("Hinta"), 180.45, 8.20));
    setBand(std::move(header));

    TRepBand detail = detailBand();
    detail.add(fieldText("RepDBText1", "Kunstner", 2.12, 55.30, taLeftJustify, false));
    detail.add(fieldText("RepDBText2", "Titel", 59.27, 55.30, taLeftJustify, false));
    detail.add(fieldText("RepDBText3", "Genre", 116.42, 29.90, taLeftJustify, false));
    detail.add(fieldText("RepDBText4", "Indspillet", 148.17, 19.05, taLeftJustify, false));
    detail.add(fieldText("RepDBText5", "Pris", 169.33, 17.46, taRightJustify, false));
    setBand(std::move(detail));

    TRepBand footer = pageFooterBand();
    footer.add(pageNumber(169.86));
    setBand(std::move(footer));
}
