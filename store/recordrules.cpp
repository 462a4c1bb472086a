#include "recordrules.h"

#include "engine/error.h"

#include <algorithm>
#include <cstdint>

namespace store {

std::int32_t issueArchiveNumber(engine::Table& arkiv, const engine::Table& lydsam) {
    return issueArchiveNumbers(arkiv, lydsam, 1);
}

std::int32_t issueArchiveNumbers(engine::Table& arkiv, const engine::Table& lydsam, int count) {
    arkiv.last();
    std::int32_t n = arkiv.isEmpty() ? 0 : arkiv.asInteger("ArkivNr");
    if (const auto highest = lydsam.maxInteger(lydsam.fieldIndex("Num")))
        n = std::max(n, *highest);
    // In 64 bits: the last number may be negative (typed by hand) or the highest there is.
    if (std::int64_t{n} + std::max(count, 1) > INT32_MAX)
        throw engine::Error("No archive numbers are left");
    if (count < 1)
        return n + 1;
    const int field = arkiv.fieldIndex("ArkivNr");
    for (int i = 1; i <= count; ++i) {
        arkiv.append();
        arkiv.setInteger(field, n + i);
        arkiv.post();
    }
    return n + 1;
}

void linkNewTrack(engine::Table& numre, const std::string& releaseTitle,
                  const std::string& releaseNumText) {
    numre.setText("Titel", releaseTitle);
    numre.setInteger("Nummer", numre.recordCount() + 1);
    numre.setText("Num", releaseNumText);
}

void linkNewMusician(engine::Table& musiker, const std::string& trackTitle,
                     const std::string& releaseTitle) {
    musiker.setText("NrTitel", trackTitle);
    musiker.setText("Titel", releaseTitle);
}

} // namespace store
