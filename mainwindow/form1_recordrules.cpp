// The record rules, run in the tables' hooks.
#include "form1.h"

#include "store/recordrules.h"

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
