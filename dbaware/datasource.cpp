#include "datasource.h"

#include "engine/observer.h"

class TDataSource::Relay : public engine::TableObserver {
public:
    explicit Relay(TDataSource* s) : s_(s) {}
    void activeChanged() override { emit s_->activeChanged(); }
    void dataSetChanged() override { emit s_->dataSetChanged(); }
    void dataSetScrolled() override { emit s_->dataSetScrolled(); }
    void recordChanged(int field) override { emit s_->recordChanged(field); }
    void editingChanged() override { emit s_->editingChanged(); }
    void updateData() override { emit s_->updateData(); }

private:
    TDataSource* s_;
};

TDataSource::TDataSource(QObject* parent)
    : QObject(parent), relay_(std::make_unique<Relay>(this)) {}

TDataSource::~TDataSource() {
    if (table_)
        table_->removeObserver(relay_.get());
}

void TDataSource::setDataSet(engine::Table* table) {
    if (table == table_)
        return;
    if (table_)
        table_->removeObserver(relay_.get());
    table_ = table;
    if (table_)
        table_->addObserver(relay_.get());
    emit activeChanged();
}
