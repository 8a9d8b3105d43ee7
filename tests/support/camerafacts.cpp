// Camera facts written as Exif directories with their values after each
// directory, and ICC profiles with a description.
#include "support/camerafacts.h"

#include <cmath>
#include <vector>

#include "support/exifwriter.h"

namespace {

// One entry and its value's bytes, already in the block's byte order.
struct Field {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  std::string data;
};

class FactsWriter {
 public:
  explicit FactsWriter(bool big) : m_big(big), m_tiff(big) {}

  std::string Short(uint32_t v) const {
    TiffBytes b(m_big);
    b.U16(v);
    return b.Bytes();
  }
  std::string Long(uint32_t v) const {
    TiffBytes b(m_big);
    b.U32(v);
    return b.Bytes();
  }
  std::string Rationals(const std::vector<uint32_t>& parts) const {
    TiffBytes b(m_big);
    for (uint32_t p : parts) b.U32(p);
    return b.Bytes();
  }
  static Field Ascii(uint16_t tag, const std::string& text) {
    return Field{tag, 2, (uint32_t)text.size() + 1, text + '\0'};
  }

  // Writes a directory at the end with its values after it; the value
  // field of each entry is recorded in m_valueAt by tag.
  size_t Directory(const std::vector<Field>& fields, uint16_t claimedCount = 0) {
    const size_t start = m_tiff.Size();
    m_tiff.U16(claimedCount != 0 ? claimedCount : (uint32_t)fields.size());
    size_t dataAt = start + 2 + 12 * fields.size() + 4;
    for (const Field& f : fields) {
      m_tiff.U16(f.tag);
      m_tiff.U16(f.type);
      m_tiff.U32(m_countsFFFF ? 0xFFFF : f.count);
      m_valueAt.push_back({f.tag, m_tiff.Size()});
      if (f.data.size() <= 4) {
        std::string inline_ = f.data;
        inline_.resize(4, '\0');
        m_tiff.Raw(inline_);
      } else {
        m_tiff.U32((uint32_t)dataAt);
        dataAt += (f.data.size() + 1) & ~(size_t)1;
      }
    }
    const size_t link = m_tiff.Size();
    m_tiff.U32(0);
    for (const Field& f : fields) {
      if (f.data.size() <= 4) continue;
      m_tiff.Raw(f.data);
      if (f.data.size() % 2 != 0) m_tiff.U8(0);
    }
    return link;
  }

  size_t ValueAt(uint16_t tag) const {
    for (auto it = m_valueAt.rbegin(); it != m_valueAt.rend(); ++it) {
      if (it->first == tag) return it->second;
    }
    return 0;
  }

  bool m_big;
  bool m_countsFFFF = false;
  TiffBytes m_tiff;
  std::vector<std::pair<uint16_t, size_t>> m_valueAt;
};

std::vector<uint32_t> DegreesMinutesSeconds(double value) {
  value = std::fabs(value);
  const uint32_t d = (uint32_t)value;
  const uint32_t m = (uint32_t)((value - d) * 60);
  const uint32_t s = (uint32_t)std::lround(((value - d) * 60 - m) * 60 * 10000);
  return {d, 1, m, 1, s, 10000};
}

}  // namespace

std::string CameraFactsTiff(const CameraFacts& facts, bool bigEndian, ExifHazard hazard,
                            const std::string& thumbnailJpeg) {
  FactsWriter w(bigEndian);
  w.m_countsFFFF = hazard == ExifHazard::kCountsFFFF;
  const uint32_t zero = hazard == ExifHazard::kZeroDenominators ? 0 : 1;
  auto rational = [&](const uint32_t* r) { return w.Rationals({r[0], zero == 0 ? 0 : r[1]}); };
  w.m_tiff.Raw(bigEndian ? "MM" : "II");
  w.m_tiff.U16(42);
  w.m_tiff.U32(8);
  // IFD0: Make, Model, Orientation, and the pointers to the other directories.
  std::vector<Field> ifd0 = {FactsWriter::Ascii(0x010F, facts.make), FactsWriter::Ascii(0x0110, facts.model),
                             Field{0x0112, 3, 1, w.Short(facts.orientation)}, Field{0x8769, 4, 1, w.Long(0)}};
  if (facts.gps) ifd0.push_back(Field{0x8825, 4, 1, w.Long(0)});
  const size_t ifd0Link = w.Directory(ifd0, hazard == ExifHazard::kIfd0Count0xFFFF ? 0xFFFF : 0);
  // The Exif directory.
  const uint32_t exifAt = (uint32_t)w.m_tiff.Size();
  w.m_tiff.PutU32(w.ValueAt(0x8769), hazard == ExifHazard::kExifLoopsToIfd0 ? 8
                                     : hazard == ExifHazard::kExifPastEnd   ? 0x7FFFFFF0
                                                                            : exifAt);
  w.Directory({Field{0x829A, 5, 1, rational(facts.exposure)}, Field{0x829D, 5, 1, rational(facts.fNumber)},
               Field{0x8827, 3, 1, w.Short(facts.iso)}, FactsWriter::Ascii(0x9003, facts.dateTaken),
               Field{0x9209, 3, 1, w.Short(facts.flash)}, Field{0x920A, 5, 1, rational(facts.focalLength)},
               FactsWriter::Ascii(0xA434, facts.lens)});
  if (facts.gps) {
    const uint32_t gpsAt = (uint32_t)w.m_tiff.Size();
    w.m_tiff.PutU32(w.ValueAt(0x8825), gpsAt);
    std::vector<uint32_t> lat = DegreesMinutesSeconds(facts.latitude);
    std::vector<uint32_t> lon = DegreesMinutesSeconds(facts.longitude);
    if (zero == 0) lat[1] = lat[3] = lat[5] = lon[1] = lon[3] = lon[5] = 0;
    const size_t gpsLink = w.Directory(
        {FactsWriter::Ascii(0x0001, facts.latitude < 0 ? "S" : "N"), Field{0x0002, 5, 3, w.Rationals(lat)},
         FactsWriter::Ascii(0x0003, facts.longitude < 0 ? "W" : "E"), Field{0x0004, 5, 3, w.Rationals(lon)}});
    if (hazard == ExifHazard::kGpsLoopsToItself) w.m_tiff.PutU32(gpsLink, gpsAt);
  }
  if (hazard == ExifHazard::kMakePastEnd) w.m_tiff.PutU32(w.ValueAt(0x010F), 0xFFFFFF00);
  if (!thumbnailJpeg.empty()) {
    w.m_tiff.PutU32(ifd0Link, (uint32_t)w.m_tiff.Size());
    const uint32_t thumbnailAt = (uint32_t)w.m_tiff.Size() + 2 + 12 * 3 + 4;
    w.Directory({Field{0x0103, 3, 1, w.Short(6)}, Field{0x0201, 4, 1, w.Long(thumbnailAt)},
                 Field{0x0202, 4, 1, w.Long((uint32_t)thumbnailJpeg.size())}});
    w.m_tiff.Raw(thumbnailJpeg);
  }
  return w.m_tiff.Bytes();
}

std::string CameraFileWithFacts(const std::string& mainJpeg, const std::string& tiff, const std::string& icc) {
  auto segment = [](char marker, const std::string& payload) {
    const size_t length = payload.size() + 2;
    return std::string("\xFF", 1) + marker + (char)(length >> 8) + (char)(length & 0xFF) + payload;
  };
  std::string file = std::string("\xFF\xD8", 2) + segment('\xE1', std::string("Exif\0\0", 6) + tiff);
  if (!icc.empty()) file += segment('\xE2', std::string("ICC_PROFILE\0\x01\x01", 14) + icc);
  return file + mainJpeg.substr(2);
}

std::string IccProfileNamed(const std::string& name, bool v4) {
  TiffBytes p(true);
  p.PadTo(128);
  p.U32(1);  // one tag: desc, right after the table
  p.Raw("desc");
  p.U32(144);
  const size_t sizeAt = p.Size();
  p.U32(0);
  if (v4) {
    p.Raw("mluc");
    p.U32(0);
    p.U32(1);   // records
    p.U32(12);  // record size
    p.Raw("enUS");
    p.U32((uint32_t)name.size() * 2);
    p.U32(28);
    for (char c : name) p.U16((uint8_t)c);
  } else {
    p.Raw("desc");
    p.U32(0);
    p.U32((uint32_t)name.size() + 1);
    p.Raw(name);
    p.U8(0);
    p.PadTo(p.Size() + 67 + 12);  // the Unicode and ScriptCode parts, empty
  }
  while (p.Size() % 4 != 0) p.U8(0);
  p.PutU32(sizeAt, (uint32_t)p.Size() - 144);
  // The header: size, version, class, colour space, PCS, "acsp", D50.
  p.PutU32(0, (uint32_t)p.Size());
  p.PutU32(8, v4 ? 0x04300000 : 0x02100000);
  std::string bytes = p.Bytes();
  bytes.replace(12, 12, "mntrRGB XYZ ");
  bytes.replace(36, 4, "acsp");
  TiffBytes d50(true);
  d50.U32(0x0000F6D6);
  d50.U32(0x00010000);
  d50.U32(0x0000D32D);
  bytes.replace(68, 12, d50.Bytes());
  return bytes;
}
