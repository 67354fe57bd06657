#ifndef SORBELANE_VIEW_OBJECT_H
#define SORBELANE_VIEW_OBJECT_H

#include <string>

#include "Color.h"
#include "Object.h"
#include "ViewObjectAttribute.h"

namespace sb {

// Fixed places on the screen for a view object.
enum ViewObjectLocation : int {
  UNDEFINED_LOCATION = -1,
  TOP_LEFT = 0,
  TOP_CENTER,
  TOP_RIGHT,
  CENTER_LEFT,
  CENTER_CENTER,
  CENTER_RIGHT,
  BOTTOM_LEFT,
  BOTTOM_CENTER,
  BOTTOM_RIGHT,
};

// A heads-up display item: a label with an optional value, optionally framed,
// that stays in place while the view moves. Its position is in view
// coordinates. View events tagged with its label set or change its value.
class ViewObject : public Object {
 private:
  std::string view_string;
  int value;
  bool draw_value;
  bool border;
  Color color;
  ViewObjectLocation location;
  bool view_modified[VIEW_ATTR_COUNT];

  std::string displayText() const;

 protected:
  void setViewModified(ViewObjectAttribute attribute, bool modified = true) {
    view_modified[attribute] = modified;
  }

 public:
  ViewObject();

  void setViewString(std::string new_view_string);
  std::string getViewString() const { return view_string; }
  void setValue(int new_value);
  int getValue() const { return value; }
  void setBorder(bool new_border);
  bool getBorder() const { return border; }
  void setColor(Color new_color);
  Color getColor() const { return color; }
  void setDrawValue(bool new_draw_value = true) { draw_value = new_draw_value; }
  bool getDrawValue() const { return draw_value; }

  // Places the object at a fixed spot of the view; -1 for an unknown location.
  int setLocation(ViewObjectLocation new_location);
  ViewObjectLocation getLocation() const { return location; }

  // A direct placement leaves the object at no named location.
  int setPosition(Vector new_position) override;
  int eventHandler(const Event *p_e) override;
  int draw() override;

  // The object's attributes, then the view's own, chosen the same way.
  std::string serialize(std::string attr = "") override;
  int deserialize(std::string str) override;

  using Object::isModified;
  bool isModified() const override;
  virtual bool isModified(ViewObjectAttribute attribute) const;
};

}  // namespace sb

#endif
