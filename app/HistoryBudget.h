#pragma once
// How many bytes the undo history may keep: a sixteenth of the machine's physical memory,
// at least 64 MiB and at most 1 GiB. One stroke across a large canvas can record tens of
// megabytes, so a fixed megabyte would leave a single undo step.
#include <cstdint>

namespace kanvo {

constexpr uint64_t kMinHistoryBudget = uint64_t(64) << 20;
constexpr uint64_t kMaxHistoryBudget = uint64_t(1) << 30;

// For a machine of physicalBytes (0 when unknown gives the minimum).
uint32_t historyBudgetFor(uint64_t physicalBytes);
// For this machine.
uint32_t historyBudget();

}  // namespace kanvo
