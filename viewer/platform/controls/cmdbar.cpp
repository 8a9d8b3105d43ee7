// Command bar model: menu button, toolbar buttons, states and tooltips.
#include "cmdbar.h"

#include <algorithm>

#include "platform/window/host.h"

BOOL CCommandBar::CreateHostPeer() {
  return GetHost()->CreateCommandBar(this);
}

BOOL CCommandBar::InsertMenuBar(UINT id) {
  const MenuBarResource* bar = FindMenuBarResource(id);
  if (bar == nullptr) return FALSE;
  const MenuResource* menu = FindMenuResource(bar->menuId);
  const WCHAR* label = FindStringResource(bar->labelStringId);
  if (menu == nullptr || label == nullptr) return FALSE;
  m_pMenu = menu;
  m_strMenuLabel = label;
  m_nMenuCommand = bar->command;
  GetHost()->CommandBarChanged(this);
  return TRUE;
}

BOOL CCommandBar::LoadToolBar(UINT id) {
  const ToolbarResource* toolbar = FindToolbarResource(id);
  if (toolbar == nullptr || FindBitmapResource(toolbar->bitmapId) == nullptr) return FALSE;
  m_pToolbar = toolbar;
  m_buttons.clear();
  for (size_t i = 0; i < toolbar->commandCount; ++i) {
    m_buttons.push_back({toolbar->commands[i], (int)i, TBSTATE_ENABLED, CString()});
  }
  GetHost()->CommandBarChanged(this);
  return TRUE;
}

void CCommandBar::SetBarStyle(DWORD style) {
  m_dwBarStyle = style;
  GetHost()->CommandBarChanged(this);
}

LRESULT CCommandBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TB_SETSTATE:
      for (CommandBarButton& b : m_buttons) {
        if (b.command == (UINT)wParam) {
          b.state = LOWORD((uintptr_t)lParam);
          GetHost()->CommandBarChanged(this);
          return TRUE;
        }
      }
      return FALSE;
    case TB_SETTOOLTIPS: {
      const WCHAR* const* texts = (const WCHAR* const*)lParam;
      const size_t count = (size_t)wParam;
      if (texts == nullptr) return FALSE;
      for (size_t i = 0; i < count; ++i) {
        const CString text = texts[i] != nullptr ? CString(texts[i]) : CString();
        if (i == 0) {
          m_strMenuTooltip = text;
        } else if (i - 1 < m_buttons.size()) {
          m_buttons[i - 1].tooltip = text;
        }
      }
      GetHost()->CommandBarChanged(this);
      return TRUE;
    }
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

int CCommandBar::ButtonState(UINT command) const {
  for (const CommandBarButton& b : m_buttons) {
    if (b.command == command) return (int)b.state;
  }
  return -1;
}

const CString* CCommandBar::ButtonTooltip(UINT command) const {
  for (const CommandBarButton& b : m_buttons) {
    if (b.command == command) return &b.tooltip;
  }
  return nullptr;
}

void CCommandBar::EnableMenuItem(UINT command, BOOL enabled) {
  if (IsMenuItemEnabled(command) == enabled) return;
  if (enabled) {
    m_greyedItems.erase(std::find(m_greyedItems.begin(), m_greyedItems.end(), command));
  } else {
    m_greyedItems.push_back(command);
  }
  GetHost()->CommandBarChanged(this);
}

BOOL CCommandBar::IsMenuItemEnabled(UINT command) const {
  return std::find(m_greyedItems.begin(), m_greyedItems.end(), command) == m_greyedItems.end() ? TRUE : FALSE;
}

void CCommandBar::CheckMenuItem(UINT command, BOOL checked) {
  if (IsMenuItemCheckable(command) && IsMenuItemChecked(command) == checked) return;
  if (!IsMenuItemCheckable(command)) m_checkItems.push_back(command);
  if (checked) {
    m_checkedItems.push_back(command);
  } else {
    m_checkedItems.erase(std::remove(m_checkedItems.begin(), m_checkedItems.end(), command), m_checkedItems.end());
  }
  GetHost()->CommandBarChanged(this);
}

BOOL CCommandBar::IsMenuItemCheckable(UINT command) const {
  return std::find(m_checkItems.begin(), m_checkItems.end(), command) != m_checkItems.end() ? TRUE : FALSE;
}

BOOL CCommandBar::IsMenuItemChecked(UINT command) const {
  return std::find(m_checkedItems.begin(), m_checkedItems.end(), command) != m_checkedItems.end() ? TRUE : FALSE;
}
