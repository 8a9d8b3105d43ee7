// What one run of a program starts with: the command line and the start
// place turned into the viewer's launch values.
#pragma once

#include "app/viewerapp.h"
#include "startup/options.h"
#include "startup/startplace.h"

// The launch values of `options`; `place` is null for vimbra-shot, which
// starts where the handheld does. Threads default to one per core.
ViewerLaunch LaunchFromCommandLine(const CommandLine& options, const StartPlace* place);

// The programs' one application object (app/theapp.cpp).
CViewerApp& TheViewerApp();
