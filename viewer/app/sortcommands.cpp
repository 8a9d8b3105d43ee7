// The sort commands: the list takes the new order, the pages follow it.
#include "app/sortcommands.h"

#include "app/viewerwnd.h"
#include "res/resource_ids.h"

namespace {

struct KeyItem {
  UINT id;
  SortKey key;
};

const KeyItem kKeyItems[] = {
    {ID_SORT_BY_NAME, SORT_BY_NAME},
    {ID_SORT_BY_DATE_TAKEN, SORT_BY_DATE_TAKEN},
    {ID_SORT_BY_MODIFIED, SORT_BY_MODIFIED},
    {ID_SORT_BY_SIZE, SORT_BY_SIZE},
};

}  // namespace

BOOL CSortCommands::OnCommand(UINT id, CViewerWnd& view) {
  if (m_pList == nullptr) return FALSE;
  SortOrder order = m_pList->GetSortOrder();
  bool known = id == ID_SORT_REVERSED;
  if (known) order.reversed = order.reversed ? FALSE : TRUE;
  for (const KeyItem& item : kKeyItems) {
    if (item.id != id) continue;
    order.key = item.key;
    known = true;
  }
  if (!known) return FALSE;
  if (!m_pList->SetSortOrder(order)) return TRUE;
  if (m_changed) m_changed(order);
  // The grid brings the current picture's row into view; every cell may
  // show another picture now.
  view.NotifyListChanged();
  view.Invalidate(TRUE);
  return TRUE;
}

void CSortCommands::UpdateMenu(CCommandBar& bar) const {
  const SortOrder order = m_pList != nullptr ? m_pList->GetSortOrder() : SortOrder();
  for (const KeyItem& item : kKeyItems) bar.CheckMenuItem(item.id, item.key == order.key ? TRUE : FALSE);
  bar.CheckMenuItem(ID_SORT_REVERSED, order.reversed);
}
