// The report of pictures that cannot be shown: one line on the standard
// error stream for each such file in a run, whichever thread or page asks.
#pragma once

#include "platform/base/wstr.h"

// Writes "vimbra: <device path>: <reason>" the first time a problem is
// reported for `devicePath` in this run; later reports of the same path
// write nothing. A reason that starts with a capitalised word ("Not a JPEG
// file") is written with that letter in lower case, an acronym ("JPEG
// datastream contains no image") as it is. Safe to call from any thread.
void ReportPictureProblem(const CString& devicePath, const char* reason);

// Writes "vimbra: <device folder>: <left out> of <pictures> pictures left
// out (the list holds <held>)", once a scan found more pictures than the
// list could hold.
void ReportPicturesLeftOut(const CString& deviceFolder, int leftOut, int pictures);
