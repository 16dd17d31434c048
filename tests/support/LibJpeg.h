#pragma once
// Test helper: libjpeg (libjpeg-turbo) as a peer, in memory. Errors are caught and reported
// as an empty result instead of ending the process.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>  // after <cstdio> and <cstddef>, which it needs
#include <string>
#include <vector>

namespace kanvo::test {

namespace libjpeg_detail {
struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};
inline void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}
inline void onMessage(j_common_ptr, int) {}
}  // namespace libjpeg_detail

struct LibJpegImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // packed RGB
  std::string error;
  int warnings = 0;
};

// Decodes a JPEG into packed RGB with libjpeg's default (accurate integer) settings.
inline LibJpegImage libjpegDecode(const std::vector<uint8_t>& bytes) {
  LibJpegImage out;
  jpeg_decompress_struct cinfo;
  libjpeg_detail::ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = libjpeg_detail::onError;
  err.pub.emit_message = libjpeg_detail::onMessage;
  if (setjmp(err.jump)) {
    out.error = err.message;
    out.rgb.clear();
    jpeg_destroy_decompress(&cinfo);
    return out;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = int(cinfo.output_width);
  out.height = int(cinfo.output_height);
  out.rgb.resize(size_t(out.width) * out.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.rgb.data() + size_t(cinfo.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  out.warnings = int(err.pub.num_warnings);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

struct LibJpegOptions {
  int quality = 85;
  int lumaH = 1, lumaV = 1;  // luminance sampling factors; chrominance is 1 x 1
  int restartBlocks = 0;     // restart interval in MCUs, 0 = none
  bool grayscale = false;
  bool rgb = false;  // store R, G, B without conversion (Adobe marker, transform 0)
  bool optimize = false;
};

// Encodes packed RGB with libjpeg, baseline.
inline std::vector<uint8_t> libjpegEncode(const uint8_t* rgb, int width, int height, const LibJpegOptions& o) {
  jpeg_compress_struct cinfo;
  libjpeg_detail::ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = libjpeg_detail::onError;
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    free(mem);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, o.quality, TRUE);
  if (o.grayscale) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  if (o.rgb) jpeg_set_colorspace(&cinfo, JCS_RGB);
  if (!o.grayscale) {
    cinfo.comp_info[0].h_samp_factor = o.lumaH;
    cinfo.comp_info[0].v_samp_factor = o.lumaV;
    for (int i = 1; i < 3; ++i) cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
  }
  cinfo.restart_interval = JDIMENSION(o.restartBlocks);
  cinfo.optimize_coding = o.optimize ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rgb) + size_t(cinfo.next_scanline) * width * 3;  // only read
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + memSize);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}

// Rewrites a file's coefficients without loss, as jpegtran does: progressive (libjpeg's
// standard script of DC, spectral-selection and successive-approximation scans, Huffman tables
// made for each scan), or sequential with each component in a scan of its own; with a restart
// interval in MCUs (0 = none). Empty when libjpeg refuses.
enum class Rescan { kProgressive, kScanPerComponent };
inline std::vector<uint8_t> libjpegRescan(const std::vector<uint8_t>& bytes, Rescan kind, int restartBlocks = 0) {
  jpeg_decompress_struct src;
  jpeg_compress_struct dst;
  libjpeg_detail::ErrorManager err;
  src.err = dst.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = libjpeg_detail::onError;
  err.pub.emit_message = libjpeg_detail::onMessage;
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_scan_info scans[4] = {};
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&dst);
    jpeg_destroy_decompress(&src);
    free(mem);
    return {};
  }
  jpeg_create_decompress(&src);
  jpeg_create_compress(&dst);
  jpeg_mem_src(&src, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&src, TRUE);
  jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&src);
  jpeg_copy_critical_parameters(&src, &dst);
  jpeg_mem_dest(&dst, &mem, &memSize);
  if (kind == Rescan::kProgressive) {
    jpeg_simple_progression(&dst);
  } else {
    for (int i = 0; i < dst.num_components; ++i) {
      scans[i].comps_in_scan = 1;
      scans[i].component_index[0] = i;
      scans[i].Se = 63;
    }
    dst.scan_info = scans;
    dst.num_scans = dst.num_components;
  }
  dst.restart_interval = JDIMENSION(restartBlocks);
  jpeg_write_coefficients(&dst, coefficients);
  jpeg_finish_compress(&dst);
  std::vector<uint8_t> out(mem, mem + memSize);
  jpeg_destroy_compress(&dst);
  jpeg_finish_decompress(&src);
  jpeg_destroy_decompress(&src);
  free(mem);
  return out;
}

}  // namespace kanvo::test
