#ifndef SORBELANE_OBJECT_POOL_H
#define SORBELANE_OBJECT_POOL_H

#include <cstddef>

namespace sb {

/// Memory for game objects: objects of the same size come from the same
/// slabs, one after another, so that walks over thousands of them read
/// memory in order and no other allocation sits between them. Freed slots
/// are reused first in, first out, which keeps the objects made later in
/// the order they were made. Slabs start on a cache line, so objects whose
/// size is a multiple of 64 bytes each fill whole lines. Object's operator
/// new and delete use it; games need not call it. Single-threaded, like the
/// rest of the world.
///
/// In builds with AddressSanitizer every request goes to the global
/// operator new and delete instead, so that use of a deleted object is
/// still caught.
class ObjectPool {
 public:
  /// Largest object size served from slabs; larger ones use the global heap.
  static constexpr std::size_t MAX_POOLED_SIZE = 1024;
  /// Alignment of every slot (that of malloc).
  static constexpr std::size_t SLOT_ALIGN = 16;

  /// Memory for one object of size bytes, aligned to SLOT_ALIGN; throws
  /// std::bad_alloc as operator new does when memory runs out.
  static void *allocate(std::size_t size);
  /// Gives back memory from allocate() with the same size; null is ignored.
  static void release(void *p, std::size_t size);
  /// As allocate(), for the blocks that objects keep their seldom used
  /// fields in: these come from slabs of their own, so that they never sit
  /// between the objects.
  static void *allocateSide(std::size_t size);
  /// Gives back memory from allocateSide() with the same size; null is ignored.
  static void releaseSide(void *p, std::size_t size);

  /// Whether slabs are in use (false in AddressSanitizer builds).
  static bool pooling();
  /// Number of slots (objects and side blocks) handed out and not yet given
  /// back, over every size.
  static std::size_t slotsInUse();
  /// Bytes held in slabs, used or not.
  static std::size_t slabBytes();
  /// Frees the slabs of every size that has no object left in them (done
  /// at program exit as well).
  static void trim();
};

}  // namespace sb

#endif
