#pragma once

#include "engine/table.h"

#include <QObject>
#include <memory>

// Links data-aware controls to one engine table and relays the table's notifications as
// signals (direct connections, so controls react before the engine goes on).
class TDataSource : public QObject {
    Q_OBJECT

public:
    explicit TDataSource(QObject* parent = nullptr);
    ~TDataSource() override;

    void setDataSet(engine::Table* table);
    engine::Table* dataSet() const { return table_; }
    bool isActive() const { return table_ && table_->isOpen(); }

signals:
    void activeChanged();
    void dataSetChanged();
    void dataSetScrolled();
    void recordChanged(int field);
    void editingChanged();
    void updateData(); // store pending input now: the table is about to post

private:
    class Relay;
    engine::Table* table_ = nullptr;
    std::unique_ptr<Relay> relay_;
};
