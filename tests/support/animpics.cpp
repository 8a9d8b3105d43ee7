// Animation writers for tests: giflib's encoder frame by frame, and
// libwebpmux's ANMF frames over lossless pictures.
#include "support/animpics.h"

#include <gif_lib.h>
#include <webp/encode.h>
#include <webp/mux.h>

const uint32_t kAnimGifColours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000};

namespace {

int GifAppend(GifFileType* gif, const GifByteType* data, int length) {
  ((std::string*)gif->UserData)->append((const char*)data, (size_t)length);
  return length;
}

}  // namespace

std::string EncodeAnimGif(int width, int height, const std::vector<AnimGifFrame>& frames, int repeats) {
  std::string bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, GifAppend, &error);
  if (gif == nullptr) return std::string();
  GifColorType colours[4];
  for (int i = 0; i < 4; ++i) {
    const uint32_t c = kAnimGifColours[i];
    colours[i] = GifColorType{(GifByteType)(c >> 16), (GifByteType)(c >> 8), (GifByteType)c};
  }
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, width, height, 2, 0, map) == GIF_OK;
  if (repeats >= 0) {
    const char loop[3] = {1, (char)(repeats & 0xFF), (char)(repeats >> 8)};
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
  }
  for (const AnimGifFrame& f : frames) {
    GraphicsControlBlock control = {f.disposal, false, f.delayCs, f.holeColumns > 0 ? 3 : NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
         EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr) == GIF_OK;
    std::vector<GifByteType> line((size_t)f.width);
    for (int x = 0; x < f.width; ++x) line[(size_t)x] = (GifByteType)(x < f.holeColumns ? 3 : f.colour);
    for (int y = 0; ok && y < f.height; ++y) ok = EGifPutLine(gif, line.data(), f.width) == GIF_OK;
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return ok ? bytes : std::string();
}

std::string EncodeAnimWebp(int width, int height, const std::vector<AnimWebpFrame>& frames, int loops) {
  WebPMux* mux = WebPMuxNew();
  bool ok = mux != nullptr;
  for (const AnimWebpFrame& f : frames) {
    std::vector<uint8_t> rgba((size_t)f.width * f.height * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
      rgba[i] = f.r;
      rgba[i + 1] = f.g;
      rgba[i + 2] = f.b;
      rgba[i + 3] = f.a;
    }
    uint8_t* encoded = nullptr;
    const size_t size = WebPEncodeLosslessRGBA(rgba.data(), f.width, f.height, f.width * 4, &encoded);
    WebPMuxFrameInfo info = {};
    info.bitstream = {encoded, size};
    info.x_offset = f.left;
    info.y_offset = f.top;
    info.duration = f.durationMs;
    info.id = WEBP_CHUNK_ANMF;
    info.dispose_method = f.disposeToBackground ? WEBP_MUX_DISPOSE_BACKGROUND : WEBP_MUX_DISPOSE_NONE;
    info.blend_method = f.blend ? WEBP_MUX_BLEND : WEBP_MUX_NO_BLEND;
    ok = ok && size > 0 && WebPMuxPushFrame(mux, &info, 1) == WEBP_MUX_OK;
    WebPFree(encoded);
  }
  WebPMuxAnimParams params = {0xFFFFFFFF, loops};
  ok = ok && WebPMuxSetAnimationParams(mux, &params) == WEBP_MUX_OK &&
       WebPMuxSetCanvasSize(mux, width, height) == WEBP_MUX_OK;
  WebPData assembled = {nullptr, 0};
  ok = ok && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
  std::string bytes = ok ? std::string((const char*)assembled.bytes, assembled.size) : std::string();
  WebPDataClear(&assembled);
  WebPMuxDelete(mux);
  return bytes;
}
