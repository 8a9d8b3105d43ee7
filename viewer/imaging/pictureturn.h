// Turning a picture file for good, without loss: JPEG through the lossless
// transform (jpegturn.h), PNG by re-encoding its pixels (pngturn.h); other
// formats are not turned. The file is turned from how it is stored to how
// it stands upright by its Exif Orientation, then by the user's quarter
// turn, and says Orientation 1 afterwards, so every program shows it alike.
#pragma once

#include <string>

#include "platform/base/wstr.h"

enum PictureTurnResult {
  PICTURE_TURN_DONE = 0,
  // A lossless JPEG turn would cut the partial blocks of an edge: asked
  // again with `trim` once the user agrees.
  PICTURE_TURN_NEEDS_TRIM = 1,
  PICTURE_TURN_FAILED = -1,       // the file cannot be turned; the reason says why
  PICTURE_TURN_UNSUPPORTED = -2,  // neither JPEG nor PNG
};

// The user's turn: a quarter to the right (clockwise) or to the left.
enum PictureTurn { TURN_RIGHT = 1, TURN_LEFT = 3 };

// Whether a picture of this name is one the turn commands offer (its
// extension says JPEG or PNG; the content decides when it is turned).
bool CanTurnPictureNamed(const CString& name);

// Turns the picture file `in` into `out`; `reason` says why not.
int TurnPictureBytes(const std::string& in, PictureTurn turn, bool trim, std::string* out, std::string* reason);

// The eight ways a picture can be stored against how it stands, as the
// lossless transform names them, and their composition.
enum PictureOp { OP_NONE, OP_FLIP_H, OP_FLIP_V, OP_TRANSPOSE, OP_TRANSVERSE, OP_ROT90, OP_ROT180, OP_ROT270 };
// What brings a picture stored with Exif Orientation `orientation` (1 to 8;
// anything else counts as 1) upright.
PictureOp UprightOp(int orientation);
// `second` done after `first`.
PictureOp ComposeOps(PictureOp first, PictureOp second);
// The op swaps width and height.
bool OpIsQuarterTurn(PictureOp op);
