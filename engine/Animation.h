#ifndef SORBELANE_ANIMATION_H
#define SORBELANE_ANIMATION_H

#include <string>

#include "Box.h"
#include "Vector.h"

namespace sb {

class AttributeList;
class Sprite;

// One object's view of a sprite: the frame shown and the progress to the next.
class Animation {
 private:
  Sprite *p_sprite;
  int index;
  int slowdown_count;
  std::string name;
  bool modified;

 public:
  Animation();
  virtual ~Animation() = default;

  void setSprite(Sprite *p_new_sprite);
  Sprite *getSprite() const;
  void setName(std::string new_name);
  std::string getName() const;
  void setIndex(int new_index);
  int getIndex() const;
  void setSlowdownCount(int new_slowdown_count);
  int getSlowdownCount() const;

  // Draws the current frame centred on position; 0 when there is no sprite.
  int draw(Vector position);
  // Bounding box relative to the object's position.
  Box getBox() const;
  bool isModified() const;

  // The sprite's name, index and slowdown count, for "ALL", for "" when
  // modified, or for a list holding "ANIMATION,"; clears the flag.
  virtual std::string serialize(std::string attr = "");
  virtual int deserialize(std::string str);
  // deserialize() of a string already parsed.
  int deserializeAttributes(const AttributeList &list);
};

}  // namespace sb

#endif
