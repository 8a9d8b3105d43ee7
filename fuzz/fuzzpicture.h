// The body shared by the fuzz targets of the picture interface's glue: any
// bytes as a file, opened and decoded towards the grid's box and whole when
// they are of the target's format, every result checked and exercised.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/dib.h"
#include "imaging/picturedecode.h"

class Canvas;

// Aborts unless the block is exactly header, palette and rows as its header
// says.
void CheckDibLayout(CDib dib);

// Checks a decoded picture's layout, then makes its thumbnail and draws both
// fitted and through a window on the canvas, aborting on any refusal.
void ExerciseDib(CDib dib, Canvas* canvas);

// Runs one input against the glue of `format` (HEIF covers AVIF too).
int FuzzPictureInput(const uint8_t* data, size_t size, PictureFormat format);
