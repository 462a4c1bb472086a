#include "recordrules.h"

#include "engine/error.h"

#include <algorithm>
#include <cstdint>

namespace store {

std::int32_t issueArchiveNumber(engine::Table& arkiv, const engine::Table& lydsam) {
    arkiv.last();
    std::int32_t n = arkiv.isEmpty() ? 0 : arkiv.asInteger("ArkivNr");
    if (const auto highest = lydsam.maxInteger(lydsam.fieldIndex("Num")))
        n = std::max(n, *highest);
    if (n == INT32_MAX)
        throw engine::Error("No archive numbers are left");
    arkiv.append();
    arkiv.setInteger("ArkivNr", n + 1);
    arkiv.post();
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
