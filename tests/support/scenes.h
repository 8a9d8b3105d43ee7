// Rendered camera-style scenes (gradients, shapes, a sun, stripes) for the
// benchmarks and the demo device, and their marked Exif thumbnails.
#pragma once

#include <cstdint>
#include <string>

#include "support/testpics.h"

enum SceneKind { kSceneSunset, kSceneStripes, kSceneShapes, kSceneMountains, kSceneTiles, kSceneRings, kSceneCount };

// A colour picture of the scene at any size; the same kind and seed give the
// same picture. Camera-like grain comes from a fixed-seed generator.
Picture RenderScene(int kind, int width, int height, uint32_t seed);

// Luma of a colour picture (one component).
Picture ToGrey(const Picture& picture);

// Draws `text` (letters A-Z, digits, space) in a 5 × 7 font, `scale` pixels
// per dot, white on a black box whose top-left corner is (x, y).
void StampLabel(Picture* picture, const std::string& text, int x, int y, int scale);

// The thumbnail a camera would embed, made visibly different from the main
// picture: the scene at thumbnail size, colours inverted, labelled "THUMB".
Picture MarkedThumbnail(int kind, int width, int height, uint32_t seed);

struct CameraShotOptions {
  int quality = 90;
  bool progressive = false;
  bool grey = false;
  bool bigEndian = false;
  // Embedded thumbnail size (160 × 120, turned for portrait pictures);
  // 0 writes an Exif block without a thumbnail (IFD0 only).
  int thumbnailWidth = 160;
  int thumbnailHeight = 120;
  // The camera's facts (make, model, exposure, GPS, …) in the Exif block
  // beside the thumbnail; null writes only the orientation and resolution.
  const struct CameraFacts* facts = nullptr;
};

// A camera-style JPEG: SOI, Exif APP1 with the marked thumbnail, then the
// main picture without a JFIF segment.
std::string CameraShot(int kind, int width, int height, uint32_t seed, const CameraShotOptions& options = {});
