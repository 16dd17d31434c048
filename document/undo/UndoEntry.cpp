#include "document/undo/UndoEntry.h"

#include <type_traits>

namespace kanvo {

void UndoEntry::release() {
  payload = std::monostate{};
  std::string().swap(label);
  kind = 0;
}

uint64_t UndoEntry::sizeEstimate() const {
  return std::visit(
      [](const auto& p) -> uint64_t {
        using P = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<P, UndoPixels> || std::is_same_v<P, UndoSelectionMask>) {
          return p.tiles.byteLength();
        } else if constexpr (std::is_same_v<P, UndoRegion>) {
          return uint64_t(p.pixels32.presentTileCount()) * tileByteCount(32) +
                 uint64_t(p.pixels8.presentTileCount()) * tileByteCount(8) +
                 uint64_t(p.pixels1.presentTileCount()) * tileByteCount(1) +
                 uint64_t(p.mask.presentTileCount()) * tileByteCount(8);
        } else if constexpr (std::is_same_v<P, UndoDocument>) {
          return p.snapshot ? p.snapshot->byteEstimate() : 0;
        } else {
          return 0;
        }
      },
      payload);
}

}  // namespace kanvo
