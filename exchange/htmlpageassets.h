#pragma once

#include <string_view>

// The page's fixed style and script. They go into the page byte for byte, since the page's
// Content-Security-Policy allows them by their hashes.
namespace exchange::htmlpageassets {

extern const std::string_view style;
extern const std::string_view script;

} // namespace exchange::htmlpageassets
