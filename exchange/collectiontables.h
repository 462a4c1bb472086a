#pragma once

#include "engine/table.h"
#include "store/covers.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// The five collection tables as the importer and the writers see them; the window and the
// command-line tool each own theirs.
namespace exchange {

struct CollectionTables {
    engine::Table& lydsam;
    engine::Table& arkiv;
    engine::Table& numre;
    engine::Table& genre;
    engine::Table& musiker;
    store::Covers* covers = nullptr; // where imported covers go; none: they are left out

    // By the table's name ("Lydsam", ...); raises for any other name.
    engine::Table& named(std::string_view name) const {
        const std::pair<std::string_view, engine::Table*> all[] = {{"Lydsam", &lydsam},
                                                                   {"Arkiv", &arkiv},
                                                                   {"Numre", &numre},
                                                                   {"Genre", &genre},
                                                                   {"Musiker", &musiker}};
        for (const auto& [n, t] : all)
            if (n == name)
                return *t;
        throw std::invalid_argument("No collection table is called " + std::string(name));
    }
};

} // namespace exchange
