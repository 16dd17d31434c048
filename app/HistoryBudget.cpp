#include "app/HistoryBudget.h"

#include <unistd.h>

#include <algorithm>

namespace kanvo {

uint32_t historyBudgetFor(uint64_t physicalBytes) {
  return uint32_t(std::clamp(physicalBytes / 16, kMinHistoryBudget, kMaxHistoryBudget));
}

uint32_t historyBudget() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  return historyBudgetFor(pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0);
}

}  // namespace kanvo
