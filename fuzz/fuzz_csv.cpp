// CSV tables on arbitrary bytes: each input is written as one table's file and imported into
// empty tables and into tables with rows. Only exchange::ReadError may come out; anything else,
// a crash or a sanitizer report is a bug. An input that restores must write back the same
// bytes once read again.
#include "exchange/collectiontables.h"
#include "exchange/csvtables.h"
#include "exchange/records.h"
#include "store/collection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

struct Tables {
    engine::Table lydsam, arkiv, numre, genre, musiker;
    exchange::CollectionTables refs{lydsam, arkiv, numre, genre, musiker};
    Tables() {
        engine::Table* all[] = {&lydsam, &arkiv, &numre, &genre, &musiker};
        int i = 0;
        for (const store::CollectionTable& t : store::collectionTables()) {
            t.create(*all[i]);
            t.createIndices(*all[i++]);
        }
    }
};

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    if (size == 0)
        return 0;
    // The first byte picks the table the rest of the input is a file of.
    const auto& tables = store::collectionTables();
    const store::CollectionTable& table = tables[data[0] % tables.size()];
    const QString in = dir.filePath(QStringLiteral("in"));
    QDir(in).removeRecursively();
    QDir().mkpath(in);
    {
        QFile f(in + QLatin1Char('/') + QLatin1String(table.name) + QStringLiteral(".csv"));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1));
    }
    for (bool withRows : {false, true}) {
        Tables t;
        if (withRows) {
            t.lydsam.append();
            t.lydsam.setText("Titel", "Oma");
            t.lydsam.post();
        }
        try {
            exchange::importCsvTables(t.refs, in);
        } catch (const exchange::ReadError&) {
            if (t.lydsam.storedRowCount() != (withRows ? 1 : 0))
                std::abort(); // a failed import added rows
            continue;
        }
        if (withRows)
            continue;
        // What was restored must survive a second trip unchanged.
        const QString a = dir.filePath(QStringLiteral("a")), b = dir.filePath(QStringLiteral("b"));
        exchange::writeCsvTables(t.refs, a);
        Tables again;
        exchange::importCsvTables(again.refs, a);
        exchange::writeCsvTables(again.refs, b);
        for (const store::CollectionTable& each : tables) {
            const QString name = QLatin1String(each.name) + QStringLiteral(".csv");
            if (contents(a + QLatin1Char('/') + name) != contents(b + QLatin1Char('/') + name))
                std::abort();
        }
    }
    return 0;
}
