#ifndef SORBELANE_OBJECT_SET_H
#define SORBELANE_OBJECT_SET_H

#include <cstdint>
#include <vector>

namespace sb {

class Object;

/// A set of object addresses for one-pass membership tests over long lists
/// (open addressing, never dereferences what it holds).
class ObjectSet {
 private:
  std::vector<const Object *> slots;  // a power of two, at least twice the members
  std::size_t mask = 0;

  std::size_t home(const Object *p_o) const {
    auto bits = reinterpret_cast<std::uintptr_t>(p_o) >> 4;  // objects are 16-byte aligned
    return static_cast<std::size_t>(bits * 0x9E3779B97F4A7C15ull >> 17) & mask;
  }

 public:
  /// Makes the set of the given objects (nulls are left out).
  void assign(const Object *const *objects, int count);
  /// Whether p_o is a member.
  bool contains(const Object *p_o) const {
    if (slots.empty() || !p_o) return false;
    for (std::size_t i = home(p_o);; i = (i + 1) & mask) {
      if (slots[i] == p_o) return true;
      if (!slots[i]) return false;
    }
  }
};

}  // namespace sb

#endif
