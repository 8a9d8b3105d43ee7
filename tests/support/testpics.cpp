// Test pictures compressed with libjpeg, and frame-header surgery for
// damaged and unsupported files.
#include "support/testpics.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstddef>
#include <cstdlib>
#include <cstring>

Picture MakePicture(int width, int height, int components) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.components = components;
  picture.samples.assign((size_t)width * (size_t)height * (size_t)components, 0);
  return picture;
}

Picture SolidColour(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
  Picture picture = MakePicture(width, height, 3);
  for (size_t i = 0; i < picture.samples.size(); i += 3) {
    picture.samples[i] = red;
    picture.samples[i + 1] = green;
    picture.samples[i + 2] = blue;
  }
  return picture;
}

Picture SolidGrey(int width, int height, uint8_t level) {
  Picture picture = MakePicture(width, height, 1);
  std::memset(picture.samples.data(), level, picture.samples.size());
  return picture;
}

Picture RampPicture(int width, int height) {
  Picture picture = MakePicture(width, height, 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.At(x, y);
      p[0] = (uint8_t)(width > 1 ? x * 255 / (width - 1) : 0);
      p[1] = (uint8_t)(height > 1 ? y * 255 / (height - 1) : 0);
      p[2] = 128;
    }
  }
  return picture;
}

Picture Inverted(const Picture& picture) {
  Picture inverted = picture;
  for (uint8_t& v : inverted.samples) v = (uint8_t)(255 - v);
  return inverted;
}

Picture SolidCmyk(int width, int height, uint8_t c, uint8_t m, uint8_t y, uint8_t k) {
  Picture picture = MakePicture(width, height, 4);
  for (size_t i = 0; i < picture.samples.size(); i += 4) {
    picture.samples[i] = c;
    picture.samples[i + 1] = m;
    picture.samples[i + 2] = y;
    picture.samples[i + 3] = k;
  }
  return picture;
}

namespace {

// The compressor's errors jump back to Compress instead of ending the
// process. The records live in the caller's frame, so the recovery path
// reads nothing that changed after setjmp in Compress's own frame.
struct EncodeCall {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr manager;
  jmp_buf jump;
};

void EncodeErrorExit(j_common_ptr cinfo) {
  EncodeCall* call = (EncodeCall*)((char*)cinfo->err - offsetof(EncodeCall, manager));
  longjmp(call->jump, 1);
}
void EncodeQuiet(j_common_ptr) {}

// C-style on purpose: nothing with a destructor lives across the jump.
bool Compress(EncodeCall* call, const Picture& picture, const JpegOptions& options, unsigned char** out,
              unsigned long* size) {
  jpeg_compress_struct* cinfo = &call->cinfo;
  if (setjmp(call->jump) != 0) {
    jpeg_destroy_compress(cinfo);
    return false;
  }
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, out, size);
  cinfo->image_width = (JDIMENSION)picture.width;
  cinfo->image_height = (JDIMENSION)picture.height;
  cinfo->input_components = picture.components;
  cinfo->in_color_space = picture.components == 1 ? JCS_GRAYSCALE : picture.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, options.quality, TRUE);
  cinfo->write_JFIF_header = options.jfif ? TRUE : FALSE;
  cinfo->density_unit = (UINT8)options.densityUnit;
  cinfo->X_density = (UINT16)options.xDensity;
  cinfo->Y_density = (UINT16)options.yDensity;
  if (options.fullChroma) {
    for (int c = 0; c < cinfo->num_components; ++c) {
      cinfo->comp_info[c].h_samp_factor = 1;
      cinfo->comp_info[c].v_samp_factor = 1;
    }
  }
  if (options.lumaH > 0 && options.lumaV > 0 && cinfo->num_components == 3) {
    cinfo->comp_info[0].h_samp_factor = options.lumaH;
    cinfo->comp_info[0].v_samp_factor = options.lumaV;
  }
  if (options.progressive) jpeg_simple_progression(cinfo);
  jpeg_start_compress(cinfo, TRUE);
  const size_t rowBytes = (size_t)picture.width * (size_t)picture.components;
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = (JSAMPROW)(picture.samples.data() + (size_t)cinfo->next_scanline * rowBytes);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  jpeg_destroy_compress(cinfo);
  return true;
}

// Offset of the frame header's marker (SOF0 ... SOF15 without DHT, JPG, DAC).
size_t FindFrame(const std::string& jpeg) {
  static const uint8_t kFrames[] = {0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF};
  for (uint8_t code : kFrames) {
    const size_t at = FindMarker(jpeg, code);
    if (at != std::string::npos && at + 9 < jpeg.size()) return at;
  }
  return std::string::npos;
}

}  // namespace

std::string EncodeJpeg(const Picture& picture, const JpegOptions& options) {
  if (picture.width <= 0 || picture.height <= 0) return std::string();
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  EncodeCall call;
  std::memset(&call, 0, sizeof call);
  call.cinfo.err = jpeg_std_error(&call.manager);
  call.manager.error_exit = EncodeErrorExit;
  call.manager.output_message = EncodeQuiet;
  const bool ok = Compress(&call, picture, options, &buffer, &size);
  std::string bytes;
  if (ok && buffer != nullptr) bytes.assign((const char*)buffer, (size_t)size);
  std::free(buffer);
  return bytes;
}

size_t FindMarker(const std::string& jpeg, uint8_t code) {
  const uint8_t* b = (const uint8_t*)jpeg.data();
  const size_t n = jpeg.size();
  if (n < 2 || b[0] != 0xFF || b[1] != 0xD8) return std::string::npos;
  size_t at = 2;
  // Segments up to the first scan: marker, 2-byte length, payload.
  while (at + 4 <= n && b[at] == 0xFF) {
    const uint8_t marker = b[at + 1];
    if (marker == code) return at;
    if (marker == 0xDA || marker == 0xD9) break;
    at += 2 + (((size_t)b[at + 2] << 8) | b[at + 3]);
  }
  return std::string::npos;
}

bool SetFrameSize(std::string* jpeg, unsigned width, unsigned height) {
  const size_t at = FindFrame(*jpeg);
  if (at == std::string::npos) return false;
  // Marker (2), length (2), precision (1), height (2), width (2).
  (*jpeg)[at + 5] = (char)(height >> 8);
  (*jpeg)[at + 6] = (char)(height & 0xFF);
  (*jpeg)[at + 7] = (char)(width >> 8);
  (*jpeg)[at + 8] = (char)(width & 0xFF);
  return true;
}

bool SetFramePrecision(std::string* jpeg, unsigned bits) {
  const size_t at = FindFrame(*jpeg);
  if (at == std::string::npos) return false;
  (*jpeg)[at + 4] = (char)bits;
  return true;
}

bool SetFrameType(std::string* jpeg, uint8_t code) {
  const size_t at = FindFrame(*jpeg);
  if (at == std::string::npos) return false;
  (*jpeg)[at + 1] = (char)code;
  return true;
}

FILE* StreamOf(const std::string& bytes) {
  FILE* stream = std::tmpfile();
  if (stream == nullptr) return nullptr;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
    std::fclose(stream);
    return nullptr;
  }
  std::rewind(stream);
  return stream;
}
