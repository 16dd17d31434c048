#include "raster/pixel/BitTables.h"

namespace kanvo {

namespace {
constexpr BitTables kBitTables = BitTables::build();
}

const BitTables& bitTables() { return kBitTables; }

}  // namespace kanvo
