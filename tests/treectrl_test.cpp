// The tree control's model is what the Select Folder dialog builds and reads
// back; sorted insertion, selection and label edits must behave as the
// handheld's control did.
#include "platform/controls/treectrl.h"

#include <gtest/gtest.h>

#include "platform/controls/dialog.h"
#include "platform/headless/headless_host.h"

namespace {

HTREEITEM Insert(CTreeCtrl& tree, HTREEITEM parent, const char16_t* text, HTREEITEM after = TVI_SORT) {
  CString copy = text;
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = copy.data();
  insert.item.cchTextMax = (int)copy.size();
  insert.item.iSelectedImage = 1;
  insert.item.cChildren = 1;
  return tree.InsertItem(&insert);
}

std::u16string Texts(const CTreeCtrl& tree, HTREEITEM parent) {
  std::u16string all;
  for (HTREEITEM c = tree.GetChildItem(parent); c != nullptr; c = tree.GetNextSiblingItem(c)) {
    all += tree.GetItemText(c) + u",";
  }
  return all;
}

class TreeTest : public ::testing::Test {
 protected:
  CHeadlessHost host;
  CTreeCtrl tree;
  HTREEITEM root = nullptr;
  void SetUp() override {
    ASSERT_TRUE(tree.CreateChild(nullptr, 0, 1000));
    root = Insert(tree, TVI_ROOT, u"My Device");
    ASSERT_NE(root, nullptr);
  }
};

TEST_F(TreeTest, SortedInsertionIgnoresCase) {
  for (const char16_t* name : {u"beta", u"Alpha", u"gamma", u"ALPHA2", u"Delta"}) Insert(tree, root, name);
  EXPECT_EQ(Texts(tree, root), u"Alpha,ALPHA2,beta,Delta,gamma,");
  EXPECT_EQ(tree.GetCount(), 6);
}

TEST_F(TreeTest, InsertionPlacesOtherThanSorted) {
  Insert(tree, root, u"b", TVI_LAST);
  Insert(tree, root, u"a", TVI_LAST);
  Insert(tree, root, u"c", TVI_FIRST);
  Insert(tree, root, u"aa", TVI_SORT);  // siblings are no longer in order: scan
  EXPECT_EQ(Texts(tree, root), u"aa,c,b,a,");
}

TEST_F(TreeTest, ItemsKeepImagesAndMarker) {
  HTREEITEM item = Insert(tree, root, u"x");
  int image = -1, selected = -1;
  ASSERT_TRUE(tree.GetItemImage(item, image, selected));
  EXPECT_EQ(image, 0);  // not in the mask: image 0
  EXPECT_EQ(selected, 1);
  EXPECT_TRUE(tree.ItemHasChildrenMarker(item));
  ASSERT_TRUE(tree.SetItemImage(item, 2, 3));
  tree.GetItemImage(item, image, selected);
  EXPECT_EQ(image, 2);
  EXPECT_EQ(selected, 3);
  EXPECT_EQ(tree.GetParentItem(item), root);
  EXPECT_EQ(tree.GetParentItem(root), nullptr);
}

TEST_F(TreeTest, SelectingOpensTheAncestors) {
  HTREEITEM a = Insert(tree, root, u"A");
  HTREEITEM b = Insert(tree, a, u"B");
  EXPECT_FALSE(tree.IsExpanded(root));
  ASSERT_TRUE(tree.SelectItem(b));
  EXPECT_EQ(tree.GetSelectedItem(), b);
  EXPECT_TRUE(tree.IsExpanded(root));
  EXPECT_TRUE(tree.IsExpanded(a));
  EXPECT_FALSE(tree.IsExpanded(b));
}

TEST_F(TreeTest, ForeignHandlesAreRefused) {
  CTreeCtrl other;
  ASSERT_TRUE(other.CreateChild(nullptr, 0, 1001));
  HTREEITEM foreign = Insert(other, TVI_ROOT, u"z");
  EXPECT_EQ(Insert(tree, foreign, u"child"), nullptr);
  EXPECT_FALSE(tree.SelectItem(foreign));
  EXPECT_EQ(tree.GetItemText(foreign), u"");
}

TEST_F(TreeTest, TrackedChangesReplayTheModelInOrder) {
  Insert(tree, root, u"untracked");
  tree.HostTrackChanges(TRUE);
  EXPECT_TRUE(tree.HostTakeChanges().empty());
  for (const char16_t* name : {u"beta", u"Alpha", u"img10", u"IMG2", u"gamma", u"ALPHA"}) Insert(tree, root, name);
  HTREEITEM beta = tree.GetNextSiblingItem(tree.GetNextSiblingItem(tree.GetChildItem(root)));
  ASSERT_EQ(tree.GetItemText(beta), u"beta");
  tree.SetItemImage(beta, 2, 3);
  tree.Expand(root, TVE_EXPAND);
  HTREEITEM sub = Insert(tree, beta, u"sub");
  tree.SelectItem(sub);  // opens beta; the root is open already
  // Each insertion at its noted place rebuilds the siblings' order; the
  // items that changed come in the order they changed.
  std::vector<std::u16string> replayed = {u"untracked"};
  std::vector<HTREEITEM> changed;
  for (const CTreeCtrl::HostChange& change : tree.HostTakeChanges()) {
    if (change.inserted < 0) {
      changed.push_back(change.item);
    } else if (tree.GetParentItem(change.item) == root) {
      replayed.insert(replayed.begin() + change.inserted, tree.GetItemText(change.item));
    } else {
      EXPECT_EQ(change.item, sub);
      EXPECT_EQ(change.inserted, 0);
    }
  }
  std::u16string texts;
  for (const std::u16string& text : replayed) texts += text + u",";
  EXPECT_EQ(texts, Texts(tree, root));
  EXPECT_EQ(changed, (std::vector<HTREEITEM>{beta, root, beta}));
  EXPECT_TRUE(tree.HostTakeChanges().empty());
}

class RejectingDialog : public CDialog {
 public:
  RejectingDialog() : CDialog(0) {}
};

TEST_F(TreeTest, LabelEditNeedsTheParentsConsent) {
  RejectingDialog dialog;
  CTreeCtrl child;
  ASSERT_TRUE(child.CreateChild(&dialog, 0, 1000));
  HTREEITEM item = Insert(child, TVI_ROOT, u"Old");
  EXPECT_FALSE(child.HostEditLabel(item, u"New"));
  EXPECT_EQ(child.GetItemText(item), u"Old");
}

TEST(ImageList, ScalesIconsToItsSize) {
  uint32_t big[32 * 32];
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) big[y * 32 + x] = 0xFF000000u | (uint32_t)(y / 2 * 16 + x / 2);
  const ImageResource icon = {1, 32, 32, big};
  CImageList list;
  ASSERT_TRUE(list.Create(16, 16, ILC_MASK, 3, 3));
  EXPECT_EQ(list.Add(&icon), 0);
  EXPECT_EQ(list.Add(nullptr), -1);
  const uint32_t* pixels = list.ImagePixels(0);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(pixels[5 * 16 + 7], 0xFF000000u | (5 * 16 + 7));
  EXPECT_EQ(CImageList::FromHandlePermanent(list.GetSafeHandle()), &list);
  EXPECT_TRUE(list.DeleteImageList());
  EXPECT_EQ(list.GetSafeHandle(), nullptr);
}

}  // namespace
