// The record rules, run in the tables' hooks.
#include "form1.h"

#include "store/recordrules.h"

TForm1::RowValues TForm1::rowValues(const engine::Table& t) {
    RowValues values;
    for (int f = 0; f < t.fieldCount(); ++f)
        values.push_back(t.isNull(f) ? std::nullopt : std::optional(t.asText(f)));
    return values;
}

void TForm1::runInsertRule(engine::Table& t, void (TForm1::*rule)()) {
    ruleFilled_.erase(&t);
    (this->*rule)();
    ruleFilled_[&t] = rowValues(t);
}

void TForm1::LydsamDataSetAfterInsert() {
    const std::int32_t num = store::issueArchiveNumber(ArkivDataSet, LydsamDataSet);
    // Only the registration page can take the focus into the title edit.
    if (PageControl1->currentWidget() == TabSheet2)
        DBEdit1->setFocus();
    LydsamDataSet.setInteger("Num", num);
}

void TForm1::LydsamDataSetAfterPost() {
    showReleaseTotal();
}

void TForm1::LydsamDataSetAfterDelete() {
    showReleaseTotal();
}

void TForm1::showReleaseTotal() {
    Label20->setText(QString::number(LydsamDataSet.recordCount()));
}

void TForm1::NumreDataSetAfterInsert() {
    store::linkNewTrack(NumreDataSet, LydsamDataSet.asText("Titel"),
                        DBEdit12->text().toStdString());
}

void TForm1::NumreDataSetAfterPost() {}

void TForm1::MusikerDataSetAfterInsert() {
    store::linkNewMusician(MusikerDataSet, DBEdit10->text().toStdString(),
                           DBEdit9->text().toStdString());
}
