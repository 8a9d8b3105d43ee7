// Native frame: command bar from the model, menu, commands, close, focus.
#include "wxframe.h"

#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/menu.h>

#include "platform/controls/cmdbar.h"
#include "platform/window/frame.h"
#include "platform/window/resource.h"
#include "wxdisplaywatch.h"
#include "wxids.h"
#include "wxpixels.h"
#include "wxprobe.h"
#include "wxviewerarea.h"

namespace {

wxString ToWx(const CString& text) {
  return wxString::FromUTF8(Utf8FromWide(text).c_str());
}

extern "C" void ToolbarAllocated(GtkWidget* /*widget*/, GdkRectangle* /*allocation*/, gpointer frame) {
  static_cast<CWxFrame*>(frame)->OnToolbarAllocated();
}

// The rectangle of a GTK widget on the screen, as "X Y W H".
std::string WidgetScreenRect(GtkWidget* widget) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  int x = 0, y = 0, originX = 0, originY = 0;
  if (top == nullptr || gtk_widget_get_window(top) == nullptr ||
      !gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y)) {
    return "0 0 0 0";
  }
  gdk_window_get_origin(gtk_widget_get_window(top), &originX, &originY);
  char text[64];
  std::snprintf(text, sizeof text, "%d %d %d %d", originX + x, originY + y, gtk_widget_get_allocated_width(widget),
                gtk_widget_get_allocated_height(widget));
  return text;
}

// The shortcut of a command in wx's menu-label form ("Ctrl+Q", "F11",
// "Shift+Del"), from the frame's accelerator tables; empty when no key
// gives the command.
wxString ShortcutOf(const std::vector<UINT>& tables, UINT command) {
  constexpr UINT kVkF1 = 0x70, kVkF24 = 0x87, kVkDelete = 0x2E;
  for (UINT id : tables) {
    const AccelTableResource* table = FindAccelResource(id);
    for (size_t i = 0; table != nullptr && i < table->count; ++i) {
      const AccelResource& a = table->entries[i];
      if (a.command != command) continue;
      wxString key;
      if ((a.key >= 'A' && a.key <= 'Z') || (a.key >= '0' && a.key <= '9')) key = wxString((wxChar)a.key);
      if (a.key >= kVkF1 && a.key <= kVkF24) key = wxString::Format("F%u", a.key - kVkF1 + 1);
      if (a.key == kVkDelete) key = "Del";
      if (key.empty()) continue;
      return wxString((a.flags & FCONTROL) != 0 ? "Ctrl+" : "") + ((a.flags & FSHIFT) != 0 ? "Shift+" : "") + key;
    }
  }
  return wxString();
}

}  // namespace

CWxMenuButton::CWxMenuButton(wxWindow* parent, const wxString& label)
    : wxButton(parent, ID_MENU_BUTTON, label, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT) {
  SetCanFocus(false);
}

wxBEGIN_EVENT_TABLE(CWxFrame, wxFrame) EVT_CLOSE(CWxFrame::OnClose) EVT_SIZE(CWxFrame::OnSize)
    EVT_MOVE(CWxFrame::OnMove) EVT_ACTIVATE(CWxFrame::OnActivate) EVT_IDLE(CWxFrame::OnIdle)
        EVT_TOOL_RANGE(ID_TOOL_FIRST, ID_TOOL_LAST, CWxFrame::OnTool) EVT_BUTTON(ID_MENU_BUTTON, CWxFrame::OnMenuButton)
            EVT_MENU_RANGE(ID_MENU_ITEM_FIRST, ID_MENU_ITEM_LAST, CWxFrame::OnMenuItem)
                EVT_MENU_OPEN(CWxFrame::OnMenuOpen) EVT_MENU_CLOSE(CWxFrame::OnMenuClose) wxEND_EVENT_TABLE()

                    CWxFrame::CWxFrame(CFrameWnd* wnd, const wxString& title, const wxIcon& icon)
    : wxFrame(nullptr, wxID_ANY, title), m_pWnd(wnd) {
  if (icon.IsOk()) SetIcon(icon);
}

CWxFrame::~CWxFrame() {
  DisplayWatch::StopWatchingFrame();
  // Tools that are off the bar belong to us, not to the toolbar.
  for (size_t i = 0; i < m_tools.size(); ++i) {
    if (!m_present[i]) delete m_tools[i];
  }
}

void CWxFrame::SetCaption(const std::string& utf8) {
  SetTitle(wxString::FromUTF8(utf8.c_str()));
  // GDK writes WM_NAME (read by older tools and window managers) in the
  // locale's encoding, and leaves the old name there when the text does not
  // convert (an em dash in the C locale). Compound text when Xlib can make
  // it, else UTF-8: the name is never stale.
  GdkWindow* window = gtk_widget_get_window(m_widget);
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) return;
  Display* display = GDK_WINDOW_XDISPLAY(window);
  char* list[] = {const_cast<char*>(utf8.c_str())};
  XTextProperty property = {};
  if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &property) == Success) {
    XSetWMName(display, GDK_WINDOW_XID(window), &property);
    XFree(property.value);
    return;
  }
  if (property.value != nullptr) XFree(property.value);
  // Xlib without the locale's data cannot convert; the bytes are UTF-8.
  property.value = reinterpret_cast<unsigned char*>(list[0]);
  property.encoding = XInternAtom(display, "UTF8_STRING", False);
  property.format = 8;
  property.nitems = utf8.size();
  XSetWMName(display, GDK_WINDOW_XID(window), &property);
}

void CWxFrame::DetachAndDestroy() {
  DisplayWatch::StopWatchingFrame();
  m_pWnd = nullptr;
  m_pBar = nullptr;
  if (m_pArea != nullptr) m_pArea->Detach();
  Destroy();
}

CWxViewerArea* CWxFrame::CreateViewerArea(CWnd* wnd, const wxSize& areaSize) {
  m_pArea = new CWxViewerArea(this, wnd, areaSize);
  return m_pArea;
}

void CWxFrame::ShowWithArea(const wxSize& areaSize, const wxPoint& place) {
  // The client size leaves out the toolbar: the viewer area gets it whole.
  SetClientSize(areaSize);
  if (place != wxDefaultPosition) Move(place);
  m_normal = wxRect(place == wxDefaultPosition ? GetPosition() : place, areaSize);
  m_bNormalKnown = true;
  Show(true);
  DisplayWatch::WatchFrame(m_widget);
  // The X window exists now: its WM_NAME gets the caption set before.
  SetCaption(std::string(GetTitle().utf8_str()));
  if (m_pToolBar != nullptr) m_bToolbarLayoutPending = true;
  m_bToolRectsDirty = true;
}

void CWxFrame::AttachCommandBar(CCommandBar* bar) {
  m_pBar = bar;
  if (m_pToolBar == nullptr) {
    m_pToolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER, wxID_ANY);
    m_pToolBar->SetToolBitmapSize(wxSize(16, 16));
    g_signal_connect_after(GTK_WIDGET(m_pToolBar->GTKGetToolbar()), "size-allocate", G_CALLBACK(ToolbarAllocated),
                           this);
  }
  SyncCommandBar();
}

void CWxFrame::DetachCommandBar(CCommandBar* bar) {
  if (m_pBar == bar) m_pBar = nullptr;
}

void CWxFrame::SyncCommandBar() {
  if (m_pBar == nullptr || m_pToolBar == nullptr) return;
  bool changed = false;
  // 1. The "Tools" button, first on the bar, once the menu bar is in.
  if (m_pBar->Menu() != nullptr && m_pMenuButton == nullptr) {
    m_pMenuButton = new CWxMenuButton(m_pToolBar, ToWx(m_pBar->MenuLabel()));
    m_pToolBar->InsertControl(0, m_pMenuButton);
    changed = true;
  }
  if (m_pMenuButton != nullptr) {
    const wxString label = ToWx(m_pBar->MenuLabel());
    if (m_pMenuButton->GetLabel() != label) m_pMenuButton->SetLabel(label);
    const wxString tip = ToWx(m_pBar->MenuTooltip());
    if (m_pMenuButton->GetToolTipText() != tip) m_pMenuButton->SetToolTip(tip);
  }
  // 2. One tool per model button, cut from the toolbar strip.
  const std::vector<CommandBarButton>& buttons = m_pBar->Buttons();
  const ToolbarResource* toolbar = m_pBar->Toolbar();
  if (m_tools.size() != buttons.size() && toolbar != nullptr) {
    for (size_t i = 0; i < m_tools.size(); ++i) {
      if (m_present[i]) {
        m_pToolBar->DeleteTool(ID_TOOL_FIRST + (int)i);
      } else {
        delete m_tools[i];
      }
    }
    m_tools.clear();
    m_present.clear();
    const ImageResource* strip = FindBitmapResource(toolbar->bitmapId);
    for (size_t i = 0; i < buttons.size() && i <= (size_t)(ID_TOOL_LAST - ID_TOOL_FIRST); ++i) {
      const wxBitmap image = BitmapFromStrip(strip, buttons[i].image, toolbar->buttonWidth, toolbar->buttonHeight);
      // The label is not drawn (the bar shows icons only), but GTK gives it
      // to assistive technology as the button's name.
      m_tools.push_back(m_pToolBar->CreateTool(ID_TOOL_FIRST + (int)i, ToWx(buttons[i].tooltip), image, wxNullBitmap,
                                               wxITEM_NORMAL, nullptr, ToWx(buttons[i].tooltip)));
      m_present.push_back(false);
    }
    changed = true;
  }
  // 3. States, tooltips and names. A hidden button leaves the bar and comes
  // back at its own place among the buttons that are shown.
  size_t place = m_pMenuButton != nullptr ? 1 : 0;
  for (size_t i = 0; i < m_tools.size(); ++i) {
    const CommandBarButton& b = buttons[i];
    const int id = ID_TOOL_FIRST + (int)i;
    const bool hidden = (b.state & TBSTATE_HIDDEN) != 0;
    if (hidden && m_present[i]) {
      m_pToolBar->RemoveTool(id);
      m_present[i] = false;
      changed = true;
    } else if (!hidden && !m_present[i]) {
      m_pToolBar->InsertTool(place, m_tools[i]);
      m_present[i] = true;
      changed = true;
    }
    const wxString tip = ToWx(b.tooltip);
    const bool enabled = (b.state & TBSTATE_ENABLED) != 0;
    if (m_tools[i]->GetLabel() != tip) m_tools[i]->SetLabel(tip);
    if (m_present[i]) {
      if (m_tools[i]->GetShortHelp() != tip) m_pToolBar->SetToolShortHelp(id, tip);
      if (m_tools[i]->IsEnabled() != enabled) m_pToolBar->EnableTool(id, enabled);
      ++place;
    } else {
      m_tools[i]->SetShortHelp(tip);
      m_tools[i]->Enable(enabled);
    }
  }
  if (changed) {
    m_pToolBar->Realize();
    m_bToolbarLayoutPending = IsShown();
    m_bToolRectsDirty = true;
  }
}

void CWxFrame::OnToolbarAllocated() {
  m_bToolbarLayoutPending = false;
  m_bToolRectsDirty = true;
}

void CWxFrame::ReportToolRects() {
  if (m_pToolBar == nullptr || m_pBar == nullptr) return;
  GtkToolbar* toolbar = m_pToolBar->GTKGetToolbar();
  // GTK's items are the "Tools" button, then the tools on the bar in order.
  std::vector<std::string> lines;
  int item = 0;
  if (m_pMenuButton != nullptr) {
    lines.push_back("menubutton " + Probe::ScreenRect(m_pMenuButton));
    ++item;
  }
  const std::vector<CommandBarButton>& buttons = m_pBar->Buttons();
  for (size_t i = 0; i < m_tools.size() && i < buttons.size(); ++i) {
    if (!m_present[i]) continue;
    GtkToolItem* native = gtk_toolbar_get_nth_item(toolbar, item++);
    if (native == nullptr) break;
    lines.push_back("tool " + std::to_string(buttons[i].command) + " " + WidgetScreenRect(GTK_WIDGET(native)));
  }
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  if (all == m_strToolRects) return;
  m_strToolRects = all;
  for (const std::string& line : lines) Probe::Line("%s", line.c_str());
}

void CWxFrame::OnIdle(wxIdleEvent& event) {
  event.Skip();
  if (!Probe::Enabled() || !IsShown()) return;
  GdkWindow* window = gtk_widget_get_window(m_widget);
  if (!m_bWindowReported && window != nullptr && GDK_IS_X11_WINDOW(window)) {
    Probe::Line("window %lu", (unsigned long)GDK_WINDOW_XID(window));
    m_bWindowReported = true;
  }
  // Places on the screen are final once GTK has laid out the frame.
  if (!m_bToolbarLayoutPending) {
    if (m_pArea != nullptr) m_pArea->ReportCanvasRect();
    if (m_bToolRectsDirty) ReportToolRects();
    m_bToolRectsDirty = false;
  }
  if (m_idleHook && !m_idleHook()) event.RequestMore();
}

void CWxFrame::SendCommand(unsigned command) {
  if (m_pWnd == nullptr) return;
  Probe::Line("command %u", command);
  m_pWnd->SendMessage(WM_COMMAND, command, 0);
}

void CWxFrame::OnTool(wxCommandEvent& event) {
  const size_t index = (size_t)(event.GetId() - ID_TOOL_FIRST);
  if (m_pBar == nullptr || index >= m_pBar->Buttons().size()) return;
  SendCommand(m_pBar->Buttons()[index].command);
  // The keyboard stays with the viewer window whatever was clicked.
  if (m_pWnd != nullptr && m_pArea != nullptr) m_pArea->CanvasPanel()->SetFocus();
}

void CWxFrame::OnMenuButton(wxCommandEvent& /*event*/) {
  if (m_pBar == nullptr || m_pBar->Menu() == nullptr || m_pMenuButton == nullptr) return;
  const MenuResource* resource = m_pBar->Menu();
  const std::vector<UINT> keys = m_pWnd != nullptr ? m_pWnd->GetAcceleratorTables() : std::vector<UINT>();
  wxMenu menu;
  for (size_t i = 0; i < resource->itemCount && i <= (size_t)(ID_MENU_ITEM_LAST - ID_MENU_ITEM_FIRST); ++i) {
    // The item's text as the resource has it, and its key after a tab.
    wxString label = ToWx(CString(resource->items[i].text));
    const wxString shortcut = ShortcutOf(keys, resource->items[i].id);
    if (!shortcut.empty()) label += "\t" + shortcut;
    const UINT command = resource->items[i].id;
    menu.Append(ID_MENU_ITEM_FIRST + (int)i, label, wxEmptyString,
                m_pBar->IsMenuItemCheckable(command) ? wxITEM_CHECK : wxITEM_NORMAL);
    if (m_pBar->IsMenuItemCheckable(command))
      menu.Check(ID_MENU_ITEM_FIRST + (int)i, m_pBar->IsMenuItemChecked(command) != FALSE);
    // Greyed out where the command cannot act now.
    menu.Enable(ID_MENU_ITEM_FIRST + (int)i, m_pBar->IsMenuItemEnabled(resource->items[i].id) != FALSE);
  }
  // The menu drops down from the button's lower left corner.
  const wxPoint below = ScreenToClient(m_pMenuButton->GetScreenPosition()) + wxPoint(0, m_pMenuButton->GetSize().y);
  PopupMenu(&menu, below);
  if (m_pWnd != nullptr && m_pArea != nullptr) m_pArea->CanvasPanel()->SetFocus();
}

void CWxFrame::OnMenuItem(wxCommandEvent& event) {
  const size_t index = (size_t)(event.GetId() - ID_MENU_ITEM_FIRST);
  if (m_pBar == nullptr || m_pBar->Menu() == nullptr || index >= m_pBar->Menu()->itemCount) return;
  const unsigned command = m_pBar->Menu()->items[index].id;
  // The command runs once the menu has closed and its loop has returned:
  // About opens a modal dialog and Quit destroys this frame.
  CallAfter([this, command] { SendCommand(command); });
}

void CWxFrame::OnMenuOpen(wxMenuEvent& event) {
  event.Skip();
  Probe::Line("menu open");
}

void CWxFrame::OnMenuClose(wxMenuEvent& event) {
  event.Skip();
  Probe::Line("menu close");
}

void CWxFrame::OnClose(wxCloseEvent& /*event*/) {
  // The layer closes the frame (WM_CLOSE destroys it, and the host then
  // destroys this window); without a layer frame there is nothing to ask.
  if (m_pWnd != nullptr) {
    m_pWnd->SendMessage(WM_CLOSE);
  } else {
    Destroy();
  }
}

void CWxFrame::OnSize(wxSizeEvent& event) {
  event.Skip();
  NoteNormalPlace();
}

void CWxFrame::OnMove(wxMoveEvent& event) {
  event.Skip();
  NoteNormalPlace();
}

void CWxFrame::NoteNormalPlace() {
  // Full screen, maximized and minimized are states the next start does
  // not open in: the size and place from before them are kept.
  if (!IsShown() || IsFullScreen() || IsMaximized() || IsIconized()) return;
  m_normal = wxRect(GetPosition(), GetClientSize());
}

void CWxFrame::OnActivate(wxActivateEvent& event) {
  event.Skip();
  // The frame hands the focus on to its viewer window.
  if (event.GetActive() && m_pWnd != nullptr) m_pWnd->SendMessage(WM_SETFOCUS);
}
