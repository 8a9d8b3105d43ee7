// Event replay on the headless host.
#include "startup/replay.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>

#include "app/mainframe.h"
#include "filelist/imagefilelist.h"
#include "pages/infopanel.h"
#include "platform/base/tick.h"
#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"
#include "platform/headless/headless_host.h"
#include "platform/window/app.h"
#include "platform/window/frame.h"
#include "platform/window/timers.h"
#include "res/resource_ids.h"
#include "startup/eventwords.h"

namespace {

// Time between two replayed events: longer than a double tap, so that two
// taps at one place are two taps unless "dbltap" asks otherwise.
constexpr DWORD kEventGapMs = 1000;

bool ParseInt(const std::string& text, long long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 0);
  if (end == nullptr || *end != 0) return false;
  *value = v;
  return true;
}

bool ParseKey(const std::string& text, unsigned* vk) {
  static const struct {
    const char* name;
    unsigned vk;
  } kKeys[] = {{"left", VK_LEFT},       {"up", VK_UP},           {"right", VK_RIGHT},     {"down", VK_DOWN},
               {"return", VK_RETURN},   {"escape", VK_ESCAPE},   {"space", VK_SPACE},     {"backspace", VK_BACK},
               {"home", VK_HOME},       {"end", VK_END},         {"pageup", VK_PRIOR},    {"pagedown", VK_NEXT},
               {"plus", VK_OEM_PLUS},   {"equals", VK_OEM_PLUS}, {"minus", VK_OEM_MINUS}, {"kpplus", VK_ADD},
               {"kpminus", VK_SUBTRACT}};
  for (const auto& k : kKeys) {
    if (text == k.name) {
      *vk = k.vk;
      return true;
    }
  }
  // f1 … f24, the function keys from 0x70 on.
  constexpr unsigned kVkF1 = 0x70;
  long long v;
  const std::string number = text.size() >= 2 && text[0] == 'f' && text[1] != '0' ? text.substr(1) : std::string();
  if (number.size() <= 2 && number.find_first_not_of("0123456789") == std::string::npos && ParseInt(number, &v) &&
      v >= 1 && v <= 24) {
    *vk = kVkF1 + (unsigned)(v - 1);
    return true;
  }
  if (!ParseInt(text, &v) || v < 0 || v > 255) return false;
  *vk = (unsigned)v;
  return true;
}

bool ParseScrollCode(const std::string& text, unsigned* code) {
  static const char* const kNames[] = {"lineup",     "linedown", "pageup", "pagedown", "thumbposition",
                                       "thumbtrack", "top",      "bottom", "endscroll"};
  for (unsigned i = 0; i < 9; ++i) {
    if (text == kNames[i]) {
      *code = i;
      return true;
    }
  }
  long long v;
  if (!ParseInt(text, &v) || v < 0 || v > 0xFFFF) return false;
  *code = (unsigned)v;
  return true;
}

bool ParseCommand(const std::string& text, unsigned* id) {
  static const struct {
    const char* name;
    unsigned id;
  } kCommands[] = {{"browser", ID_BROWSER},         {"back", ID_BACK},       {"zoomin", ID_ZOOM_IN},
                   {"zoomout", ID_ZOOM_OUT},        {"about", ID_APP_ABOUT}, {"quit", ID_APP_EXIT},
                   {"slideshow", ID_VIEW_SLIDESHOW}};
  for (const auto& c : kCommands) {
    if (text == c.name) {
      *id = c.id;
      return true;
    }
  }
  long long v;
  if (!ParseInt(text, &v) || v < 0 || v > 0xFFFF) return false;
  *id = (unsigned)v;
  return true;
}

}  // namespace

Replay::Replay(CHeadlessHost& host, std::ostream* trace) : m_host(host), m_trace(trace) {
  if (GetTickCount() == 0) TickSetManual(1000000);
  host.SetDialogHandler([this](CDialog& dialog) {
    CTreeCtrl* tree = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE));
    if (tree != nullptr && !m_bFolderCancel) {
      // Walk down the tree by item texts, from "My Device".
      HTREEITEM item = tree->GetRootItem();
      for (const std::string& name : m_folderChoice) {
        const CString wanted = WideFromUtf8(name);
        HTREEITEM found = nullptr;
        for (HTREEITEM c = tree->GetChildItem(item); c != nullptr; c = tree->GetNextSiblingItem(c)) {
          if (tree->GetItemText(c) == wanted) found = c;
        }
        if (found == nullptr) break;
        item = found;
      }
      if (item != nullptr) tree->HostSelect(item);
    }
    dialog.SendMessage(WM_COMMAND, tree != nullptr && m_bFolderCancel ? IDCANCEL : IDOK);
  });
}

void Replay::Trace(const std::string& line) {
  if (m_trace == nullptr) return;
  *m_trace << line;
  if (g_pImageFileList != nullptr) {
    *m_trace << "  [folder=\"" << Utf8FromWide(g_pImageFileList->m_strFolder)
             << "\" count=" << g_pImageFileList->GetCount() << " current=" << g_pImageFileList->m_nCurrent
             << " first=" << g_pImageFileList->m_nFirstShown << "]";
  }
  *m_trace << "\n";
}

void Replay::PassTime(DWORD milliseconds) {
  // Each step ends at the next timer due, or at the end; a timer runs again
  // no sooner than 1 ms after it ran, so every other step moves the tick.
  for (int steps = 0; milliseconds > 0 && steps < 1000000; ++steps) {
    const DWORD due = NextTimerDue();
    if (due == kNoTimerDue || due >= milliseconds) {
      TickAdvance(milliseconds);
      return;
    }
    TickAdvance(due);
    milliseconds -= due;
    m_host.Pump();
  }
}

void Replay::Tap(int x, int y) {
  CWnd* viewer = m_host.CanvasWindow();
  if (viewer == nullptr) return;
  viewer->HostStylusDown(x, y);
  m_host.Pump();
  viewer->HostStylusUp(x, y);
}

bool Replay::RunAll(const std::vector<std::string>& lines, std::string* error) {
  for (const std::string& line : lines) {
    if (!Run(line, error)) return false;
  }
  return true;
}

bool Replay::Run(const std::string& line, std::string* error) {
  std::vector<std::string> words;
  if (!EventWords::Split(line, &words, error)) return false;
  if (words.empty()) return true;
  PassTime(kEventGapMs);
  const auto start = std::chrono::steady_clock::now();
  if (!Command(words, error)) return false;
  m_host.Pump();
  if (m_timing != nullptr) {
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::string event;
    for (const std::string& word : words) event += (event.empty() ? "" : " ") + word;
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.1f ms", took.count());
    *m_timing << event << "  " << figure << std::endl;
  }
  Trace(line);
  return true;
}

bool Replay::Command(const std::vector<std::string>& w, std::string* error) {
  const std::string& verb = w[0];
  CWnd* viewer = m_host.CanvasWindow();
  auto fail = [&](const std::string& why) {
    *error = "\"" + verb + "\": " + why;
    return false;
  };
  long long a = 0, b = 0;
  if (verb == "tap" || verb == "dbltap" || verb == "down" || verb == "move" || verb == "up") {
    if (w.size() != 3 || !ParseInt(w[1], &a) || !ParseInt(w[2], &b)) return fail("needs X Y");
    if (viewer == nullptr) return fail("no viewer window");
    if (verb == "tap") Tap((int)a, (int)b);
    if (verb == "dbltap") {
      Tap((int)a, (int)b);
      TickAdvance(100);
      Tap((int)a, (int)b);
    }
    if (verb == "down") viewer->HostStylusDown((int)a, (int)b);
    if (verb == "move") viewer->HostStylusMove((int)a, (int)b);
    if (verb == "up") viewer->HostStylusUp((int)a, (int)b);
    return true;
  }
  if (verb == "key" || verb == "keydown" || verb == "keyup") {
    unsigned vk;
    // "alt+K": the key with Alt held.
    const bool alt = w.size() == 2 && w[1].compare(0, 4, "alt+") == 0;
    if (w.size() != 2 || !ParseKey(alt ? w[1].substr(4) : w[1], &vk)) return fail("needs a key name or a VK number");
    if (viewer == nullptr) return fail("no viewer window");
    if (verb != "keyup") viewer->HostKey(TRUE, vk, alt ? TRUE : FALSE);
    if (verb != "keydown") viewer->HostKey(FALSE, vk, alt ? TRUE : FALSE);
    return true;
  }
  if (verb == "wheel") {
    // A notch of the wheel as vimbra sends it: a line step of the scroll bar,
    // or with Ctrl a WM_MOUSEWHEEL for the page.
    const bool control = w.size() == 3 && w[2] == "ctrl";
    if (w.size() < 2 || w.size() > 3 || (w[1] != "up" && w[1] != "down") || (w.size() == 3 && !control)) {
      return fail("needs up or down, then ctrl or nothing");
    }
    if (viewer == nullptr) return fail("no viewer window");
    const bool up = w[1] == "up";
    if (control) {
      const int notch = up ? WHEEL_DELTA : -WHEEL_DELTA;
      viewer->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM((WORD)MK_CONTROL, (WORD)(int16_t)notch), 0);
    } else {
      viewer->HostVScroll(up ? SB_LINEUP : SB_LINEDOWN, viewer->GetScrollPos(SB_VERT));
    }
    return true;
  }
  if (verb == "scroll") {
    unsigned code;
    if (w.size() < 2 || w.size() > 3 || !ParseScrollCode(w[1], &code)) return fail("needs CODE [POSITION]");
    if (w.size() == 3 && !ParseInt(w[2], &a)) return fail("bad position");
    if (viewer == nullptr) return fail("no viewer window");
    viewer->HostVScroll(code, (int)a);
    return true;
  }
  if (verb == "command") {
    unsigned id;
    if (w.size() != 2 || !ParseCommand(w[1], &id)) return fail("needs a command name or id");
    if (m_host.Frame() == nullptr) return fail("the viewer has quit");
    m_bFolderCancel = false;
    m_host.Frame()->SendMessage(WM_COMMAND, id, 0);
    return true;
  }
  if (verb == "folder" || verb == "folder-cancel") {
    // Opens Select Folder and confirms the item reached by the names given
    // (none: "My Device"), or cancels.
    if (m_host.Frame() == nullptr) return fail("the viewer has quit");
    m_folderChoice.assign(w.begin() + 1, w.end());
    m_bFolderCancel = verb == "folder-cancel";
    m_host.Frame()->SendMessage(WM_COMMAND, ID_BROWSER, 0);
    m_folderChoice.clear();
    m_bFolderCancel = false;
    return true;
  }
  if (verb == "resize") {
    if (w.size() != 3 || !ParseInt(w[1], &a) || !ParseInt(w[2], &b) || a < 0 || b < 0) return fail("needs W H");
    m_host.Resize((int)a, (int)b);
    return true;
  }
  if (verb == "wait") {
    if (w.size() != 2 || !ParseInt(w[1], &a) || a < 0) return fail("needs milliseconds");
    PassTime((DWORD)a);
    return true;
  }
  if (verb == "pump") return true;
  if (verb == "idle") {
    if (!m_host.WaitForBackgroundWork()) return fail("background work did not finish");
    return true;
  }
  if (verb == "panel") {
    // The information panel's lines as drawn, one a line; nothing while it
    // is hidden or the profile has none.
    if (w.size() != 2) return fail("needs a file name");
    CMainFrame* frame = dynamic_cast<CMainFrame*>(m_host.Frame());
    if (frame == nullptr) return fail("the viewer has quit");
    std::ofstream out(w[1], std::ios::binary | std::ios::trunc);
    CInfoPanel* panel = frame->GetViewerWnd().InfoPanel();
    if (panel != nullptr && panel->IsShown()) {
      for (const std::string& line : panel->Lines()) out << line << "\n";
    }
    if (!out) return fail("cannot write " + w[1]);
    return true;
  }
  if (verb == "shot") {
    if (w.size() != 2) return fail("needs a file name");
    // Every thumbnail asked for is drawn before the picture is taken.
    if (!m_host.WaitForBackgroundWork()) return fail("thumbnails did not finish");
    if (!m_host.WritePng(w[1])) return fail("cannot write " + w[1]);
    ++m_nShots;
    return true;
  }
  return fail("unknown event");
}

std::string Replay::Help() {
  return "Events (one per line of the script, or words of the command line;\n"
         "'#' starts a comment; \"...\" keeps blanks and '#' in one word):\n"
         "  tap X Y | dbltap X Y | down X Y | move X Y | up X Y   stylus, client pixels\n"
         "  key K | keydown K | keyup K      K: left right up down home end pageup pagedown\n"
         "                                   plus equals minus kpplus kpminus escape\n"
         "                                   backspace return space, or a VK number;\n"
         "                                   alt+K: with Alt held\n"
         "  wheel up|down [ctrl]             one notch of the mouse wheel (with Ctrl held)\n"
         "  scroll CODE [POS]                CODE: lineup linedown pageup pagedown\n"
         "                                   thumbposition thumbtrack top bottom endscroll\n"
         "  command NAME                     browser back zoomin zoomout about quit (or an id);\n"
         "                                   slideshow: F5, the desktop's slideshow on or off\n"
         "  folder [NAME...]                 Select Folder: pick My Device\\NAME\\... and OK;\n"
         "                                   a NAME with blanks is quoted in a script\n"
         "                                   (folder \"My Documents\" Trip); on the command\n"
         "                                   line each argument is one word, so\n"
         "                                   'My Documents' is one NAME, and '\"shot\"'\n"
         "                                   (quotes inside the argument) is a folder\n"
         "                                   named like an event\n"
         "  folder-cancel                    Select Folder, then Cancel\n"
         "  resize W H                       new viewer area\n"
         "  wait MS                          let MS ms pass: timers due run in turn\n"
         "  pump                             run pending paints\n"
         "  idle                             wait until background work (thumbnails) is done\n"
         "  shot FILE.png                    screenshot of the viewer window, once every\n"
         "                                   thumbnail asked for is drawn\n"
         "  panel FILE.txt                   the information panel's lines (empty while hidden)\n";
}
