// What the information panel tells of a picture file: its format, size on
// disk and stored pixel size, the camera's Exif facts (read with libexif
// from the blocks metablocks.h finds, its memory from the heap's budget),
// the colour profile's name, and the lines the panel shows for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/picturedecode.h"
#include "platform/base/wintypes.h"

// The longest text kept of a tag (printable ASCII only; more is cut).
constexpr size_t kMaxFactChars = 64;

struct PictureFacts {
  PictureFormat format = PICTURE_UNKNOWN;
  uint64_t fileBytes = 0;
  // The picture as stored; 0 × 0 when its header could not be read.
  uint64_t width = 0;
  uint64_t height = 0;
  // Text as the camera wrote it; empty when absent.
  std::string dateTaken;  // "YYYY:MM:DD HH:MM:SS"
  std::string make;
  std::string model;
  std::string lens;
  // 0 when absent or not a sensible number.
  double exposureSeconds = 0;
  double fNumber = 0;
  double focalLengthMm = 0;
  uint32_t iso = 0;
  // The Flash tag's bits; -1 when absent.
  int flash = -1;
  // 1 to 8; 0 when absent.
  int orientation = 0;
  // Degrees, north and east positive; only with both coordinates in range.
  bool hasPosition = false;
  double latitude = 0;
  double longitude = 0;
  // The ICC profile's description; empty when there is none.
  std::string colourProfile;
};

// The Exif facts of a block ("Exif\0\0", then the TIFF header and its
// directories) added to *facts. What cannot be read is left out; FALSE only
// when libexif could not be started (memory).
BOOL ReadExifFacts(const BYTE* block, size_t size, PictureFacts* facts);

// The description of an ICC profile ("desc" as text or as its first
// localized string), printable and cut to kMaxFactChars; "" when none.
std::string IccProfileName(const BYTE* profile, size_t size);

// Every fact of the file read from its start. FALSE when it is not a
// picture of a known format (fileBytes is then still set when it could be
// told); TRUE with whatever could be read.
BOOL ReadPictureFacts(FILE* stream, PictureFacts* facts);

// One "Label: value" line (UTF-8) for each fact present, in the panel's
// order: file size, format, pixels, date taken, camera, lens, exposure,
// aperture, ISO, focal length, flash, orientation, GPS, colour profile.
std::vector<std::string> PictureFactLines(const PictureFacts& facts);
