// The desktop's file-action commands: Delete to the Trash, Ctrl+Z to bring
// it back, Shift+Delete for good, Rotate Left and Right, Rename, Copy to and
// Move to, each on the current picture (the grid's current cell or the
// picture shown). They ask what they must, show one message for a failure,
// and leave the pages showing what the list now holds. Only the desktop's
// frame has them; the handheld writes nothing.
#pragma once

#include "filelist/fileactions.h"
#include "platform/controls/cmdbar.h"

class CViewerWnd;

class CFileCommands {
 public:
  explicit CFileCommands(CImageFileList* list) : m_pList(list), m_actions(list) {}

  // TRUE when `id` is one of the file actions (done, refused or declined).
  BOOL OnCommand(UINT id, CViewerWnd& view);
  // Greys out in `bar`'s menu what cannot act on the current picture now;
  // everything but Undo Trash when no picture is chosen (a folder cell is).
  void UpdateMenu(CCommandBar& bar, bool pictureChosen = true) const;

 private:
  void Trash();
  void DeleteForGood(int index);
  void Undo();
  // TRUE when the picture was turned.
  bool Turn(PictureTurn turn);
  void Rename();
  void Transfer(bool move);
  // One message for a failure: string `id` with the file's name and reason.
  static void ShowFailure(UINT id, const FileActionResult& result);
  // The pages follow the list: a picture page left without pictures goes
  // back to the grid; one whose picture changed starts fitted again.
  void Follow(CViewerWnd& view, const CString& shownBefore, bool turned);

  CImageFileList* m_pList;
  CFileActions m_actions;
};
