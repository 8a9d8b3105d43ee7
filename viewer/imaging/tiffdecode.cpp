// TIFF glue on libtiff 4: the first page, read through the bounded input.
// Stripped grey, palette and RGB pages (1 to 16 bits, alpha, JPEG-coded
// YCbCr) are read scanline by scanline and reduced as they stream in; every
// other layout libtiff can convert (tiles, separate planes, subsampled
// YCbCr) comes through its RGBA reader a band of rows at a time. CMYK is
// refused as the JPEG path refuses it. libtiff allocates by itself: its
// memory is reserved from the budget as a bound before it runs, and its
// single allocations are held to what the budget has left.
#include <tiffio.h>

#include <cstring>
#include <mutex>
#include <new>

#include "imaging/picturedecoder.h"
#include "imaging/pixelrows.h"
#include "imaging/rowreduce.h"
#include "platform/base/heap.h"
#include "shell/memblock.h"

namespace {

constexpr const char kFormat[] = "TIFF";
// The directory, tag arrays and codec records of an open file.
constexpr uint64_t kTiffOpenBytes = (uint64_t)1 << 20;
// A codec's own rows beside the strip (libjpeg's, for JPEG-coded pages).
constexpr uint64_t kTiffCodecBytesPerColumn = 128;

class CTiffDecoder : public CPictureDecoder {
 public:
  explicit CTiffDecoder(CDecodeInput* input) : m_pInput(input) {}
  ~CTiffDecoder() override;
  BOOL ReadHeader(PictureInfo* info) override;
  CDib Decode(int width, int height) override;

 private:
  static tmsize_t OnRead(thandle_t handle, void* data, tmsize_t size);
  static tmsize_t OnWrite(thandle_t, void*, tmsize_t) { return 0; }
  static toff_t OnSeek(thandle_t handle, toff_t offset, int whence);
  static int OnClose(thandle_t) { return 0; }
  static toff_t OnSize(thandle_t handle) { return ((CTiffDecoder*)handle)->m_pInput->Size(); }
  static int OnMap(thandle_t, void**, toff_t*) { return 0; }
  static void OnUnmap(thandle_t, void*, toff_t) {}
  static int OnError(TIFF*, void* self, const char*, const char* format, va_list args);
  static int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

  BOOL Refuse(const char* reason);
  BOOL LibraryError();
  BOOL ScanlineLayout();
  CDib DecodeScanlines(unsigned shift);
  CDib DecodeBands(unsigned shift);
  void ConvertRow(const BYTE* in, BYTE* out) const;
  BYTE Palette(unsigned index, int lane) const;

  CDecodeInput* m_pInput;
  CDecodeReservation m_library;
  TIFF* m_tif = nullptr;
  char m_message[160] = "";
  uint32_t m_nWidth = 0, m_nHeight = 0;
  uint16_t m_nPhotometric = 0, m_nBits = 0, m_nSamples = 0, m_nPlanar = 0;
  bool m_bAlpha = false, m_bAssociated = false;
  uint16_t* m_pMap[3] = {nullptr, nullptr, nullptr};
  bool m_bWideMap = true;  // colour map entries of 16 bits (else 8)
};

CTiffDecoder::~CTiffDecoder() {
  if (m_tif != nullptr) TIFFClose(m_tif);
}

tmsize_t CTiffDecoder::OnRead(thandle_t handle, void* data, tmsize_t size) {
  if (size <= 0) return 0;
  return (tmsize_t)((CTiffDecoder*)handle)->m_pInput->Read(data, (size_t)size);
}

toff_t CTiffDecoder::OnSeek(thandle_t handle, toff_t offset, int whence) {
  CDecodeInput* input = ((CTiffDecoder*)handle)->m_pInput;
  uint64_t target = offset;
  if (whence == SEEK_CUR) target = input->Tell() + offset;
  if (whence == SEEK_END) target = input->Size() + offset;
  return input->Seek(target) ? target : (toff_t)-1;
}

int CTiffDecoder::OnError(TIFF*, void* self, const char*, const char* format, va_list args) {
  CTiffDecoder* decoder = (CTiffDecoder*)self;
  if (decoder->m_message[0] == '\0') std::vsnprintf(decoder->m_message, sizeof decoder->m_message, format, args);
  return 1;
}

BOOL CTiffDecoder::Refuse(const char* reason) {
  SetPictureInputError(*m_pInput, reason);
  return FALSE;
}

// An allocation the library could not make ("Out of memory", or one past
// the single-allocation limit, which is what the budget had left) is the
// memory case; every other message is the library's.
BOOL CTiffDecoder::LibraryError() {
  if (m_pInput->Failure() != nullptr) return Refuse(nullptr);
  if (std::strstr(m_message, "Out of memory") != nullptr || std::strstr(m_message, "beyond the") != nullptr) {
    return Refuse(kPictureNoMemory);
  }
  SetPictureLibraryError(kFormat, m_message);
  return FALSE;
}

BOOL CTiffDecoder::ReadHeader(PictureInfo* info) {
  // Messages without a file (the library's global handlers) go nowhere.
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
  if (!m_library.Take(kTiffOpenBytes)) return Refuse(kPictureNoMemory);
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return Refuse(kPictureNoMemory);
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, this);
  // No single allocation of the library may pass what the budget has left.
  const size_t available = HeapBytesAvailable();
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, (tmsize_t)(available > ((size_t)1 << 40) ? (size_t)1 << 40 : available));
  // "m": no memory mapping, every byte comes through the input.
  m_tif = TIFFClientOpenExt("picture", "rm", (thandle_t)this, OnRead, OnWrite, OnSeek, OnClose, OnSize, OnMap, OnUnmap,
                            options);
  TIFFOpenOptionsFree(options);
  if (m_tif == nullptr) return LibraryError();
  TIFFGetField(m_tif, TIFFTAG_IMAGEWIDTH, &m_nWidth);
  TIFFGetField(m_tif, TIFFTAG_IMAGELENGTH, &m_nHeight);
  if (!AcceptPictureSize(m_pInput, m_nWidth, m_nHeight)) return FALSE;
  info->width = m_nWidth;
  info->height = m_nHeight;
  uint16_t orientation = 0;
  if (TIFFGetField(m_tif, TIFFTAG_ORIENTATION, &orientation) && orientation >= 1 && orientation <= 8) {
    info->orientation = orientation;
  }
  return TRUE;
}

// Layouts whose scanlines this glue converts itself; the rest go to libtiff's
// RGBA reader.
BOOL CTiffDecoder::ScanlineLayout() {
  if (TIFFIsTiled(m_tif) || m_nPlanar != PLANARCONFIG_CONTIG) return FALSE;
  const uint16_t b = m_nBits;
  const unsigned extra = m_bAlpha ? 1 : 0;
  // Packed samples come one to a pixel.
  if (b < 8 && m_nSamples != 1) return FALSE;
  switch (m_nPhotometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
      return (b == 1 || b == 2 || b == 4 || b == 8 || b == 16) && m_nSamples >= 1 + extra;
    case PHOTOMETRIC_PALETTE:
      return (b == 1 || b == 2 || b == 4 || b == 8) && m_nSamples >= 1 + extra &&
             TIFFGetField(m_tif, TIFFTAG_COLORMAP, &m_pMap[0], &m_pMap[1], &m_pMap[2]);
    case PHOTOMETRIC_RGB:
      return (b == 8 || b == 16) && m_nSamples >= 3 + extra;
    default:
      return FALSE;
  }
}

BYTE CTiffDecoder::Palette(unsigned index, int lane) const {
  const unsigned v = m_pMap[lane][index];
  return (BYTE)(m_bWideMap ? v >> 8 : v);
}

// One scanline to blue, green, red (or grey), alpha composited over white.
void CTiffDecoder::ConvertRow(const BYTE* in, BYTE* out) const {
  const unsigned b = m_nBits, spp = m_nSamples;
  const uint16_t* in16 = (const uint16_t*)in;
  auto sample = [&](uint64_t i) -> unsigned { return b == 16 ? Sample16To8(in16[i]) : in[i]; };
  auto over = [&](unsigned c, unsigned a) -> BYTE {
    if (!m_bAlpha) return (BYTE)c;
    return m_bAssociated ? (BYTE)(c + 255 - a > 255 ? 255 : c + 255 - a) : OverWhite(c, a);
  };
  if (b < 8) {
    // Packed grey or palette indices, most significant bits first.
    const unsigned mask = (1u << b) - 1;
    for (uint32_t x = 0; x < m_nWidth; ++x) {
      const uint64_t bit = (uint64_t)x * b;
      const unsigned v = (in[bit >> 3] >> (8 - b - (bit & 7))) & mask;
      if (m_nPhotometric == PHOTOMETRIC_PALETTE) {
        for (int lane = 0; lane < 3; ++lane) out[3 * x + lane] = Palette(v, 2 - lane);
      } else {
        const BYTE grey = (BYTE)(v * 255 / mask);
        out[x] = m_nPhotometric == PHOTOMETRIC_MINISWHITE ? (BYTE)(255 - grey) : grey;
      }
    }
    return;
  }
  for (uint32_t x = 0; x < m_nWidth; ++x) {
    const uint64_t at = (uint64_t)x * spp;
    if (m_nPhotometric == PHOTOMETRIC_RGB) {
      const unsigned a = m_bAlpha ? sample(at + 3) : 255;
      for (int lane = 0; lane < 3; ++lane) out[3 * x + lane] = over(sample(at + 2 - lane), a);
    } else if (m_nPhotometric == PHOTOMETRIC_PALETTE) {
      for (int lane = 0; lane < 3; ++lane) out[3 * x + lane] = Palette(in[at], 2 - lane);
    } else {
      unsigned grey = sample(at);
      if (m_nPhotometric == PHOTOMETRIC_MINISWHITE) grey = 255 - grey;
      out[x] = over(grey, m_bAlpha ? sample(at + 1) : 255);
    }
  }
}

CDib CTiffDecoder::Decode(int width, int height) {
  if (m_tif == nullptr) return nullptr;
  // 1. The layout. CMYK is refused as the JPEG path refuses it.
  uint16_t extraCount = 0;
  uint16_t* extra = nullptr;
  TIFFGetFieldDefaulted(m_tif, TIFFTAG_PHOTOMETRIC, &m_nPhotometric);
  TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &m_nBits);
  TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &m_nSamples);
  TIFFGetFieldDefaulted(m_tif, TIFFTAG_PLANARCONFIG, &m_nPlanar);
  if (TIFFGetField(m_tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra != nullptr) {
    m_bAlpha = extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA;
    m_bAssociated = extra[0] == EXTRASAMPLE_ASSOCALPHA;
  }
  if (m_nPhotometric == PHOTOMETRIC_SEPARATED) {
    Refuse(kPictureCmyk);
    return nullptr;
  }
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(m_tif, TIFFTAG_COMPRESSION, &compression);
  if (m_nPhotometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG && m_nPlanar == PLANARCONFIG_CONTIG &&
      !TIFFIsTiled(m_tif)) {
    // The codec hands out RGB scanlines.
    TIFFSetField(m_tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    m_nPhotometric = PHOTOMETRIC_RGB;
  }
  const unsigned shift = ReduceShiftForBox(m_nWidth, m_nHeight, width, height);
  return ScanlineLayout() ? DecodeScanlines(shift) : DecodeBands(shift);
}

CDib CTiffDecoder::DecodeScanlines(unsigned shift) {
  if (m_nPhotometric == PHOTOMETRIC_PALETTE) {
    // Old writers put 8-bit values in the 16-bit map; libtiff's own reader
    // takes a map without any value above 255 for such a one.
    m_bWideMap = false;
    for (unsigned i = 0; i < (1u << m_nBits) && !m_bWideMap; ++i) {
      m_bWideMap = m_pMap[0][i] > 255 || m_pMap[1][i] > 255 || m_pMap[2][i] > 255;
    }
  }
  // 2. The library's memory: the largest raw strip, the scanline, the codec.
  const tmsize_t scanline = TIFFScanlineSize(m_tif);
  if (scanline <= 0) {
    LibraryError();
    return nullptr;
  }
  uint64_t largest = 0;
  const uint32_t strips = TIFFNumberOfStrips(m_tif);
  for (uint32_t s = 0; s < strips; ++s) {
    const uint64_t bytes = TIFFGetStrileByteCount(m_tif, s);
    if (bytes > largest) largest = bytes;
  }
  const uint64_t size = m_pInput->Size();
  if (largest > size) largest = size;
  if (!m_library.Take(largest + 2 * (uint64_t)scanline + kTiffCodecBytesPerColumn * m_nWidth)) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  // 3. Rows top first, converted and reduced.
  const bool colour = m_nPhotometric == PHOTOMETRIC_RGB || m_nPhotometric == PHOTOMETRIC_PALETTE;
  CRowReducer reducer;
  CDibOwner line(MemAllocRetry((size_t)scanline));
  if (!line || !reducer.Start(m_nWidth, m_nHeight, shift, colour ? 3 : 1)) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  BYTE* in = (BYTE*)MemLock(line.Get());
  for (uint32_t y = 0; y < m_nHeight; ++y) {
    if (m_pInput->Stopped() || TIFFReadScanline(m_tif, in, y, 0) < 0) {
      LibraryError();
      return nullptr;
    }
    ConvertRow(in, reducer.NextRow());
    reducer.CommitRow();
  }
  return reducer.Finish();
}

// libtiff's RGBA reader, a band of whole strips or tiles at a time, with the
// file's orientation left to the caller: the pixels come as stored.
CDib CTiffDecoder::DecodeBands(unsigned shift) {
  char message[1024] = "";
  if (!TIFFRGBAImageOK(m_tif, message)) {
    SetPictureLibraryError(kFormat, message);
    return nullptr;
  }
  uint32_t band = m_nHeight;
  if (TIFFIsTiled(m_tif)) {
    TIFFGetField(m_tif, TIFFTAG_TILELENGTH, &band);
  } else {
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_ROWSPERSTRIP, &band);
  }
  if (band == 0 || band > m_nHeight) band = m_nHeight;
  const uint64_t unit = TIFFIsTiled(m_tif) ? (uint64_t)TIFFTileSize(m_tif) : (uint64_t)TIFFStripSize(m_tif);
  if (!m_library.Take(2 * unit + kTiffCodecBytesPerColumn * m_nWidth)) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  CDibOwner raster(MemAllocRetry((size_t)((uint64_t)m_nWidth * band * 4)));
  CRowReducer reducer;
  if (!raster || !reducer.Start(m_nWidth, m_nHeight, shift, 3)) {
    Refuse(kPictureNoMemory);
    return nullptr;
  }
  TIFFRGBAImage image;
  if (!TIFFRGBAImageBegin(&image, m_tif, 0, message)) {
    SetPictureLibraryError(kFormat, message);
    return nullptr;
  }
  image.orientation = ORIENTATION_TOPLEFT;
  image.req_orientation = ORIENTATION_TOPLEFT;
  const BYTE* pixels = (const BYTE*)MemLock(raster.Get());
  bool ok = true;
  for (uint32_t y = 0; ok && y < m_nHeight; y += band) {
    const uint32_t rows = m_nHeight - y < band ? m_nHeight - y : band;
    image.row_offset = (int)y;
    image.col_offset = 0;
    ok = !m_pInput->Stopped() && TIFFRGBAImageGet(&image, (uint32_t*)MemLock(raster.Get()), m_nWidth, rows) != 0;
    for (uint32_t r = 0; ok && r < rows; ++r) {
      // Red, green, blue, alpha premultiplied, in memory order.
      const BYTE* in = pixels + (uint64_t)r * m_nWidth * 4;
      BYTE* out = reducer.NextRow();
      for (uint32_t x = 0; x < m_nWidth; ++x, in += 4, out += 3) {
        const unsigned spare = 255u - in[3];
        for (int lane = 0; lane < 3; ++lane) {
          const unsigned v = in[2 - lane] + spare;
          out[lane] = (BYTE)(v > 255 ? 255 : v);
        }
      }
      reducer.CommitRow();
    }
  }
  TIFFRGBAImageEnd(&image);
  if (!ok) {
    LibraryError();
    return nullptr;
  }
  return reducer.Finish();
}

}  // namespace

CPictureDecoder* NewTiffDecoder(CDecodeInput* input) {
  CPictureDecoder* decoder = new (std::nothrow) CTiffDecoder(input);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}
