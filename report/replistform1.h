#pragma once

#include "report.h"

namespace engine {
class Table;
}

// The musicians list (form RepListForm1) over the musicians table. The print command sets the
// report title, the first two columns' headings (RepLabel1, RepLabel2) and fields (RepDBText1,
// RepDBText2) to the table's order before each preview.
class TRepListForm1 : public TReport {
    Q_OBJECT

public:
    explicit TRepListForm1(engine::Table* dataSet, QObject* parent = nullptr);
};
