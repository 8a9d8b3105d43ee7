// The device's millisecond tick: 32 bits, wrapping at 2^32.
#pragma once

#include "wintypes.h"

DWORD GetTickCount();
// Tests and replays drive the clock by hand: once set, the tick stays at the
// given value until it is set again or advanced.
void TickSetManual(DWORD now);
void TickAdvance(DWORD milliseconds);
// With a manual tick: every reading of the tick moves it on by `step`
// milliseconds afterwards, so that long operations can be staged (0: off).
void TickSetStep(DWORD step);
// Back to the host's monotonic clock.
void TickUseSystem();
