#pragma once

namespace engine {

// What a data source hears from its table. While controls are disabled only updateData()
// arrives; the final enableControls() sends one dataSetChanged().
class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void activeChanged() {}   // opened, created, loaded or closed
    virtual void dataSetChanged() {}  // rows, order, filter or state changed: re-read all
    virtual void dataSetScrolled() {} // the current row moved; nothing else changed
    virtual void recordChanged(int /*field*/) {} // a field of the current row (-1: all of them)
    virtual void editingChanged() {}             // browse, edit or insert state changed
    virtual void updateData() {}                 // about to post: store pending input into fields
};

} // namespace engine
