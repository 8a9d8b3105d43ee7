// Crafted JPEG files, written byte by byte, that cost a decoder time or
// memory out of all proportion to their size: the regression inputs of the
// scan limit, of the decoder's memory reservation and of its read bound.
#pragma once

#include <cstdint>
#include <string>

// A progressive grey picture of `scans` scans: one DC scan in which every
// block is flat, then `scans` − 1 spectral scans (Ss 1, Se 63) that each code
// every block of the picture as a few end-of-band runs, about 37 bytes a
// scan. The work of a decode grows with scans × blocks, the file only with
// the scans: 4000 × 4000 is about 1.1 MB with 30,000 scans, 216 KB with 5,000.
std::string ManyScanJpeg(unsigned width, unsigned height, int scans);

// A progressive grey frame of width × height in exactly 140 bytes whose DC
// scan breaks off after a few bytes. The library only warns and fills the
// rest with flat blocks, but it holds a coefficient buffer for every block
// of the frame while it does (5600 × 5600: 62.7 MB).
std::string TinyProgressiveGrey(unsigned width, unsigned height);

// `jpeg` without the end marker that closes it.
std::string WithoutEndMarker(const std::string& jpeg);

// Writes `before`, then `holeBytes` zeros as a hole in the file (10 GB on
// paper, nothing on the disk, made in milliseconds), then `after`. A tail
// bomb is a picture without its end marker followed by a hole: a decoder
// that looks for the marker reads the whole hole. False when the file
// cannot be made.
bool WriteFileWithHole(const std::string& hostPath, const std::string& before, uint64_t holeBytes,
                       const std::string& after = std::string());
