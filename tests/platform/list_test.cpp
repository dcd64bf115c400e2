#include "platform/list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A record with no ordering: found by identity.
struct Thing {
  int id = 0;
};

// A record ordered by its key, as the level records are by title: 1 when the
// other sorts strictly first, 0 otherwise.
struct Keyed {
  int key = 0;
  int tag = 0;
  int Compare(const Keyed& other) const { return other.key < key ? 1 : 0; }
};

std::shared_ptr<Thing> T(int id) { return std::make_shared<Thing>(Thing{id}); }

std::vector<int> Ids(const List<Thing>& l) {
  std::vector<int> out;
  for (const auto& t : l) out.push_back(t->id);
  return out;
}

ListPtr<Thing> Make(std::initializer_list<int> ids) {
  auto l = CreateList<Thing>();
  for (int id : ids) ListAddLast(*l, T(id));
  return l;
}

TEST(List, InsertionOrderAndCount) {
  auto l = CreateList<Thing>();
  EXPECT_TRUE(l->Empty());
  EXPECT_EQ(l->First(), nullptr);
  EXPECT_EQ(l->Last(), nullptr);
  ListAddLast(*l, T(2));
  ListAddLast(*l, T(3));
  ListAddFirst(*l, T(1));
  EXPECT_EQ(Ids(*l), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(CountList(*l), 3);
  EXPECT_EQ(l->First()->id, 1);
  EXPECT_EQ(l->Last()->id, 3);
  ListAddFirst(*l, T(0));
  EXPECT_EQ(l->First()->id, 0);
  EXPECT_EQ(l->Last()->id, 3);
}

TEST(List, AddFirstOnEmptyListSetsTheLast) {
  auto l = CreateList<Thing>();
  ListAddFirst(*l, T(5));
  EXPECT_EQ(l->Last()->id, 5);
  ListAddLast(*l, T(6));
  EXPECT_EQ(Ids(*l), (std::vector<int>{5, 6}));
}

TEST(List, WalkSurvivesRemovalOfTheCurrentElement) {
  auto l = Make({1, 2, 3, 4, 5});
  std::vector<int> seen;
  for (const auto& t : *l) {
    seen.push_back(t->id);
    if (t->id % 2 == 0) {
      EXPECT_TRUE(ListRemove(*l, t));
    }
    EXPECT_GT(t->id, 0);  // still valid after its removal
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Ids(*l), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(CountList(*l), 3);
}

TEST(List, WalkRemovingEveryElementLeavesAnEmptyList) {
  auto l = Make({1, 2, 3});
  std::vector<int> seen;
  for (const auto& t : *l) {
    seen.push_back(t->id);
    ListRemove(*l, t);
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(l->Empty());
  EXPECT_EQ(l->First(), nullptr);
  EXPECT_EQ(l->Last(), nullptr);
  ListAddLast(*l, T(9));
  EXPECT_EQ(Ids(*l), (std::vector<int>{9}));
}

TEST(List, WalkSkipsOthersRemovedAheadOfIt) {
  auto l = Make({1, 2, 3, 4, 5});
  const auto all = l->ToVector();
  std::vector<int> seen;
  for (const auto& t : *l) {
    seen.push_back(t->id);
    if (t->id == 1) {
      ListRemove(*l, all[1]);  // the next one
      ListRemove(*l, all[2]);  // and the one after it
    }
    if (t->id == 4) ListRemove(*l, all[0]);  // one behind the walk
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 4, 5}));
  EXPECT_EQ(Ids(*l), (std::vector<int>{4, 5}));
}

TEST(List, WalkSkipsTheNextAfterTheCurrentWasRemoved) {
  auto l = Make({1, 2, 3, 4});
  const auto all = l->ToVector();
  std::vector<int> seen;
  for (const auto& t : *l) {
    seen.push_back(t->id);
    if (t->id == 2) {
      ListRemove(*l, t);
      ListRemove(*l, all[2]);
    }
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(Ids(*l), (std::vector<int>{1, 4}));
}

TEST(List, WalkSeesAdditionsAtTheEndButNotAtTheFront) {
  auto l = Make({1, 2});
  std::vector<int> seen;
  for (const auto& t : *l) {
    seen.push_back(t->id);
    if (t->id == 1) {
      ListAddFirst(*l, T(10));
      ListAddLast(*l, T(3));
    }
    if (t->id == 3) ListAddLast(*l, T(4));
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Ids(*l), (std::vector<int>{10, 1, 2, 3, 4}));
}

TEST(List, WalkOnTheRemovedLastElementStillSeesLaterAdditions) {
  auto l = Make({1, 2});
  std::vector<int> seen;
  for (const auto& t : *l) {
    seen.push_back(t->id);
    if (t->id == 2) {
      ListRemove(*l, t);  // the last element leaves...
      ListAddLast(*l, T(3));  // ...and a new one arrives behind it
    }
    if (t->id == 3) {
      ListRemove(*l, l->ToVector()[0]);
      ListRemove(*l, t);
      ListAddFirst(*l, T(7));  // the front: not for this walk
      ListAddLast(*l, T(4));
    }
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Ids(*l), (std::vector<int>{7, 4}));
}

TEST(List, NestedWalkDoesNotDisturbTheOuterOne) {
  auto l = Make({1, 2, 3});
  std::vector<int> outer;
  int inner_total = 0;
  for (const auto& t : *l) {
    outer.push_back(t->id);
    for (const auto& u : *l) inner_total += u->id;
  }
  EXPECT_EQ(outer, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(inner_total, 18);
}

TEST(List, ClearDuringAWalkEndsIt) {
  auto l = Make({1, 2, 3});
  std::vector<int> seen;
  for (const auto& t : *l) {
    seen.push_back(t->id);
    if (t->id == 2) {
      ClearList(*l);
      ListAddLast(*l, T(8));  // a fresh list: the old walk has ended
    }
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  EXPECT_EQ(Ids(*l), (std::vector<int>{8}));
  EXPECT_EQ(CountList(*l), 1);
}

TEST(List, RemovedRecordsStayAliveWhileHeld) {
  auto l = CreateList<Thing>();
  auto held = T(42);
  std::weak_ptr<Thing> watch;
  {
    auto other = T(43);
    watch = other;
    ListAddLast(*l, held);
    ListAddLast(*l, other);
  }
  EXPECT_TRUE(ListRemove(*l, held));
  EXPECT_EQ(held->id, 42);
  EXPECT_FALSE(watch.expired());
  ClearList(*l);
  EXPECT_TRUE(watch.expired());  // the list was the last holder
  EXPECT_EQ(held.use_count(), 1);
}

TEST(List, RemoveByIdentityWithoutCompare) {
  auto a = T(1);
  auto twin = T(1);  // equal contents, another record
  auto l = CreateList<Thing>();
  ListAddLast(*l, a);
  ListAddLast(*l, a);
  EXPECT_FALSE(ListRemove(*l, twin));
  EXPECT_EQ(CountList(*l), 2);
  EXPECT_TRUE(ListRemove(*l, a));  // the first entry holding it
  EXPECT_EQ(CountList(*l), 1);
  EXPECT_TRUE(ListRemove(*l, a));
  EXPECT_FALSE(ListRemove(*l, a));
  EXPECT_TRUE(l->Empty());
}

TEST(List, RemoveByCompareTakesTheFirstElementComparingZero) {
  auto l = CreateList<Keyed>();
  for (auto [key, tag] : {std::pair{5, 0}, std::pair{3, 1}, std::pair{7, 2}, std::pair{3, 3}})
    ListAddLast(*l, std::make_shared<Keyed>(Keyed{key, tag}));
  // element.Compare(probe) is 0 for every element whose key is not above the
  // probe's: the first such element goes, not necessarily an equal one.
  const auto probe = std::make_shared<Keyed>(Keyed{4, 99});
  EXPECT_TRUE(ListRemove(*l, probe));
  std::vector<int> tags;
  for (const auto& k : *l) tags.push_back(k->tag);
  EXPECT_EQ(tags, (std::vector<int>{0, 2, 3}));
  const auto none = std::make_shared<Keyed>(Keyed{1, 98});  // every key is above it
  EXPECT_FALSE(ListRemove(*l, none));
  EXPECT_EQ(CountList(*l), 3);
}

TEST(List, SortIsStableWithEqualKeys) {
  auto l = CreateList<Keyed>();
  const int keys[] = {3, 1, 2, 1, 3, 2, 1, 0, 3};
  for (int i = 0; i < 9; ++i) ListAddLast(*l, std::make_shared<Keyed>(Keyed{keys[i], i}));
  SortList(*l);
  std::vector<std::pair<int, int>> got;
  for (const auto& k : *l) got.push_back({k->key, k->tag});
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{
                     {0, 7}, {1, 1}, {1, 3}, {1, 6}, {2, 2}, {2, 5}, {3, 0}, {3, 4}, {3, 8}}));
  EXPECT_EQ(CountList(*l), 9);
  EXPECT_EQ(l->Last()->tag, 8);
}

TEST(List, SortKeepsPrependedEqualTitlesInReverseListingOrder) {
  // Records prepended one by one keep that (reversed) order among equals.
  auto l = CreateList<Keyed>();
  for (int i = 0; i < 4; ++i) ListAddFirst(*l, std::make_shared<Keyed>(Keyed{i % 2, i}));
  SortList(*l);
  std::vector<int> tags;
  for (const auto& k : *l) tags.push_back(k->tag);
  EXPECT_EQ(tags, (std::vector<int>{2, 0, 3, 1}));
}

TEST(List, SortOfEmptyAndSingleLists) {
  auto l = CreateList<Keyed>();
  SortList(*l);
  EXPECT_TRUE(l->Empty());
  ListAddLast(*l, std::make_shared<Keyed>(Keyed{1, 1}));
  SortList(*l);
  EXPECT_EQ(CountList(*l), 1);
  EXPECT_EQ(l->First()->tag, 1);
}

TEST(List, LongListsSortWalkAndReleaseWithoutDeepRecursion) {
  constexpr int kCount = 300000;
  auto l = CreateList<Keyed>();
  for (int i = 0; i < kCount; ++i) ListAddLast(*l, std::make_shared<Keyed>(Keyed{(i * 79) % 1000, i}));
  SortList(*l);
  int prev_key = -1, prev_tag = -1, n = 0;
  for (const auto& k : *l) {
    ASSERT_GE(k->key, prev_key);
    if (k->key == prev_key) {
      ASSERT_GT(k->tag, prev_tag);
    }
    prev_key = k->key;
    prev_tag = k->tag;
    ++n;
  }
  EXPECT_EQ(n, kCount);
  // A walk that holds the first node while the whole list is cleared: the
  // chain it keeps is released when the walk lets go.
  {
    auto it = l->begin();
    ClearList(*l);
    EXPECT_EQ(CountList(*l), 0);
    ++it;
    EXPECT_TRUE(it == l->end());
  }
  for (int i = 0; i < kCount; ++i) ListAddLast(*l, std::make_shared<Keyed>(Keyed{i, i}));
  {
    auto it = l->begin();
    for (const auto& k : l->ToVector()) ListRemove(*l, k);  // removal from the front, one by one
    EXPECT_TRUE(l->Empty());
    ++it;
    EXPECT_TRUE(it == l->end());
  }
  for (int i = 0; i < kCount; ++i) ListAddLast(*l, std::make_shared<Keyed>(Keyed{i, i}));
  std::weak_ptr<Keyed> last = l->Last();
  l.reset();  // destroyed while full
  EXPECT_TRUE(last.expired());
}

}  // namespace
