#include "BoxRecords.h"

#include "Object.h"

namespace sb {

std::vector<BoxListSlot> &BoxRecords::slotsOf(Object *p_o) {
  if (p_o->box_record < 0) {
    if (unused.empty()) {
      p_o->box_record = static_cast<int>(places.size());
      places.emplace_back();
    } else {
      p_o->box_record = unused.back();
      unused.pop_back();
    }
  }
  return places[static_cast<size_t>(p_o->box_record)];
}

std::vector<BoxListSlot> *BoxRecords::foundSlots(const Object *p_o) {
  if (p_o->box_record < 0) return nullptr;
  return &places[static_cast<size_t>(p_o->box_record)];
}

void BoxRecords::dropIfEmpty(Object *p_o) {
  if (p_o->box_record < 0 || !places[static_cast<size_t>(p_o->box_record)].empty()) return;
  unused.push_back(p_o->box_record);
  p_o->box_record = -1;
}

int BoxRecords::recordsInUse() const {
  return static_cast<int>(places.size() - unused.size());
}

}  // namespace sb
