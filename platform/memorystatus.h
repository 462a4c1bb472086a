#pragma once

#include <cstdint>

namespace platform {

struct MemoryStatus {
    std::uint64_t totalPhysicalKb = 0;
    int memoryLoadPercent = 0; // share of physical memory in use, 0 to 100
};

MemoryStatus memoryStatus();

} // namespace platform
