// The command bar: one drop-down menu button and a toolbar of image buttons
// with states and tooltips. The bar keeps the model; the host draws it and
// sends the commands of its buttons and menu items to the frame.
#pragma once

#include <vector>

#include "platform/window/resource.h"
#include "platform/window/wnd.h"

struct CommandBarButton {
  UINT command;
  int image;   // index into the toolbar bitmap strip
  UINT state;  // TBSTATE_ flags
  CString tooltip;
};

class CCommandBar : public CWnd {
 public:
  BOOL Create(CWnd* parent, DWORD style, UINT id) { return CreateChild(parent, style, id); }
  // Adds the menu bar's drop-down button (menu bar definition `id`).
  BOOL InsertMenuBar(UINT id);
  // Adds the buttons of toolbar resource `id`, all enabled and visible.
  BOOL LoadToolBar(UINT id);
  DWORD GetBarStyle() const { return m_dwBarStyle; }
  void SetBarStyle(DWORD style);

  // TB_SETSTATE (command id, state in the low word) and TB_SETTOOLTIPS
  // (count, array of texts: the menu button's first).
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL HasCanvas() const override { return FALSE; }

  // What the host shows.
  const CString& MenuLabel() const { return m_strMenuLabel; }
  UINT MenuCommand() const { return m_nMenuCommand; }
  const MenuResource* Menu() const { return m_pMenu; }
  const CString& MenuTooltip() const { return m_strMenuTooltip; }
  const std::vector<CommandBarButton>& Buttons() const { return m_buttons; }
  const ToolbarResource* Toolbar() const { return m_pToolbar; }
  // The state of a button, or -1 when the bar has no such button.
  int ButtonState(UINT command) const;
  const CString* ButtonTooltip(UINT command) const;

  // Menu items are enabled until greyed out here (the Win32 menu's
  // EnableMenuItem); the host asks as it opens the menu.
  void EnableMenuItem(UINT command, BOOL enabled);
  BOOL IsMenuItemEnabled(UINT command) const;
  // An item once given a check state here is a check item from then on
  // (the Win32 menu's CheckMenuItem); the host shows the mark.
  void CheckMenuItem(UINT command, BOOL checked);
  BOOL IsMenuItemCheckable(UINT command) const;
  BOOL IsMenuItemChecked(UINT command) const;

 protected:
  BOOL CreateHostPeer() override;

 private:
  CString m_strMenuLabel;
  UINT m_nMenuCommand = 0;
  const MenuResource* m_pMenu = nullptr;
  CString m_strMenuTooltip;
  const ToolbarResource* m_pToolbar = nullptr;
  std::vector<CommandBarButton> m_buttons;
  std::vector<UINT> m_greyedItems;
  std::vector<UINT> m_checkItems;
  std::vector<UINT> m_checkedItems;
  DWORD m_dwBarStyle = 0;
};
