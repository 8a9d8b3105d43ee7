// Turning a CDib by quarter turns (24-bit colour and 8-bit grey), for
// pictures that a camera stored on their side or upside down.
#pragma once

#include "imaging/dib.h"
#include "platform/base/wintypes.h"

// Turns the picture in *dib clockwise by `quarterTurns` (taken modulo 4;
// negative turns go counter-clockwise). A half turn is made in place; a
// quarter turn fills a second block from the memory-block service
// (MemAllocRetry), which then replaces the first: *dib owns the new block and
// the old one is freed. FALSE, with *dib unchanged, for a block that is not
// a readable picture or when the second block cannot be had.
BOOL TurnDib(CDibOwner* dib, int quarterTurns);
