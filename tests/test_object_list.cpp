// Object lists and their iterator. Lists never dereference what they hold,
// so distinct fake pointers stand in for objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "ObjectList.h"
#include "ObjectListIterator.h"

namespace {

sb::Object *fake(int n) { return reinterpret_cast<sb::Object *>(static_cast<uintptr_t>(n) * 16); }

std::vector<sb::Object *> contents(const sb::ObjectList &list) {
  std::vector<sb::Object *> out;
  sb::ObjectListIterator it(&list);
  for (it.first(); !it.isDone(); it.next()) out.push_back(it.currentObject());
  return out;
}

sb::ObjectList listOf(std::initializer_list<int> ids) {
  sb::ObjectList list;
  for (int id : ids) list.insert(fake(id));
  return list;
}

TEST(ObjectList, FullListsGrowAndKeepInsertionOrder) {
  sb::ObjectList list;
  EXPECT_EQ(list.getCount(), 0);
  EXPECT_TRUE(list.isEmpty());
  EXPECT_FALSE(list.isFull());
  // A full list still takes every entry: it grows, and growing makes room for
  // more than one entry, so it is full after only a few of the insertions.
  int times_full = 0;
  for (int n = 1; n <= 70; n++) {
    bool was_full = list.isFull();
    ASSERT_EQ(list.insert(fake(n)), 0);
    if (list.isFull()) times_full++;
    if (was_full && n > 2) {
      EXPECT_FALSE(list.isFull()) << n;
    }
  }
  EXPECT_GT(times_full, 0);
  EXPECT_LT(times_full, 70 / 4);
  EXPECT_EQ(list.getCount(), 70);
  EXPECT_FALSE(list.isEmpty());

  EXPECT_EQ(list.insert(nullptr), -1);
  EXPECT_EQ(list.getCount(), 70);

  // Order is insertion order.
  std::vector<sb::Object *> got = contents(list);
  ASSERT_EQ(got.size(), 70u);
  for (int n = 1; n <= 70; n++) EXPECT_EQ(got[n - 1], fake(n));
}

TEST(ObjectList, ClearKeepsCapacityAndCopiesKeepIt) {
  sb::ObjectList list;
  for (int n = 1; n <= 5; n++) list.insert(fake(n));
  bool full_with_five = list.isFull();
  list.clear();
  EXPECT_TRUE(list.isEmpty());
  EXPECT_FALSE(list.isFull());
  // The room stays: as many entries as before fit without the list growing.
  for (int n = 1; n <= 5; n++) {
    list.insert(fake(n + 100));
    EXPECT_EQ(list.isFull(), n == 5 && full_with_five) << n;
  }
  EXPECT_EQ(contents(list).front(), fake(101));

  // A copy has the source's room: it fills up as a list built like the source does.
  sb::ObjectList five = listOf({1, 2, 3, 4, 5});
  sb::ObjectList twin = listOf({1, 2, 3, 4, 5});
  sb::ObjectList copy(five);
  EXPECT_EQ(copy, five);
  for (int n = 6; n <= 9; n++) {
    copy.insert(fake(n));
    twin.insert(fake(n));
    EXPECT_EQ(copy.isFull(), twin.isFull()) << n;
  }
  EXPECT_EQ(five.getCount(), 5);  // the source is separate

  sb::ObjectList assigned = listOf({9});
  assigned = five;
  EXPECT_EQ(assigned, five);
  const sb::ObjectList &same_list = assigned;
  assigned = same_list;
  EXPECT_EQ(contents(assigned), contents(five));
  assigned.remove(fake(1));
  EXPECT_EQ(five.getCount(), 5);
}

TEST(ObjectList, RemovalKeepsOrderAndTakesFirstDuplicate) {
  sb::ObjectList list = listOf({1, 2, 3, 4});
  EXPECT_EQ(list.remove(fake(2)), 0);
  EXPECT_EQ(contents(list), (std::vector<sb::Object *>{fake(1), fake(3), fake(4)}));
  EXPECT_EQ(list.remove(fake(2)), -1);
  EXPECT_EQ(list.getCount(), 3);
  EXPECT_EQ(list.remove(fake(1)), 0);  // first entry
  EXPECT_EQ(list.remove(fake(4)), 0);  // last entry
  EXPECT_EQ(contents(list), (std::vector<sb::Object *>{fake(3)}));
  EXPECT_EQ(list.remove(fake(3)), 0);
  EXPECT_EQ(list.remove(fake(3)), -1);  // empty
  EXPECT_TRUE(list.isEmpty());

  sb::ObjectList dup = listOf({1, 2, 1});
  EXPECT_EQ(dup.remove(fake(1)), 0);
  EXPECT_EQ(contents(dup), (std::vector<sb::Object *>{fake(2), fake(1)}));
  EXPECT_EQ(dup.remove(nullptr), -1);
}

// removeEach() against erasing one by one, over seeded lists: the objects
// given in the list's order (gaps at the front, the back or spread), shuffled,
// or with some that are not in the list, after front removals moved the start.
TEST(ObjectList, RemovingManyAtOnceIsRemovingEachInTurn) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; round++) {
    const int size = 1 + static_cast<int>(rng() % 200);
    sb::ObjectList list;
    std::vector<sb::Object *> expected;
    for (int n = 1; n <= size; n++) list.insert(fake(n)), expected.push_back(fake(n));
    for (int k = static_cast<int>(rng() % 4); k > 0 && !expected.empty(); k--) {
      list.remove(expected.front());
      expected.erase(expected.begin());
    }
    std::vector<const sb::Object *> gone;
    const int where = static_cast<int>(rng() % 3);  // spread, front half, back half
    for (std::size_t i = 0; i < expected.size(); i++) {
      bool front = i < expected.size() / 2;
      if (rng() % 4 == 0 && (where == 0 || (where == 1) == front)) gone.push_back(expected[i]);
    }
    const int order = static_cast<int>(rng() % 3);  // in order, shuffled, strangers mixed in
    if (order == 1) std::shuffle(gone.begin(), gone.end(), rng);
    std::vector<const sb::Object *> given = gone;
    if (order == 2) given.insert(given.begin() + static_cast<long>(rng() % (given.size() + 1)), fake(size + 1));
    for (const sb::Object *p : gone)
      expected.erase(std::find(expected.begin(), expected.end(), p));

    EXPECT_EQ(list.removeEach(given.data(), static_cast<int>(given.size())),
              static_cast<int>(gone.size()));
    ASSERT_EQ(contents(list), expected) << "round " << round;
    list.insert(fake(size + 2));  // the array is still sound at both ends
    expected.push_back(fake(size + 2));
    ASSERT_EQ(contents(list), expected) << "round " << round;
  }
}

// Holes keep every index until they are dropped; assign() copies into the
// array it has (also after front removals moved its start) or grows one.
TEST(ObjectList, HolesAndAssign) {
  sb::ObjectList list = listOf({1, 2, 3, 4, 5});
  EXPECT_EQ(list.remove(fake(1)), 0);  // the front part shifts: start moves
  list.makeHole(0);
  list.makeHole(2);
  EXPECT_EQ(list.getCount(), 4);
  EXPECT_EQ(list[1], fake(3));
  list.dropHoles();
  EXPECT_EQ(contents(list), (std::vector<sb::Object *>{fake(3), fake(5)}));
  list.makeHole(0);
  list.makeHole(1);
  list.dropHoles();
  EXPECT_TRUE(list.isEmpty());

  sb::ObjectList target = listOf({9, 8, 7, 6, 5, 4, 3, 2});
  EXPECT_EQ(target.remove(fake(9)), 0);
  target.assign(listOf({1, 2, 3}));
  EXPECT_EQ(contents(target), (std::vector<sb::Object *>{fake(1), fake(2), fake(3)}));
  EXPECT_EQ(target.insert(fake(4)), 0);
  target.assign(listOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(target.getCount(), 12);
  EXPECT_EQ(target[11], fake(12));
  target.assign(target);
  EXPECT_EQ(target.getCount(), 12);
}

TEST(ObjectList, JoiningAndEquality) {
  sb::ObjectList ab = listOf({1, 2});
  sb::ObjectList bc = listOf({2, 3});
  sb::ObjectList joined = ab + bc;
  EXPECT_EQ(contents(joined), (std::vector<sb::Object *>{fake(1), fake(2), fake(2), fake(3)}));
  EXPECT_EQ(ab.getCount(), 2);
  EXPECT_EQ(bc.getCount(), 2);

  ab += bc;
  EXPECT_EQ(ab, joined);

  // Appending a list to itself doubles it once.
  sb::ObjectList self = listOf({1, 2, 3});
  self += self;
  EXPECT_EQ(contents(self),
            (std::vector<sb::Object *>{fake(1), fake(2), fake(3), fake(1), fake(2), fake(3)}));
  sb::ObjectList twice = self + self;
  EXPECT_EQ(twice.getCount(), 12);

  EXPECT_TRUE(listOf({1, 2}) == listOf({1, 2}));
  EXPECT_FALSE(listOf({1, 2}) == listOf({2, 1}));
  EXPECT_TRUE(listOf({1, 2}) != listOf({2, 1}));
  EXPECT_FALSE(listOf({1, 2}) == listOf({1, 2, 3}));
  EXPECT_TRUE(sb::ObjectList() == sb::ObjectList());
  // Only the used entries count, not what a cleared array still holds.
  sb::ObjectList cleared = listOf({5, 6});
  cleared.clear();
  cleared.insert(fake(1));
  EXPECT_EQ(cleared, listOf({1}));
}

TEST(ObjectListIterator, EdgesOfTheWalk) {
  sb::ObjectList empty;
  sb::ObjectListIterator e(&empty);
  EXPECT_TRUE(e.isDone());
  EXPECT_EQ(e.currentObject(), nullptr);
  e.first();
  EXPECT_EQ(e.currentObject(), nullptr);
  e.last();
  EXPECT_EQ(e.currentObject(), nullptr);

  sb::ObjectList three = listOf({1, 2, 3});
  sb::ObjectListIterator it(&three);
  EXPECT_EQ(it.currentObject(), fake(1));
  it.last();
  EXPECT_EQ(it.currentObject(), fake(3));
  EXPECT_FALSE(it.isDone());
  it.next();
  EXPECT_TRUE(it.isDone());
  EXPECT_EQ(it.currentObject(), nullptr);
  it.next();
  it.next();
  // Still at count: a new entry appended is the current one.
  three.insert(fake(4));
  EXPECT_FALSE(it.isDone());
  EXPECT_EQ(it.currentObject(), fake(4));

  // Changes during a walk are seen: removing the current entry skips the next one.
  sb::ObjectList walk = listOf({1, 2, 3, 4});
  sb::ObjectListIterator w(&walk);
  std::vector<sb::Object *> seen;
  for (w.first(); !w.isDone(); w.next()) {
    seen.push_back(w.currentObject());
    if (w.currentObject() == fake(2)) walk.remove(fake(2));
  }
  EXPECT_EQ(seen, (std::vector<sb::Object *>{fake(1), fake(2), fake(4)}));

  // Assignment takes the list and restarts at the first entry.
  sb::ObjectList other = listOf({7, 8, 9});
  sb::ObjectListIterator moved(&other);
  moved.next();
  moved.next();
  EXPECT_EQ(moved.currentObject(), fake(9));
  sb::ObjectListIterator copy(&three);
  copy.last();
  copy = moved;
  EXPECT_EQ(copy.currentObject(), fake(7));
  const sb::ObjectListIterator &same_it = moved;
  moved = same_it;
  EXPECT_EQ(moved.currentObject(), fake(9));

  it.setList(&other);
  EXPECT_EQ(it.currentObject(), fake(7));
}

}  // namespace
