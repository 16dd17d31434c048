#include "formats/jpeg/JpegScans.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "formats/jpeg/JpegBlockDecode.h"

namespace kanvo::jpeg {

namespace {

inline int16_t store16(int64_t v) { return int16_t(clampCoefficient(v)); }

struct Store {
  int blocksW = 0, blocksH = 0;  // blocks of the whole MCU grid
  int codedW = 0, codedH = 0;    // blocks a scan of this component alone codes
  std::vector<int16_t> coef;
  alignas(32) int32_t q[64] = {};  // natural order
  bool latched = false;
  int16_t* block(int bx, int by) { return coef.data() + (size_t(by) * size_t(blocksW) + size_t(bx)) * 64; }
};

struct Grid {
  int mcusX, mcusY;
  explicit Grid(const JpegHeader& h)
      : mcusX((h.width + 8 * h.maxH - 1) / (8 * h.maxH)), mcusY((h.height + 8 * h.maxV - 1) / (8 * h.maxV)) {}
};

// The block decoders of progressive scans. Each returns false on a data error; the block then
// keeps what it had.
bool dcFirst(BitReader& br, const HuffmanDecodeTable& dc, int al, int32_t& pred, int16_t* b) {
  br.ensure(32);
  const int s = dc.decode(br);
  if (s < 0 || s > 15) return false;
  pred = int32_t(uint32_t(pred) + uint32_t(s ? extend(br.get(s), s) : 0));
  b[0] = store16(int64_t(pred) * (int64_t(1) << al));
  return true;
}

void dcRefine(BitReader& br, int al, int16_t* b) {
  br.ensure(8);
  if (br.get(1)) b[0] = int16_t(b[0] | (1 << al));
}

bool acFirst(BitReader& br, const HuffmanDecodeTable& ac, const ScanHeader& sc, int& eobrun, int16_t* b) {
  if (eobrun > 0) {
    --eobrun;
    return true;
  }
  for (int k = sc.ss; k <= sc.se; ++k) {
    br.ensure(32);
    const int rs = ac.decode(br);
    if (rs < 0) return false;
    const int r = rs >> 4, s = rs & 15;
    if (s) {
      k += r;
      if (k > sc.se) return false;
      b[kZigzag[k]] = store16(int64_t(extend(br.get(s), s)) * (int64_t(1) << sc.al));
    } else if (r == 15) {
      k += 15;  // sixteen zeros
    } else {
      // End of band, for this block and 2^r - 1 + (r more bits) blocks after it.
      eobrun = (1 << r) - 1;
      if (r) eobrun += int(br.get(r));
      break;
    }
  }
  return true;
}

bool acRefine(BitReader& br, const HuffmanDecodeTable& ac, const ScanHeader& sc, int& eobrun, int16_t* b) {
  const int bit = 1 << sc.al;
  // A coefficient already non-zero takes one more bit of magnitude.
  auto refine = [&](int16_t& c) {
    br.ensure(16);
    if (br.get(1) && (c & bit) == 0) c = store16(c >= 0 ? c + bit : c - bit);
  };
  int k = sc.ss;
  if (eobrun == 0) {
    for (; k <= sc.se; ++k) {
      br.ensure(32);
      const int rs = ac.decode(br);
      if (rs < 0) return false;
      int r = rs >> 4;
      const int s = rs & 15;
      int value = 0;
      if (s) {
        if (s != 1) return false;
        br.ensure(16);
        value = br.get(1) ? bit : -bit;
      } else if (r != 15) {
        eobrun = 1 << r;
        if (r) eobrun += int(br.get(r));
        break;
      }
      // Pass r zero coefficients (refining the non-zero ones on the way) to the new one's place.
      for (; k <= sc.se; ++k) {
        int16_t& c = b[kZigzag[k]];
        if (c != 0) {
          refine(c);
        } else if (r-- == 0) {
          break;
        }
      }
      if (value != 0) {
        if (k > sc.se) return false;
        b[kZigzag[k]] = int16_t(value);
      }
    }
  }
  if (eobrun > 0) {
    for (; k <= sc.se; ++k) {
      int16_t& c = b[kZigzag[k]];
      if (c != 0) refine(c);
    }
    --eobrun;
  }
  return true;
}

// Reads one scan into the stores. `cut` is set when its data ran out before its last block.
void readScan(std::span<const uint8_t> data, const JpegHeader& h, std::vector<Store>& stores, bool& damaged,
              bool& cut) {
  const ScanHeader& sc = h.scan;
  const Grid grid(h);
  const bool single = sc.count == 1;
  const int unitsX = single ? stores[size_t(sc.comps[0])].codedW : grid.mcusX;
  const int unitsY = single ? stores[size_t(sc.comps[0])].codedH : grid.mcusY;
  BitReader br(data.data(), data.size(), h.scanOffset);
  int32_t pred[3] = {0, 0, 0};
  int eobrun = 0, sinceRestart = 0;
  cut = false;
  auto unit = [&](int ci, int16_t* b) {
    const FrameComponent& fc = h.components[size_t(ci)];
    bool ok = true;
    if (!h.progressive) {
      std::fill_n(b, 64, int16_t(0));  // a block coded again replaces what it held
      ok = decodeBlock(br, h.dcTables[fc.dcTable], h.acTables[fc.acTable], pred[ci], b);
    } else if (sc.ss == 0) {
      if (sc.ah == 0) {
        ok = dcFirst(br, h.dcTables[fc.dcTable], sc.al, pred[ci], b);
      } else {
        dcRefine(br, sc.al, b);
      }
    } else {
      ok = sc.ah == 0 ? acFirst(br, h.acTables[fc.acTable], sc, eobrun, b)
                      : acRefine(br, h.acTables[fc.acTable], sc, eobrun, b);
    }
    if (!ok) damaged = true;
  };
  for (int uy = 0; uy < unitsY; ++uy) {
    for (int ux = 0; ux < unitsX; ++ux) {
      if (h.restartInterval > 0 && sinceRestart == h.restartInterval) {
        if (br.heldDataBits() >= 8) damaged = true;  // data left in the interval
        size_t skipped = 0;
        const bool found = br.restart(skipped);
        if (skipped) damaged = true;
        if (!found) {
          cut = true;
          return;
        }
        pred[0] = pred[1] = pred[2] = 0;
        eobrun = 0;
        sinceRestart = 0;
      }
      ++sinceRestart;
      for (int i = 0; i < sc.count; ++i) {
        const int ci = sc.comps[size_t(i)];
        Store& st = stores[size_t(ci)];
        if (single) {
          unit(ci, st.block(ux, uy));
          continue;
        }
        const FrameComponent& fc = h.components[size_t(ci)];
        for (int by = 0; by < fc.v; ++by)
          for (int bx = 0; bx < fc.h; ++bx) unit(ci, st.block(ux * fc.h + bx, uy * fc.v + by));
      }
      if (br.overrun()) {
        cut = true;
        return;
      }
    }
  }
}

// Dequantises, transforms and hands on the whole picture (clearing the stores).
void emitPicture(const JpegHeader& h, std::vector<Store>& stores, RowAssembler& rows, RowSink& out) {
  const Grid grid(h);
  for (int my = 0; my < grid.mcusY; ++my) {
    for (int ci = 0; ci < h.componentCount; ++ci) {
      Store& st = stores[size_t(ci)];
      const ptrdiff_t stride = rows.stride(ci);
      for (int by = 0; by < h.components[size_t(ci)].v; ++by)
        inverseDctBlocks(st.block(0, my * h.components[size_t(ci)].v + by), st.blocksW, st.q,
                         rows.rows(ci) + by * 8 * stride, stride);
    }
    rows.push(out);
  }
  rows.finish(out);
}

}  // namespace

bool needsCoefficientStore(const JpegHeader& h) { return h.progressive || h.scan.count < h.componentCount; }

uint64_t coefficientStoreBytes(const JpegHeader& h) {
  const Grid grid(h);
  uint64_t blocks = 0;
  for (int i = 0; i < h.componentCount; ++i)
    blocks += uint64_t(grid.mcusX) * uint64_t(h.components[size_t(i)].h) * uint64_t(grid.mcusY) *
              uint64_t(h.components[size_t(i)].v);
  return blocks * 64 * sizeof(int16_t);
}

Status decodeScans(std::span<const uint8_t> data, const JpegHeader& first, RowSink& out) {
  const Grid grid(first);
  std::vector<Store> stores;
  RowAssembler rows;
  try {
    stores.resize(size_t(first.componentCount));
    for (int i = 0; i < first.componentCount; ++i) {
      const FrameComponent& fc = first.components[size_t(i)];
      Store& st = stores[size_t(i)];
      st.blocksW = grid.mcusX * fc.h;
      st.blocksH = grid.mcusY * fc.v;
      // A component alone covers its own samples only: ceil(width * h / maxH) of them a row.
      st.codedW = ((first.width * fc.h + first.maxH - 1) / first.maxH + 7) / 8;
      st.codedH = ((first.height * fc.v + first.maxV - 1) / first.maxV + 7) / 8;
      st.coef.assign(size_t(st.blocksW) * size_t(st.blocksH) * 64, 0);
    }
  } catch (const std::bad_alloc&) {
    return Status::failed("not enough memory to decode the JPEG picture");
  }
  if (!rows.init(first)) return Status::failed("not enough memory to decode the JPEG picture");

  JpegHeader h = first;
  bool damaged = false, truncated = false;
  while (true) {
    for (int i = 0; i < h.scan.count; ++i) {
      Store& st = stores[size_t(h.scan.comps[size_t(i)])];
      if (st.latched) continue;
      const auto& table = h.quant[size_t(h.components[size_t(h.scan.comps[size_t(i)])].quantId)];
      for (int k = 0; k < 64; ++k) st.q[kZigzag[k]] = table[size_t(k)];
      st.latched = true;
    }
    bool cut = false;
    readScan(data, h, stores, damaged, cut);
    const size_t end = scanDataEnd(data, h.scanOffset);
    if (end >= data.size()) {
      truncated = true;
      break;
    }
    if (cut) damaged = true;
    bool ended = false;
    const Status s = readNextScan(data, end, h, ended);
    if (s.isFailed()) damaged = true;
    if (s.isPartial()) truncated = true;
    if (ended || !s.isOk()) break;
  }
  emitPicture(first, stores, rows, out);
  if (truncated) return Status::partial("truncated JPEG: parts of the picture are missing or coarse");
  if (damaged) return Status::partial("damaged JPEG data: parts of the picture may be wrong");
  return Status::ok();
}

}  // namespace kanvo::jpeg
