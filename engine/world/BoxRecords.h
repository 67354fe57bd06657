#ifndef SORBELANE_BOX_RECORDS_H
#define SORBELANE_BOX_RECORDS_H

#include <vector>

#include "Object.h"

namespace sb {

class BoxList;

/// Where an object sits in one BoxList: world bookkeeping that lets the
/// list store the object's new box without searching for it.
struct BoxListSlot {
  const BoxList *list;  ///< The list.
  unsigned int ticket;  ///< The list's token for the entry's place.
};

/// The places of every object in the box lists, found through the object's
/// record number, so that objects stay small. A record is made when an
/// object enters its first list and handed out again once it has left them
/// all. The scene graph owns the one table of the process (an object carries
/// one record number, so every box list shares it); the box lists keep it.
class BoxRecords {
 private:
  std::vector<std::vector<BoxListSlot>> places;
  std::vector<int> unused;

 public:
  /// The places of p_o, making it a record when it has none.
  std::vector<BoxListSlot> &slotsOf(Object *p_o);
  /// The places of p_o, or null when it has no record.
  std::vector<BoxListSlot> *foundSlots(const Object *p_o);
  /// Gives p_o's record back when it is in no list any more.
  void dropIfEmpty(Object *p_o);
  /// The number of records held by objects, for checks of the bookkeeping.
  int recordsInUse() const;
};

// Inline: every insertion, removal and move of a box list member looks here.

inline std::vector<BoxListSlot> &BoxRecords::slotsOf(Object *p_o) {
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

inline std::vector<BoxListSlot> *BoxRecords::foundSlots(const Object *p_o) {
  if (p_o->box_record < 0) return nullptr;
  return &places[static_cast<size_t>(p_o->box_record)];
}

inline void BoxRecords::dropIfEmpty(Object *p_o) {
  if (p_o->box_record < 0 || !places[static_cast<size_t>(p_o->box_record)].empty()) return;
  unused.push_back(p_o->box_record);
  p_o->box_record = -1;
}

}  // namespace sb

#endif
