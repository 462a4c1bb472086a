#pragma once

#include "report.h"

namespace engine {
class Table;
}

// The releases list (form RepListForm) over the collection table. The print commands set the
// first two columns' headings (RepLabel1, RepLabel2) and fields (RepDBText1, RepDBText2) to the
// table's order before each preview.
class TRepListForm : public TReport {
    Q_OBJECT

public:
    explicit TRepListForm(engine::Table* dataSet, QObject* parent = nullptr);
};
