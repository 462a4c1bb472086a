#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace store {

// Writes bytes beside path, flushes them, renames them over path and flushes the folder, so
// that path holds either its old bytes or all of these. Returns the new file, open for
// appending, when keepOpen (the caller closes it); else -1. Raises an Error naming path.
int replaceFile(const std::string& path, std::string_view bytes, bool keepOpen = false);
// The same without flushing: whole or absent after the program stops, not after a power cut.
// For what can be made again or only guards against a crash.
void replaceFileUnflushed(const std::string& path, std::string_view bytes);
// The whole file; nothing when there is no such file. Raises an Error naming path on any other
// failure to read it.
std::optional<std::string> readFileIfAny(const std::string& path);
// The first half of replaceFile: bytes written and flushed to path + ".tmp-XXXXXX", whose name is
// returned; nothing is replaced yet.
std::string writeTemporary(const std::string& path, std::string_view bytes);

} // namespace store
