#ifndef SORBELANE_WORLD_CHECKSUM_H
#define SORBELANE_WORLD_CHECKSUM_H

#include <cstdint>
#include <string>

namespace sb {

class Object;

/// A checksum of the world for recordings: every object's id, type,
/// position, velocity, solidness, altitude and box, in the world's order,
/// inactive objects included. Two runs that agree on it agree on where
/// everything is and where it is going.
class WorldChecksum {
 public:
  /// The checksum of one object (FNV-1a over its fields' bits, avalanched).
  static std::uint64_t ofObject(const Object &object);
  /// Computes the world's checksum now: its object count, hash and one
  /// digest byte per object (the low byte of the object's checksum), kept
  /// in this object until the next compute().
  void compute();
  /// Objects counted by the last compute().
  int getCount() const { return count; }
  /// The hash of the last compute().
  std::uint64_t getHash() const { return hash; }
  /// The per-object digest bytes of the last compute().
  const std::string &getDigests() const { return digests; }
  /// The index of the first object whose digest differs from recorded
  /// digests (the first index past the shorter list when all shared ones
  /// agree), or -1 when count and digests agree.
  int firstDifference(int recorded_count, const std::string &recorded_digests) const;
  /// "id 7 (Enemy) at (12.00,5.00) velocity (0.50,0.00)" for the object at
  /// a world index, or "no object" past the end.
  static std::string describe(int index);

 private:
  int count = 0;
  std::uint64_t hash = 0;
  std::string digests;
};

}  // namespace sb

#endif
