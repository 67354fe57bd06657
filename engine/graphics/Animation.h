#ifndef SORBELANE_ANIMATION_H
#define SORBELANE_ANIMATION_H

#include <string>

#include "Box.h"
#include "Vector.h"

namespace sb {

class AttributeList;
class Sprite;

/// One object's view of a sprite: the frame shown and the progress to the next.
/// Every object holds one; Object::setSprite() sets it up, and draw() advances it.
class Animation {
 private:
  Sprite *p_sprite;
  int index;
  int slowdown_count;
  std::string name;
  bool modified;

 public:
  /// Makes an animation without a sprite, at frame 0, marked modified.
  Animation();
  /// Does nothing: the sprite is not owned.
  virtual ~Animation() = default;

  /// Shows p_new_sprite (not owned; null for none) from frame 0 and takes its label as name.
  void setSprite(Sprite *p_new_sprite);
  /// Returns the sprite shown, or null.
  Sprite *getSprite() const;
  /// Sets the name written by serialize(), normally the sprite's label.
  void setName(std::string new_name);
  /// Returns the name, "" before any sprite.
  std::string getName() const;
  /// Sets the frame shown; any value is kept, and one with no frame draws nothing
  /// and restarts at frame 0 when the animation advances.
  void setIndex(int new_index);
  /// Returns the frame shown.
  int getIndex() const;
  /// Sets the number of draws the current frame has been shown; -1 freezes the animation.
  void setSlowdownCount(int new_slowdown_count);
  /// Returns the number of draws the current frame has been shown, -1 when frozen.
  int getSlowdownCount() const;

  /// Draws the current frame centred on position and advances the animation
  /// unless it is frozen. Returns 0 when there is no sprite, else what Sprite::draw() returns.
  int draw(Vector position);
  /// Bounding box relative to the object's position: the sprite's size centred
  /// on it, or a box just under one cell when there is no sprite.
  Box getBox() const;
  /// True when something changed since the last serialize() that wrote it.
  bool isModified() const;

  /// The sprite's name, index and slowdown count, for "ALL", for "" when
  /// modified, or for a list holding "ANIMATION,"; clears the flag.
  /// Returns "" when none of these holds.
  virtual std::string serialize(std::string attr = "");
  /// Reads the values written by serialize(); missing keys leave their value, and
  /// an unknown sprite or an invalid number is logged and skipped. Always returns 0.
  /// A non-empty str also becomes the text that match("", key) searches.
  virtual int deserialize(std::string str);
  /// deserialize() of a string already parsed.
  int deserializeAttributes(const AttributeList &list);
};

}  // namespace sb

#endif
