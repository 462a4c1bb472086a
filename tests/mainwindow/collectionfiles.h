// Helpers the window tests share: write a collection table file, read what a table shows.
#pragma once

#include "engine/table.h"
#include "store/collection.h"

#include <QString>
#include <QStringList>

#include <functional>

// Opens the named collection table as the window would, lets fill add rows, saves it.
inline void writeTable(const QString& folder, const char* name,
                       const std::function<void(engine::Table&)>& fill) {
    engine::Table t;
    const store::CollectionTable& table = store::collectionTable(name);
    const std::string path = folder.toStdString() + table.fileName;
    store::openTable(t, table, path);
    fill(t);
    t.save(path);
}

// The values of one field over the rows a table shows, in its order.
inline QStringList shown(const engine::Table& t, const char* field) {
    QStringList out;
    const int f = t.fieldIndex(field);
    for (int row = 0; row < t.displayRowCount(); ++row)
        out << QString::fromStdString(t.textAt(row, f));
    return out;
}

inline QString text(const engine::Table& t, const char* field) {
    return QString::fromStdString(t.asText(field));
}
