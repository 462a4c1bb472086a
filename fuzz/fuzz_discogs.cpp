// The Discogs export reader and its mapping on arbitrary bytes, then the import of what it
// found. Only exchange::ReadError may come out of the reader; the importer must take whatever
// the reader gives, and a second import of the same releases must add none.
#include "exchange/collectiontables.h"
#include "exchange/discogs.h"
#include "exchange/importer.h"
#include "store/collection.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    exchange::ReadResult found;
    try {
        found = exchange::readDiscogs(buffer, QStringLiteral("fuzz.csv"), {size % 2 == 0});
    } catch (const exchange::ReadError&) {
        return 0;
    }
    engine::Table lydsam, arkiv, numre, genre, musiker;
    engine::Table* all[] = {&lydsam, &arkiv, &numre, &genre, &musiker};
    int i = 0;
    for (const store::CollectionTable& t : store::collectionTables()) {
        t.create(*all[i]);
        t.createIndices(*all[i++]);
    }
    exchange::CollectionTables tables{lydsam, arkiv, numre, genre, musiker};
    const exchange::ImportSummary first = exchange::importRecords(tables, found);
    if (first.releases + first.skipped != static_cast<int>(found.releases.size()) + found.skipped)
        std::abort();
    if (exchange::importRecords(tables, found).releases != 0)
        std::abort(); // the same export again must add nothing
    return 0;
}
