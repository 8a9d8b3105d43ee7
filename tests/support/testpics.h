// Test pictures: pixel buffers made in memory and compressed with libjpeg's
// compressor, plus the byte surgery that turns them into damaged files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Samples top row first, components interleaved: 1 grey, 3 RGB, 4 CMYK.
struct Picture {
  int width = 0;
  int height = 0;
  int components = 3;
  std::vector<uint8_t> samples;

  uint8_t* At(int x, int y) { return samples.data() + ((size_t)y * (size_t)width + (size_t)x) * (size_t)components; }
  const uint8_t* At(int x, int y) const {
    return samples.data() + ((size_t)y * (size_t)width + (size_t)x) * (size_t)components;
  }
};

Picture MakePicture(int width, int height, int components);
Picture SolidColour(int width, int height, uint8_t red, uint8_t green, uint8_t blue);
Picture SolidGrey(int width, int height, uint8_t level);
// Colour picture whose rows carry a visible ramp: pixel (x, y) is
// (x × 255 / (w − 1), y × 255 / (h − 1), 128), clamped for 1-pixel sides.
Picture RampPicture(int width, int height);
// The same shapes and colours with every sample inverted (255 − v).
Picture Inverted(const Picture& picture);
// A CMYK picture (four components), flat.
Picture SolidCmyk(int width, int height, uint8_t c, uint8_t m, uint8_t y, uint8_t k);

struct JpegOptions {
  int quality = 90;
  bool progressive = false;
  // Write the JFIF APP0 segment (with the density below) after SOI.
  bool jfif = true;
  int densityUnit = 1;  // 0 none (aspect ratio only), 1 dots per inch, 2 dots per centimetre
  int xDensity = 72;
  int yDensity = 72;
  // Full-resolution chroma (4:4:4) instead of the camera's usual 4:2:0; with
  // quality 100 flat colours come back within a step or two.
  bool fullChroma = false;
  // Luma sampling factors of a colour picture, chroma at 1 × 1 (2 × 1 is
  // 4:2:2, 1 × 2 4:4:0, 4 × 1 4:1:1); 0 keeps the compressor's default.
  int lumaH = 0;
  int lumaV = 0;
};

// The JPEG file of a picture; empty if the compressor refuses it.
std::string EncodeJpeg(const Picture& picture, const JpegOptions& options = {});

// Offset of the first marker 0xFF `code` found by walking the segments from
// SOI; std::string::npos when absent.
size_t FindMarker(const std::string& jpeg, uint8_t code);
// Rewrites the frame header (SOF0/1/2): size, or sample precision, or the
// frame type (e.g. 0xC3, lossless). FALSE when there is no frame header.
bool SetFrameSize(std::string* jpeg, unsigned width, unsigned height);
bool SetFramePrecision(std::string* jpeg, unsigned bits);
bool SetFrameType(std::string* jpeg, uint8_t code);

// A read-only stream over bytes (a temporary file); the caller closes it.
FILE* StreamOf(const std::string& bytes);
