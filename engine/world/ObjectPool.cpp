#include "ObjectPool.h"

#include <sys/mman.h>

#include <cstdlib>
#include <initializer_list>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define SORBELANE_POOL_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SORBELANE_POOL_OFF 1
#endif
#endif

namespace sb {

namespace {

constexpr std::size_t kClassCount = ObjectPool::MAX_POOLED_SIZE / ObjectPool::SLOT_ALIGN;
constexpr std::size_t kSlabTarget = 16 * 1024;  // small: little left unused at low counts
constexpr std::size_t kMinSlotsPerSlab = 8;
constexpr std::size_t kLine = 64;
// An object size with many objects (a particle system) takes its further slabs
// whole huge pages at a time, so that walks over them miss the TLB less often;
// the side blocks, never walked, keep to small slabs.
constexpr std::size_t kSmallSlabsPerClass = 256;
constexpr std::size_t kLargeSlabBytes = 2 * 1024 * 1024;

// A slab starts with this header, padded to a cache line; slots follow.
struct Slab {
  Slab *next;
  std::size_t bytes;
};
constexpr std::size_t kSlabHeader = kLine;

// A freed slot holds the link to the next freed one.
struct FreeSlot {
  FreeSlot *next;
};

// One size of slot. Plain data, so it needs no construction and is never
// destroyed: objects deleted during program exit still find it intact.
struct SizeClass {
  Slab *slabs;
  FreeSlot *free_head;  // oldest freed slot, taken first
  FreeSlot *free_tail;
  char *fresh;  // the never used part of the newest slab
  char *fresh_end;
  std::size_t in_use;
  std::size_t slab_count;
  bool walked;  // whether the class may grow by large slabs
};

SizeClass object_classes[kClassCount];
SizeClass side_classes[kClassCount];

#ifndef SORBELANE_POOL_OFF
std::size_t slotSize(std::size_t index) { return (index + 1) * ObjectPool::SLOT_ALIGN; }

std::size_t slabBytesFor(std::size_t slot) {
  std::size_t slots = kSlabTarget / slot;
  if (slots < kMinSlotsPerSlab) slots = kMinSlotsPerSlab;
  return (kSlabHeader + slot * slots + kLine - 1) / kLine * kLine;
}

std::size_t classOf(std::size_t size) {
  return size == 0 ? 0 : (size - 1) / ObjectPool::SLOT_ALIGN;
}

// A new slab: small ones at first, huge pages once the class holds many.
Slab *newSlab(std::size_t slot, bool large) {
  if (!large) return static_cast<Slab *>(std::aligned_alloc(kLine, slabBytesFor(slot)));
  void *p = std::aligned_alloc(kLargeSlabBytes, kLargeSlabBytes);
#ifdef MADV_HUGEPAGE
  if (p) madvise(p, kLargeSlabBytes, MADV_HUGEPAGE);  // a hint: without it, small pages
#endif
  return static_cast<Slab *>(p);
}

bool addSlab(SizeClass &c, std::size_t slot) {
  bool large = c.walked && c.slab_count >= kSmallSlabsPerClass;
  Slab *slab = newSlab(slot, large);
  if (!slab) return false;
  std::size_t bytes = large ? kLargeSlabBytes : slabBytesFor(slot);
  slab->bytes = bytes;
  c.slab_count++;
  slab->next = c.slabs;
  c.slabs = slab;
  c.fresh = reinterpret_cast<char *>(slab) + kSlabHeader;
  c.fresh_end = c.fresh + (bytes - kSlabHeader) / slot * slot;
  return true;
}

void *takeSlot(SizeClass &c, std::size_t slot) {
  if (c.free_head) {
    FreeSlot *p = c.free_head;
    c.free_head = p->next;
    if (!c.free_head) c.free_tail = nullptr;
    return p;
  }
  if (c.fresh == c.fresh_end && !addSlab(c, slot)) return nullptr;
  void *p = c.fresh;
  c.fresh += slot;
  return p;
}

void giveSlot(SizeClass &c, void *p) {
  FreeSlot *slot = static_cast<FreeSlot *>(p);
  slot->next = nullptr;
  if (c.free_tail)
    c.free_tail->next = slot;
  else
    c.free_head = slot;
  c.free_tail = slot;
}

void *allocateFrom(SizeClass *table, std::size_t size) {
  if (size > ObjectPool::MAX_POOLED_SIZE) return ::operator new(size);
  std::size_t index = classOf(size);
  SizeClass &c = table[index];
  c.walked = table == object_classes;
  void *p = takeSlot(c, slotSize(index));
  if (!p) throw std::bad_alloc();
  c.in_use++;
  return p;
}

void releaseTo(SizeClass *table, void *p, std::size_t size) {
  if (!p) return;
  if (size > ObjectPool::MAX_POOLED_SIZE) {
    ::operator delete(p);
    return;
  }
  SizeClass &c = table[classOf(size)];
  giveSlot(c, p);
  c.in_use--;
}
#endif

// Frees the slabs of classes left empty when the program ends.
struct TrimAtExit {
  ~TrimAtExit() { ObjectPool::trim(); }
} trim_at_exit;

}  // namespace

#ifdef SORBELANE_POOL_OFF

void *ObjectPool::allocate(std::size_t size) { return ::operator new(size); }
void ObjectPool::release(void *p, std::size_t) { ::operator delete(p); }
void *ObjectPool::allocateSide(std::size_t size) { return ::operator new(size); }
void ObjectPool::releaseSide(void *p, std::size_t) { ::operator delete(p); }
bool ObjectPool::pooling() { return false; }

#else

void *ObjectPool::allocate(std::size_t size) { return allocateFrom(object_classes, size); }
void ObjectPool::release(void *p, std::size_t size) { releaseTo(object_classes, p, size); }
void *ObjectPool::allocateSide(std::size_t size) { return allocateFrom(side_classes, size); }
void ObjectPool::releaseSide(void *p, std::size_t size) { releaseTo(side_classes, p, size); }
bool ObjectPool::pooling() { return true; }

#endif

std::size_t ObjectPool::slotsInUse() {
  std::size_t total = 0;
  for (const SizeClass *table : {object_classes, side_classes})
    for (std::size_t i = 0; i < kClassCount; i++) total += table[i].in_use;
  return total;
}

std::size_t ObjectPool::slabBytes() {
  std::size_t total = 0;
  for (const SizeClass *table : {object_classes, side_classes})
    for (std::size_t i = 0; i < kClassCount; i++)
      for (Slab *s = table[i].slabs; s; s = s->next) total += s->bytes;
  return total;
}

void ObjectPool::trim() {
  for (SizeClass *table : {object_classes, side_classes}) {
    for (std::size_t i = 0; i < kClassCount; i++) {
      SizeClass &c = table[i];
      if (c.in_use != 0) continue;
      while (c.slabs) {
        Slab *next = c.slabs->next;
        std::free(c.slabs);
        c.slabs = next;
      }
      c = SizeClass{};
    }
  }
}

}  // namespace sb
