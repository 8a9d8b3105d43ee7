// The tree-view control ("SysTreeView32") as a model: items with a text, two
// image indices and a children marker, sorted insertion, expansion and the
// selection. The host shows it, follows its changes as they are made, and
// reports the user's selection, expansion and label edits back. Also the
// image list of 16 × 16 masked icons.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/resource.h"
#include "platform/window/wnd.h"

struct TreeItem;
typedef TreeItem* HTREEITEM;
#define TVI_ROOT ((HTREEITEM)(intptr_t)-0x10000)
#define TVI_FIRST ((HTREEITEM)(intptr_t)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(intptr_t)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(intptr_t)-0x0FFFD)

enum : UINT {
  TVIF_TEXT = 0x0001,
  TVIF_IMAGE = 0x0002,
  TVIF_PARAM = 0x0004,
  TVIF_STATE = 0x0008,
  TVIF_HANDLE = 0x0010,
  TVIF_SELECTEDIMAGE = 0x0020,
  TVIF_CHILDREN = 0x0040,
};
enum : UINT {
  TVM_EXPAND = 0x1102,
  TVM_GETCOUNT = 0x1105,
  TVM_GETIMAGELIST = 0x1108,
  TVM_SETIMAGELIST = 0x1109,
  TVM_GETNEXTITEM = 0x110A,
  TVM_SELECTITEM = 0x110B,
  TVM_INSERTITEMW = 0x1132,
  TVM_GETITEMW = 0x113E,
  TVM_SETITEMW = 0x113F,
};
enum : UINT {
  TVGN_ROOT = 0x0,
  TVGN_NEXT = 0x1,
  TVGN_PREVIOUS = 0x2,
  TVGN_PARENT = 0x3,
  TVGN_CHILD = 0x4,
  TVGN_CARET = 0x9
};
enum : UINT { TVE_COLLAPSE = 0x1, TVE_EXPAND = 0x2, TVE_TOGGLE = 0x3 };
enum : int { TVSIL_NORMAL = 0 };
enum : UINT { TVN_BEGINLABELEDITW = (UINT)(0u - 459u), TVN_ENDLABELEDITW = (UINT)(0u - 460u) };
enum : UINT { TVS_HASBUTTONS = 0x1, TVS_HASLINES = 0x2, TVS_EDITLABELS = 0x8, TVS_SHOWSELALWAYS = 0x20 };
enum : UINT { ILC_MASK = 0x0001 };

struct TVITEMW {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  WCHAR* pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
};

struct TVINSERTSTRUCTW {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  TVITEMW item;
};

struct NMTVDISPINFOW {
  struct {
    CWnd* hwndFrom;
    UINT idFrom;
    UINT code;
  } hdr;
  TVITEMW item;
};

typedef const ImageResource* HICON;
// The program's icon `id`, or null.
HICON LoadIcon(UINT id);

class CImageList;
typedef CImageList* HIMAGELIST;

class CImageList {
 public:
  CImageList();
  ~CImageList();
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  // Appends the icon, scaled to the list's size; its index, or -1.
  int Add(HICON icon);
  int GetImageCount() const { return (int)m_images.size(); }
  int Width() const { return m_cx; }
  int Height() const { return m_cy; }
  // Pixels of image `index` (0xAARRGGBB, row by row), or null.
  const uint32_t* ImagePixels(int index) const;
  HIMAGELIST GetSafeHandle() { return m_bCreated ? this : nullptr; }
  BOOL DeleteImageList();
  // The image-list object behind a handle, when one exists.
  static CImageList* FromHandlePermanent(HIMAGELIST list);
  static int LiveCount();

 private:
  BOOL m_bCreated = FALSE;
  int m_cx = 0;
  int m_cy = 0;
  std::vector<std::vector<uint32_t>> m_images;
};

class CTreeCtrl : public CWnd {
 public:
  CTreeCtrl();
  ~CTreeCtrl() override;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL HasCanvas() const override { return FALSE; }

  // The framework's operations over the messages above.
  HTREEITEM InsertItem(const TVINSERTSTRUCTW* insert);
  HTREEITEM GetRootItem() const;
  HTREEITEM GetChildItem(HTREEITEM item) const;
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  HTREEITEM GetSelectedItem() const { return m_pSelected; }
  BOOL Expand(HTREEITEM item, UINT code);
  BOOL SelectItem(HTREEITEM item);
  CString GetItemText(HTREEITEM item) const;
  BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
  BOOL SetItemImage(HTREEITEM item, int image, int selectedImage);
  HIMAGELIST SetImageList(HIMAGELIST list, int kind);
  HIMAGELIST GetImageList(int kind) const;
  int GetCount() const { return m_nCount; }

  // Model queries for hosts and tests.
  BOOL ItemHasChildrenMarker(HTREEITEM item) const;
  BOOL IsExpanded(HTREEITEM item) const;
  std::vector<HTREEITEM> Children(HTREEITEM parent) const;  // null: top level
  // The user's actions, as the host reports them.
  void HostSelect(HTREEITEM item);
  void HostExpand(HTREEITEM item, BOOL expanded);
  // The user typed a new label: the parent is asked through WM_NOTIFY and
  // the text changes only when it accepts. TRUE when the label changed.
  BOOL HostEditLabel(HTREEITEM item, const CString& text);

  // For a host that shows the tree while it grows. Once tracking, the
  // control notes, in order, every item inserted with its place among its
  // siblings at that moment, and every item whose text, images, marker or
  // expansion changed, until the host takes them: inserting in that order at
  // those places gives the siblings' order exactly, at a cost that follows
  // the changes rather than the size of the tree.
  struct HostChange {
    HTREEITEM item;
    int inserted;  // the place among its siblings; -1: an item changed
  };
  void HostTrackChanges(BOOL track);
  std::vector<HostChange> HostTakeChanges();

 protected:
  BOOL CreateHostPeer() override { return TRUE; }

 private:
  void DeleteAll();
  BOOL Owns(HTREEITEM item) const;
  // The message handlers.
  HTREEITEM DoInsertItem(const TVINSERTSTRUCTW* insert);
  HTREEITEM DoGetNextItem(UINT code, HTREEITEM item) const;
  BOOL DoGetItem(TVITEMW* item) const;
  BOOL DoSetItem(const TVITEMW* item);
  BOOL DoExpand(UINT code, HTREEITEM item);
  BOOL DoSelect(UINT code, HTREEITEM item);
  void NoteChange(HTREEITEM item, int inserted = -1);

  std::vector<HTREEITEM> m_roots;
  HTREEITEM m_pSelected = nullptr;
  HIMAGELIST m_pImageList = nullptr;
  int m_nCount = 0;
  BOOL m_bTracking = FALSE;
  std::vector<HostChange> m_changes;
};
