// The file-action commands: the questions and messages around each action.
#include "app/filecommands.h"

#include "app/filedialogs.h"
#include "app/viewerwnd.h"
#include "folderdlg/folderdlg.h"
#include "pages/browserpage.h"
#include "pages/imagepage.h"
#include "res/resource_ids.h"

namespace {

bool Ask(UINT textId, const CString& name, const CString& second, UINT buttonId) {
  const WCHAR* button = FindStringResource(buttonId);
  CFileMessageDlg question(IDD_FILE_QUESTION, FormatFileString(textId, name, second),
                           button != nullptr ? CString(button) : CString());
  return question.DoModal() == IDOK;
}

void Tell(const CString& text) {
  CFileMessageDlg message(IDD_FILE_MESSAGE, text);
  message.DoModal();
}

}  // namespace

void CFileCommands::ShowFailure(UINT id, const FileActionResult& result) {
  Tell(FormatFileString(id, result.name, WideFromUtf8(result.reason)));
}

BOOL CFileCommands::OnCommand(UINT id, CViewerWnd& view) {
  if (m_pList == nullptr) return FALSE;
  CString shown;
  m_pList->GetPath(m_pList->m_nCurrent, shown);
  // A folder cell current on the grid chooses no picture.
  const bool any = m_pList->GetCount() > 0 && !view.IsFolderCellCurrent();
  switch (id) {
    case ID_FILE_TRASH:
      if (any) Trash();
      break;
    case ID_FILE_DELETE:
      if (any && Ask(IDS_CONFIRM_DELETE, shown.substr(shown.rfind(u'\\') + 1), CString(), IDS_DELETE_BUTTON)) {
        DeleteForGood(m_pList->m_nCurrent);
      }
      break;
    case ID_FILE_UNDO_TRASH:
      Undo();
      break;
    case ID_FILE_ROTATE_LEFT:
    case ID_FILE_ROTATE_RIGHT:
      Follow(view, shown,
             any && m_actions.CanTurn(m_pList->m_nCurrent) && Turn(id == ID_FILE_ROTATE_LEFT ? TURN_LEFT : TURN_RIGHT));
      return TRUE;
    case ID_FILE_RENAME:
      if (any) Rename();
      break;
    case ID_FILE_COPY_TO:
    case ID_FILE_MOVE_TO:
      if (any) {
        Transfer(id == ID_FILE_MOVE_TO);
        if (view.m_pBrowserPage != nullptr) view.m_pBrowserPage->ForgetFolderLooks();
      }
      break;
    default:
      return FALSE;
  }
  Follow(view, shown, false);
  return TRUE;
}

void CFileCommands::UpdateMenu(CCommandBar& bar, bool pictureChosen) const {
  const BOOL any = pictureChosen && m_pList != nullptr && m_pList->GetCount() > 0 ? TRUE : FALSE;
  for (UINT id : {ID_FILE_TRASH, ID_FILE_DELETE, ID_FILE_RENAME, ID_FILE_COPY_TO, ID_FILE_MOVE_TO}) {
    bar.EnableMenuItem(id, any);
  }
  const BOOL turns = any && m_actions.CanTurn(m_pList->m_nCurrent) ? TRUE : FALSE;
  bar.EnableMenuItem(ID_FILE_ROTATE_LEFT, turns);
  bar.EnableMenuItem(ID_FILE_ROTATE_RIGHT, turns);
  bar.EnableMenuItem(ID_FILE_UNDO_TRASH, m_actions.CanUndoTrash());
}

void CFileCommands::Trash() {
  const int index = m_pList->m_nCurrent;
  const FileActionResult result = m_actions.Trash(index);
  if (result.code == DEVICE_NO_TRASH) {
    // Where there is no Trash, deleting for good is offered instead.
    if (Ask(IDS_NO_TRASH, result.name, WideFromUtf8(result.reason), IDS_DELETE_BUTTON)) DeleteForGood(index);
  } else if (!result.Done()) {
    ShowFailure(IDS_CANNOT_TRASH, result);
  }
}

void CFileCommands::DeleteForGood(int index) {
  const FileActionResult result = m_actions.Delete(index);
  if (!result.Done()) ShowFailure(IDS_CANNOT_DELETE, result);
}

void CFileCommands::Undo() {
  const FileActionResult result = m_actions.UndoTrash();
  if (!result.Done() && result.code != FILE_ACTION_NOTHING) ShowFailure(IDS_CANNOT_RESTORE, result);
}

bool CFileCommands::Turn(PictureTurn turn) {
  const int index = m_pList->m_nCurrent;
  FileActionResult result = m_actions.Turn(index, turn, false);
  if (result.code == FILE_ACTION_NEEDS_TRIM) {
    if (!Ask(IDS_ASK_TRIM, result.name, CString(), IDS_TRIM_BUTTON)) return false;
    result = m_actions.Turn(index, turn, true);
  }
  if (!result.Done()) ShowFailure(IDS_CANNOT_TURN, result);
  return result.Done();
}

void CFileCommands::Rename() {
  const int index = m_pList->m_nCurrent;
  CString path;
  m_pList->GetPath(index, path);
  CString name = path.substr(path.rfind(u'\\') + 1);
  // A refused name is said why, and the dialog comes back with it.
  for (;;) {
    CRenameDlg dialog(name);
    if (dialog.DoModal() != IDOK) return;
    name = dialog.GetName();
    const FileActionResult result = m_actions.Rename(index, name);
    switch (result.code) {
      case 0:
      case FILE_ACTION_NOTHING:
        return;
      case FILE_ACTION_NAME_EMPTY:
        Tell(FormatFileString(IDS_NAME_EMPTY, name));
        break;
      case FILE_ACTION_NAME_SEPARATOR:
        Tell(FormatFileString(IDS_NAME_SEPARATOR, name));
        break;
      case FILE_ACTION_NAME_INVALID:
        Tell(FormatFileString(IDS_NAME_INVALID, name));
        break;
      case EEXIST:
        Tell(FormatFileString(IDS_NAME_EXISTS, name));
        break;
      default:
        ShowFailure(IDS_CANNOT_RENAME, result);
        return;
    }
  }
}

void CFileCommands::Transfer(bool move) {
  const int index = m_pList->m_nCurrent;
  CFolderDlg chooser(TRUE);
  CString folder;
  if (chooser.DoModal() != IDOK || !chooser.GetChosenFolder(&folder)) return;
  FileActionResult result =
      move ? m_actions.MoveTo(index, folder, CONFLICT_ASK) : m_actions.CopyTo(index, folder, CONFLICT_ASK);
  if (result.code == EEXIST) {
    // A name taken there is never replaced without the user saying so.
    CConflictDlg conflict(FormatFileString(IDS_CONFLICT, result.name, folder.empty() ? CString(u"\\") : folder));
    const INT_PTR choice = conflict.DoModal();
    if (choice != IDC_FILE_REPLACE && choice != IDC_FILE_KEEP_BOTH) return;
    const ConflictChoice how = choice == IDC_FILE_REPLACE ? CONFLICT_REPLACE : CONFLICT_KEEP_BOTH;
    result = move ? m_actions.MoveTo(index, folder, how) : m_actions.CopyTo(index, folder, how);
  }
  if (!result.Done() && result.code != FILE_ACTION_NOTHING)
    ShowFailure(move ? IDS_CANNOT_MOVE : IDS_CANNOT_COPY, result);
}

void CFileCommands::Follow(CViewerWnd& view, const CString& shownBefore, bool turned) {
  if (!view.IsPicturePageShown()) {
    view.Invalidate(TRUE);
    return;
  }
  if (m_pList->GetCount() == 0) {
    view.SwitchPage(PAGE_BROWSER);
    return;
  }
  CString shown;
  m_pList->GetPath(m_pList->m_nCurrent, shown);
  if ((turned || shown != shownBefore) && view.m_pImagePage != nullptr) view.m_pImagePage->ResetZoom();
  view.Invalidate(TRUE);
}
