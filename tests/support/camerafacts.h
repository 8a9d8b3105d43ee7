// Exif blocks that tell a camera's facts (make, model, lens, date, exposure,
// aperture, ISO, focal length, flash, orientation, GPS position), in either
// byte order and with the hazards a hostile file brings; camera JPEGs built
// around them; and small ICC profiles with a description.
#pragma once

#include <cstdint>
#include <string>

struct CameraFacts {
  std::string make = "Vimbra";
  std::string model = "Vimbra DC-1";
  std::string lens = "VB 4.5-13.5 mm";
  std::string dateTaken = "2024:05:01 10:20:30";
  uint32_t exposure[2] = {1, 250};  // seconds, as a rational
  uint32_t fNumber[2] = {28, 10};
  uint16_t iso = 200;
  uint32_t focalLength[2] = {54, 10};
  uint16_t flash = 16;  // did not fire, flash off
  uint16_t orientation = 1;
  bool gps = true;
  double latitude = 48.858370;  // north and east positive
  double longitude = -2.294481;
};

// What a hostile writer does to the block.
enum class ExifHazard {
  kNone,
  kExifLoopsToIfd0,   // the Exif directory's pointer leads back to IFD0
  kGpsLoopsToItself,  // the GPS directory points at itself, as its next one too
  kIfd0Count0xFFFF,   // IFD0 claims 65535 entries
  kMakePastEnd,       // Make's value lies past the block's end
  kExifPastEnd,       // the Exif directory lies past the block's end
  kZeroDenominators,  // every rational is n/0
  kCountsFFFF,        // every value count is 0xFFFF
};

// A TIFF block (header, IFD0, the Exif and GPS directories, their values);
// with a thumbnail, IFD1 points at it after everything else, as cameras do.
std::string CameraFactsTiff(const CameraFacts& facts, bool bigEndian, ExifHazard hazard = ExifHazard::kNone,
                            const std::string& thumbnailJpeg = std::string());

// SOI, an APP1 "Exif\0\0" segment of that block, an APP2 ICC profile when
// one is given, then every segment of `mainJpeg` after its own SOI.
std::string CameraFileWithFacts(const std::string& mainJpeg, const std::string& tiff,
                                const std::string& icc = std::string());

// An RGB display profile whose "desc" tag names it: ICC 2 text, or (v4)
// the first record of a localized Unicode string.
std::string IccProfileNamed(const std::string& name, bool v4 = false);
