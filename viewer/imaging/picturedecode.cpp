// The picture interface's front: the format from the first bytes, the
// decoder of that format, the reasons of failures, and the JPEG decoder,
// which hands the stream to the JPEG path exactly as it always was.
#include "imaging/picturedecode.h"

#include <cstring>
#include <new>

#include "imaging/decodeinput.h"
#include "imaging/exifthumb.h"
#include "imaging/jpegdecode.h"
#include "imaging/picturedecoder.h"
#include "platform/device/devicefs.h"

namespace {

constexpr const char kCannotOpen[] = "cannot open the file";

thread_local char t_lastError[200];

bool StartsWith(const BYTE* head, size_t count, const char* text, size_t offset = 0) {
  const size_t length = std::strlen(text);
  return count >= offset + length && std::memcmp(head + offset, text, length) == 0;
}

// An ISO base media file ("ftyp" first) whose major or compatible brands
// name a HEIF or AVIF still picture or sequence. AVIF wins when both appear:
// its files carry "mif1" as well.
PictureFormat IsoMediaFormat(const BYTE* head, size_t count) {
  if (!StartsWith(head, count, "ftyp", 4)) return PICTURE_UNKNOWN;
  uint64_t boxBytes = ((uint64_t)head[0] << 24) | ((uint64_t)head[1] << 16) | ((uint64_t)head[2] << 8) | head[3];
  if (boxBytes < 16) return PICTURE_UNKNOWN;
  if (boxBytes > count) boxBytes = count;
  static const char* const kAvif[] = {"avif", "avis"};
  static const char* const kHeif[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"};
  PictureFormat found = PICTURE_UNKNOWN;
  // The major brand at 8, the minor version at 12, compatible brands from 16.
  for (uint64_t at = 8; at + 4 <= boxBytes; at += at == 8 ? 8 : 4) {
    for (const char* brand : kAvif) {
      if (std::memcmp(head + at, brand, 4) == 0) return PICTURE_AVIF;
    }
    for (const char* brand : kHeif) {
      if (std::memcmp(head + at, brand, 4) == 0) found = PICTURE_HEIF;
    }
  }
  return found;
}

// The JPEG path behind the interface: the orientation by the Exif walk when
// the caller turns pictures, the decode by DecodeJpegStream from the file's
// start, as LoadJpeg and LoadJpegToFit give it, reasons and all.
class CJpegDecoder : public CPictureDecoder {
 public:
  CJpegDecoder(FILE* stream, BOOL upright) : m_stream(stream), m_bUpright(upright) {}
  BOOL ReadHeader(PictureInfo* info) override {
    if (m_bUpright) info->orientation = ReadExifOrientation(m_stream);
    return TRUE;
  }
  CDib Decode(int width, int height) override {
    if (std::fseek(m_stream, 0, SEEK_SET) != 0) {
      SetPictureDecodeError("cannot read the file");
      return nullptr;
    }
    CDib dib = width > 0 && height > 0 ? DecodeJpegToFit(m_stream, width, height) : DecodeJpeg(m_stream);
    SetPictureDecodeError(JpegLastError());
    return dib;
  }

 private:
  FILE* m_stream;
  BOOL m_bUpright;
};

}  // namespace

PictureFormat PictureFormatOf(const BYTE* head, size_t count) {
  if (count >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return PICTURE_JPEG;
  if (StartsWith(head, count, "\x89PNG\r\n\x1a\n")) return PICTURE_PNG;
  if (StartsWith(head, count, "GIF87a") || StartsWith(head, count, "GIF89a")) return PICTURE_GIF;
  if (StartsWith(head, count, "RIFF") && StartsWith(head, count, "WEBP", 8)) return PICTURE_WEBP;
  // Classic TIFF (42) and BigTIFF (43), in either byte order.
  if (StartsWith(head, count, "II") && count >= 4 && (head[2] == 42 || head[2] == 43) && head[3] == 0) {
    return PICTURE_TIFF;
  }
  if (StartsWith(head, count, "MM") && count >= 4 && head[2] == 0 && (head[3] == 42 || head[3] == 43)) {
    return PICTURE_TIFF;
  }
  return IsoMediaFormat(head, count);
}

const char* PictureFormatName(PictureFormat format) {
  switch (format) {
    case PICTURE_JPEG:
      return "JPEG";
    case PICTURE_PNG:
      return "PNG";
    case PICTURE_GIF:
      return "GIF";
    case PICTURE_WEBP:
      return "WebP";
    case PICTURE_TIFF:
      return "TIFF";
    case PICTURE_HEIF:
      return "HEIF";
    case PICTURE_AVIF:
      return "AVIF";
    default:
      return "unknown";
  }
}

void SetPictureDecodeError(const char* reason) {
  std::strncpy(t_lastError, reason != nullptr ? reason : "", sizeof t_lastError - 1);
  t_lastError[sizeof t_lastError - 1] = '\0';
}

void SetPictureLibraryError(const char* format, const char* message) {
  std::snprintf(t_lastError, sizeof t_lastError, "%s: %s", format,
                message != nullptr && message[0] != '\0' ? message : "damaged file");
}

void SetPictureInputError(const CDecodeInput& input, const char* otherwise) {
  SetPictureDecodeError(input.Failure() != nullptr ? input.Failure() : otherwise);
}

BOOL AcceptPictureSize(CDecodeInput* input, uint64_t width, uint64_t height) {
  if (width == 0 || height == 0 || width > kMaxPicturePixels || height > kMaxPicturePixels ||
      width * height > kMaxPicturePixels) {
    SetPictureDecodeError(width == 0 || height == 0 ? "picture without pixels" : kPictureTooLarge);
    return FALSE;
  }
  input->BoundByPixels(width * height);
  return TRUE;
}

const char* PictureDecodeLastError() {
  return t_lastError;
}

PictureFailure PictureFailureOf(const char* reason) {
  if (reason == nullptr || reason[0] == '\0') return PICTURE_FAILURE_NONE;
  if (std::strcmp(reason, kCannotOpen) == 0) return PICTURE_FAILURE_OPEN;
  if (std::strcmp(reason, kPictureNoMemory) == 0) return PICTURE_FAILURE_MEMORY;
  if (std::strcmp(reason, kDecodeStopped) == 0) return PICTURE_FAILURE_STOPPED;
  return PICTURE_FAILURE_DAMAGED;
}

CPictureDecoder* NewJpegDecoder(FILE* stream, BOOL upright) {
  CPictureDecoder* decoder = new (std::nothrow) CJpegDecoder(stream, upright);
  if (decoder == nullptr) SetPictureDecodeError(kPictureNoMemory);
  return decoder;
}

CPictureFile::CPictureFile() = default;

CPictureFile::~CPictureFile() {
  Close();
}

void CPictureFile::Close() {
  delete m_pDecoder;
  m_pDecoder = nullptr;
  delete m_pInput;
  m_pInput = nullptr;
  if (m_bOwnsStream && m_stream != nullptr) std::fclose(m_stream);
  m_stream = nullptr;
  m_bOwnsStream = FALSE;
  m_info = PictureInfo();
}

BOOL CPictureFile::Open(const WCHAR* path, BOOL upright) {
  Close();
  SetPictureDecodeError("");
  FILE* stream = _wfopen(path, u"rb");
  if (stream == nullptr) {
    SetPictureDecodeError(kCannotOpen);
    return FALSE;
  }
  if (!OpenStream(stream, upright)) {
    std::fclose(stream);
    return FALSE;
  }
  m_bOwnsStream = TRUE;
  return TRUE;
}

BOOL CPictureFile::OpenStream(FILE* stream, BOOL upright) {
  Close();
  SetPictureDecodeError("");
  if (stream == nullptr) {
    SetPictureDecodeError(kCannotOpen);
    return FALSE;
  }
  // 1. The format from the first bytes; then back to the start.
  BYTE head[kPictureSniffBytes];
  const size_t count = std::fread(head, 1, sizeof head, stream);
  if (std::fseek(stream, 0, SEEK_SET) != 0) {
    SetPictureDecodeError("cannot read the file");
    return FALSE;
  }
  const PictureFormat format = PictureFormatOf(head, count);
  if (format == PICTURE_UNKNOWN) {
    char reason[64];
    if (count < 2) {
      std::snprintf(reason, sizeof reason, "not a picture: %s", count == 0 ? "empty file" : "one byte");
    } else {
      std::snprintf(reason, sizeof reason, "not a picture: starts with 0x%02x 0x%02x", head[0], head[1]);
    }
    SetPictureDecodeError(reason);
    return FALSE;
  }
  // 2. Its decoder, and the header.
  m_stream = stream;
  m_bUpright = upright;
  m_pInput = new (std::nothrow) CDecodeInput(stream);
  if (m_pInput == nullptr) {
    SetPictureDecodeError(kPictureNoMemory);
    m_stream = nullptr;
    return FALSE;
  }
  switch (format) {
    case PICTURE_JPEG:
      m_pDecoder = NewJpegDecoder(stream, upright);
      break;
    case PICTURE_PNG:
      m_pDecoder = NewPngDecoder(m_pInput);
      break;
    case PICTURE_GIF:
      m_pDecoder = NewGifDecoder(m_pInput);
      break;
    case PICTURE_WEBP:
      m_pDecoder = NewWebpDecoder(m_pInput);
      break;
    case PICTURE_TIFF:
      m_pDecoder = NewTiffDecoder(m_pInput);
      break;
    default:
      m_pDecoder = NewHeifDecoder(m_pInput, format, upright);
      break;
  }
  m_info.format = format;
  if (m_pDecoder == nullptr || !m_pDecoder->ReadHeader(&m_info)) {
    m_stream = nullptr;  // the caller's (or Open's) to close
    Close();
    return FALSE;
  }
  return TRUE;
}

CDib CPictureFile::Decode(int width, int height) {
  if (m_pDecoder == nullptr) {
    SetPictureDecodeError(kCannotOpen);
    return nullptr;
  }
  SetPictureDecodeError("");
  CDib dib = m_pDecoder->Decode(width, height);
  if (dib == nullptr && t_lastError[0] == '\0') SetPictureDecodeError("the decoder gave no picture");
  if (dib != nullptr) SetPictureDecodeError("");
  return dib;
}
