// The libexif glue: an Exif block loaded with the viewer's allocator (every
// byte libexif takes is counted against the heap's budget), and the facts
// the panel shows taken from their own directories, each entry's format,
// count and size checked before its bytes are read.
#include <libexif/exif-data.h>

#include <cmath>
#include <cstring>

#include "imaging/decodeinput.h"
#include "imaging/metablocks.h"
#include "imaging/picturefacts.h"

namespace {

void* ExifAlloc(ExifLong bytes) {
  // libexif counts on zero-filled memory, as its own calloc gives.
  void* block = DecoderAlloc(bytes);
  if (block != nullptr) std::memset(block, 0, bytes);
  return block;
}
void* ExifRealloc(void* block, ExifLong bytes) {
  return DecoderRealloc(block, bytes);
}
void ExifFree(void* block) {
  DecoderFree(block);
}

class CExifReader {
 public:
  explicit CExifReader(ExifData* data) : m_data(data), m_order(exif_data_get_byte_order(data)) {}

  ExifEntry* Entry(ExifIfd ifd, int tag) const {
    ExifEntry* e = exif_content_get_entry(m_data->ifd[ifd], (ExifTag)tag);
    return e != nullptr && e->data != nullptr ? e : nullptr;
  }

  std::string Text(ExifIfd ifd, int tag) const {
    const ExifEntry* e = Entry(ifd, tag);
    std::string text;
    if (e == nullptr || e->format != EXIF_FORMAT_ASCII) return text;
    for (unsigned i = 0; i < e->size && e->data[i] != 0 && text.size() < kMaxFactChars; ++i) {
      if (e->data[i] >= 0x20 && e->data[i] < 0x7F) text += (char)e->data[i];
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  // The `index`th value of a RATIONAL entry; FALSE without one.
  bool Rational(ExifIfd ifd, int tag, unsigned index, double* value) const {
    const ExifEntry* e = Entry(ifd, tag);
    if (e == nullptr || e->format != EXIF_FORMAT_RATIONAL || e->components <= index || e->size < 8 * (index + 1)) {
      return false;
    }
    const ExifRational r = exif_get_rational(e->data + 8 * index, m_order);
    if (r.denominator == 0) return false;
    *value = (double)r.numerator / r.denominator;
    return true;
  }

  // The first value of a SHORT or LONG entry.
  bool Integer(ExifIfd ifd, int tag, uint32_t* value) const {
    const ExifEntry* e = Entry(ifd, tag);
    if (e == nullptr || e->components == 0) return false;
    if (e->format == EXIF_FORMAT_SHORT && e->size >= 2) {
      *value = exif_get_short(e->data, m_order);
      return true;
    }
    if (e->format == EXIF_FORMAT_LONG && e->size >= 4) {
      *value = exif_get_long(e->data, m_order);
      return true;
    }
    return false;
  }

  // Degrees, minutes and seconds, signed by the reference letter.
  bool Coordinate(int refTag, int tag, double limit, double* degrees) const {
    double d, m, s;
    if (!Rational(EXIF_IFD_GPS, tag, 0, &d) || !Rational(EXIF_IFD_GPS, tag, 1, &m) ||
        !Rational(EXIF_IFD_GPS, tag, 2, &s)) {
      return false;
    }
    const std::string ref = Text(EXIF_IFD_GPS, refTag);
    const double v = (d + m / 60 + s / 3600) * (ref == "S" || ref == "W" ? -1 : 1);
    if (!(std::fabs(v) <= limit)) return false;
    *degrees = v;
    return true;
  }

 private:
  ExifData* m_data;
  ExifByteOrder m_order;
};

// A RATIONAL worth showing: read, finite and above zero; else 0.
double Positive(const CExifReader& exif, int tag) {
  double value = 0;
  if (!exif.Rational(EXIF_IFD_EXIF, tag, 0, &value)) return 0;
  return std::isfinite(value) && value > 0 ? value : 0;
}

void TakeFacts(const CExifReader& exif, PictureFacts* f) {
  f->make = exif.Text(EXIF_IFD_0, EXIF_TAG_MAKE);
  f->model = exif.Text(EXIF_IFD_0, EXIF_TAG_MODEL);
  f->dateTaken = exif.Text(EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL);
  f->lens = exif.Text(EXIF_IFD_EXIF, EXIF_TAG_LENS_MODEL);
  f->exposureSeconds = Positive(exif, EXIF_TAG_EXPOSURE_TIME);
  f->fNumber = Positive(exif, EXIF_TAG_FNUMBER);
  f->focalLengthMm = Positive(exif, EXIF_TAG_FOCAL_LENGTH);
  uint32_t n = 0;
  if (exif.Integer(EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, &n)) f->iso = n;
  if (exif.Integer(EXIF_IFD_EXIF, EXIF_TAG_FLASH, &n) && n <= 0xFFFF) f->flash = (int)n;
  if (exif.Integer(EXIF_IFD_0, EXIF_TAG_ORIENTATION, &n) && n >= 1 && n <= 8) f->orientation = (int)n;
  double latitude = 0, longitude = 0;
  if (exif.Coordinate(EXIF_TAG_GPS_LATITUDE_REF, EXIF_TAG_GPS_LATITUDE, 90, &latitude) &&
      exif.Coordinate(EXIF_TAG_GPS_LONGITUDE_REF, EXIF_TAG_GPS_LONGITUDE, 180, &longitude)) {
    f->hasPosition = true;
    f->latitude = latitude;
    f->longitude = longitude;
  }
}

}  // namespace

BOOL ReadExifFacts(const BYTE* block, size_t size, PictureFacts* facts) {
  if (block == nullptr || size < 6 + 8 || size > kMaxExifBlockBytes + 6) return TRUE;
  // A writer that put JPEG's prefix inside a PNG or WebP block gives it twice.
  if (size >= 12 + 8 && std::memcmp(block + 6, "Exif\0\0", 6) == 0) {
    block += 6;
    size -= 6;
  }
  ExifMem* mem = exif_mem_new(ExifAlloc, ExifRealloc, ExifFree);
  if (mem == nullptr) return FALSE;
  ExifData* data = exif_data_new_mem(mem);
  exif_mem_unref(mem);
  if (data == nullptr) return FALSE;
  // What the file holds, as it holds it: no entries made up or "fixed".
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data, block, (unsigned int)size);
  TakeFacts(CExifReader(data), facts);
  exif_data_unref(data);
  return TRUE;
}
