// PNG files taken apart and put together again by the shared thumbnail cache's
// tests (chunks inserted, cut or patched, each with its CRC made right), and
// pictures written by ImageMagick, a tool independent of the viewer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngChunk {
  std::string type;
  std::string data;
};

// The chunks after the signature; empty when `png` is none.
std::vector<PngChunk> PngChunks(const std::string& png);
// The signature and `chunks`, each with its length and CRC.
std::string PngFromChunks(const std::vector<PngChunk>& chunks);
// `png` with `chunk` put before its first chunk of type `before`.
std::string WithChunk(const std::string& png, const PngChunk& chunk, const std::string& before);
// `png` with the IHDR's width and height replaced (CRC made right).
std::string WithSize(const std::string& png, uint32_t width, uint32_t height);
// A tEXt chunk's data.
std::string TextData(const std::string& key, const std::string& value);

// ImageMagick's convert, run through the shell with `arguments` as written;
// true when it ran and succeeded. HaveConvert: it is installed.
bool HaveConvert();
bool RunConvert(const std::string& arguments);
// `text` in single quotes for the shell.
std::string ShellQuoted(const std::string& text);
