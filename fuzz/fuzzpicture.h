// The body shared by the fuzz targets of the picture interface's glue: any
// bytes as a file, opened and decoded towards the grid's box and whole when
// they are of the target's format, every result checked and exercised.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/picturedecode.h"

// Runs one input against the glue of `format` (HEIF covers AVIF too).
int FuzzPictureInput(const uint8_t* data, size_t size, PictureFormat format);
