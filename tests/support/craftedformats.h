// Crafted files in the formats beside JPEG: decompression bombs (huge
// dimensions in tiny files, endless frames and records, floods of data),
// truncated streams and colour tables too short for their pixels. The
// regression inputs of the decoders' limits, shared by the tests, the
// benchmark of crafted files and the fuzzers' seeds.
#pragma once

#include <string>
#include <vector>

// A PNG of width × height whose IDAT is the rows of a black picture, deflated
// (about 1 KB per MB of pixels): a header that tells the truth.
std::string BlackPng(unsigned width, unsigned height);
// A PNG whose header claims width × height and whose data stops at once.
std::string HugeHeaderPng(unsigned width, unsigned height);
// A 1 × 1 PNG followed by `bytes` of ancillary chunks before its IDAT.
std::string PngWithChunkFlood(size_t bytes);
// An 8 × 8 indexed PNG with a 2-colour palette whose pixels use index 200.
std::string PngPaletteOutOfRange();

// A GIF whose screen claims width × height around a 1 × 1 frame.
std::string HugeScreenGif(unsigned width, unsigned height);
// A 4 × 4 GIF with `records` comment extensions before its first frame.
std::string GifWithRecords(unsigned records);
// An 8 × 8 GIF with a 2-colour table whose pixels use index 200.
std::string GifPaletteOutOfRange();

// An animated WebP of one 1 × 1 frame whose canvas claims width × height.
std::string HugeCanvasWebp(unsigned width, unsigned height);
// An animated 1 × 1 WebP of `frames` frames.
std::string WebpWithFrames(unsigned frames);

// A TIFF whose header claims width × height over one strip of 8 bytes.
std::string HugeTiff(unsigned width, unsigned height);
// A 16 × 16 TIFF whose one strip claims `claimed` bytes.
std::string TiffWithStripCount(unsigned claimed);

// A HEIC (empty when the library has no HEVC encoder) whose 'ispe' box is
// rewritten to claim width × height.
std::string HugeHeic(unsigned width, unsigned height);

// Every crafted file of the formats above, and a truncated stream of each
// format, with names for messages: what the tests and the benchmark run.
struct CraftedFile {
  std::string name;
  std::string bytes;
};
std::vector<CraftedFile> CraftedFormatFiles();
