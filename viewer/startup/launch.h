// What one run of a program starts with: the command line, the start place
// and the kept settings turned into the viewer's launch values, and the
// size of the viewer area each profile opens with.
#pragma once

#include "app/viewerapp.h"
#include "startup/options.h"
#include "startup/settings.h"
#include "startup/startplace.h"

// The handheld's viewer area.
constexpr int kHandheldAreaWidth = 240;
constexpr int kHandheldAreaHeight = 268;
// vimbra-shot's area in the desktop profile: the area vimbra opens with the
// first time on a 1920 × 1200 screen (two thirds of it).
constexpr int kShotDesktopAreaWidth = 1280;
constexpr int kShotDesktopAreaHeight = 800;
// The desktop's thumbnail side until the user picks another.
constexpr int kDesktopThumbnailSize = 128;

// The launch values of `options`; `place` is null for vimbra-shot, which
// starts where the handheld does, and `kept` holds what vimbra's desktop
// profile kept from its last run (nothing for vimbra-shot and the
// handheld). Threads default to one per core.
ViewerLaunch LaunchFromCommandLine(const CommandLine& options, const StartPlace* place,
                                   const KeptSettings& kept = KeptSettings());

// vimbra-shot's viewer area: --size, else the profile's.
void ShotAreaSize(const CommandLine& options, int* width, int* height);

// The programs' one application object (app/theapp.cpp).
CViewerApp& TheViewerApp();
