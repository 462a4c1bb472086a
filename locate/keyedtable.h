#pragma once

#include <string>
#include <vector>

// What the record locator needs of a table that can look records up by key. A table class
// that offers it derives from both engine::Table and TKeyedTable.
class TKeyedTable {
public:
    struct IndexDef {
        std::string name;
        std::string fields; // "A;B"; empty for an expression index
        bool caseInsensitive = false;
        bool descending = false;
    };

    virtual ~TKeyedTable() = default;
    virtual std::vector<IndexDef> keyedIndexDefs() = 0; // refreshed on each call
    virtual std::string keyedActiveIndex() const = 0;
    virtual void setKeyedActiveIndex(const std::string& name) = 0; // keeps the current record
    virtual std::string firstKeyText() const = 0;     // active index's first key field, current row
    virtual bool findKey(const std::string& key) = 0; // exact; positions on success
    virtual void findNearest(const std::string& key) = 0; // first key at or after
};
