#include "WorldChecksum.h"

#include <cstdio>
#include <cstring>

#include "Object.h"
#include "ObjectList.h"
#include "ObjectListIterator.h"
#include "SceneGraph.h"
#include "WorldManager.h"

namespace sb {

namespace {

const std::uint64_t FNV_OFFSET = 1469598103934665603ULL;
const std::uint64_t FNV_PRIME = 1099511628211ULL;

// Bytes (the type name) one at a time, FNV-1a.
void mix(std::uint64_t &h, const void *data, std::size_t size) {
  const unsigned char *p = static_cast<const unsigned char *>(data);
  for (std::size_t i = 0; i < size; i++) {
    h ^= p[i];
    h *= FNV_PRIME;
  }
}

// A 32-bit field at a time, FNV-1a over words: a quarter of the rounds.
void mixWord(std::uint64_t &h, std::uint32_t word) {
  h ^= word;
  h *= FNV_PRIME;
}

void mixInt(std::uint64_t &h, int value) { mixWord(h, static_cast<std::uint32_t>(value)); }

// The bits of a float, with -0 as 0 so that equal positions hash equal.
void mixFloat(std::uint64_t &h, float value) {
  if (value == 0.0f) value = 0.0f;
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  mixWord(h, bits);
}

// Spreads every input bit over the low byte too (the digests keep it).
std::uint64_t avalanche(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

std::uint64_t WorldChecksum::ofObject(const Object &o) {
  std::uint64_t h = FNV_OFFSET;
  mixInt(h, o.getId());
  const std::string &type = o.typeRef();
  mix(h, type.data(), type.size());
  mixInt(h, static_cast<int>(type.size()));
  Vector position = o.getPosition(), velocity = o.getVelocity();
  mixFloat(h, position.getX());
  mixFloat(h, position.getY());
  mixFloat(h, velocity.getX());
  mixFloat(h, velocity.getY());
  mixInt(h, static_cast<int>(o.getSolidness()));
  mixInt(h, o.getAltitude());
  Box box = o.getBox();
  mixFloat(h, box.getCorner().getX());
  mixFloat(h, box.getCorner().getY());
  mixFloat(h, box.getHorizontal());
  mixFloat(h, box.getVertical());
  return avalanche(h);
}

void WorldChecksum::compute() {
  // The active objects, then the inactive ones: the world's order, uncopied.
  const SceneGraph &scene_graph = WorldManager::getInstance().getSceneGraph();
  count = 0;
  hash = FNV_OFFSET;
  digests.clear();
  for (const ObjectList *p_list : {&scene_graph.activeList(), &scene_graph.inactiveList()}) {
    for (int i = 0; i < p_list->getCount(); i++) {
      std::uint64_t h = ofObject(*(*p_list)[i]);
      mixWord(hash, static_cast<std::uint32_t>(h));
      mixWord(hash, static_cast<std::uint32_t>(h >> 32));
      digests.push_back(static_cast<char>(h & 0xff));
      count++;
    }
  }
  mixInt(hash, count);
  hash = avalanche(hash);
}

int WorldChecksum::firstDifference(int recorded_count, const std::string &recorded) const {
  std::size_t shared = std::min(digests.size(), recorded.size());
  for (std::size_t i = 0; i < shared; i++)
    if (digests[i] != recorded[i]) return static_cast<int>(i);
  if (recorded_count != count || recorded.size() != digests.size()) return static_cast<int>(shared);
  return -1;
}

std::string WorldChecksum::describe(int index) {
  ObjectList all = WorldManager::getInstance().getAllObjects(true);
  ObjectListIterator it(&all);
  int i = 0;
  for (it.first(); !it.isDone(); it.next(), i++) {
    if (i != index) continue;
    const Object *p = it.currentObject();
    char text[200];
    std::snprintf(text, sizeof text, "id %d (%.60s) at (%.2f,%.2f) velocity (%.2f,%.2f)",
                  p->getId(), p->typeRef().c_str(), static_cast<double>(p->getPosition().getX()),
                  static_cast<double>(p->getPosition().getY()),
                  static_cast<double>(p->getVelocity().getX()),
                  static_cast<double>(p->getVelocity().getY()));
    return text;
  }
  return "no object";
}

}  // namespace sb
