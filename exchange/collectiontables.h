#pragma once

#include "engine/table.h"

// The five collection tables as the importer and the writers see them; the window and the
// command-line tool each own theirs.
namespace exchange {

struct CollectionTables {
    engine::Table& lydsam;
    engine::Table& arkiv;
    engine::Table& numre;
    engine::Table& genre;
    engine::Table& musiker;
};

} // namespace exchange
