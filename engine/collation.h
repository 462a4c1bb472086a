#pragma once

#include <string>
#include <string_view>

// The order of text in indices: the collation of the user's locale, case-insensitive and
// accent-aware ("a" = "A", "e" < "é" < "f"). One collation serves the whole process.
namespace engine::collation {

// The locale named by LC_ALL, LC_COLLATE or LANG (the first one set), without its encoding;
// "" (the root collation) for C and POSIX.
std::string localeFromEnvironment();

// Replaces the collation; indices built before keep their old order until rebuilt. Only while
// no other thread compares: before tables are opened on threads of their own (the collator is
// replaced under them, not locked), never during a load.
void setLocale(const std::string& locale);
std::string locale();
// Names the locale and the version of its collation rules: orders made under another identity
// may differ.
std::string identity();

// Three-way comparison of two UTF-8 texts; damaged UTF-8 compares as U+FFFD.
int compare(std::string_view a, std::string_view b);

// Appends the text's key, ending in a zero byte and with no other zero byte, so keys compare
// byte-wise like compare() and keys of several fields can be concatenated.
void appendSortKey(std::string& out, std::string_view s);

} // namespace engine::collation
