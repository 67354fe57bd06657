#ifndef SORBELANE_VIEW_OBJECT_H
#define SORBELANE_VIEW_OBJECT_H

#include <string>

#include "Color.h"
#include "Object.h"
#include "ViewObjectAttribute.h"

namespace sb {

/// Fixed places on the screen for a view object. Columns are at a sixth,
/// a half and five sixths of the view's width; rows at the top, the middle
/// and the bottom, moved in by the border.
enum ViewObjectLocation : int {
  UNDEFINED_LOCATION = -1,  ///< Placed by position, at no named location.
  TOP_LEFT = 0,             ///< Top row, left column.
  TOP_CENTER,               ///< Top row, middle column (the default).
  TOP_RIGHT,                ///< Top row, right column.
  CENTER_LEFT,              ///< Middle row, left column.
  CENTER_CENTER,            ///< Middle of the view.
  CENTER_RIGHT,             ///< Middle row, right column.
  BOTTOM_LEFT,              ///< Bottom row, left column.
  BOTTOM_CENTER,            ///< Bottom row, middle column.
  BOTTOM_RIGHT,             ///< Bottom row, right column.
};

/// A heads-up display item: a label with an optional value, optionally framed,
/// that stays in place while the view moves. Its position is in view
/// coordinates. View events tagged with its label set or change its value,
/// so a game shows a score by making one with the label "Score" and sending
/// EventView("Score", 10, true) with WorldManager::onEvent().
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
  /// Sets the modified flag of one view attribute.
  void setViewModified(ViewObjectAttribute attribute, bool modified = true) {
    view_modified[attribute] = modified;
  }

 public:
  /// A framed view object with an empty label and value 0, shown at
  /// TOP_CENTER in the default colour: SPECTRAL, at MAX_ALTITUDE, of type
  /// "ViewObject" and registered for view events.
  ViewObject();

  /// Sets the label, which is also the tag of the view events it takes.
  void setViewString(std::string new_view_string);
  /// The label.
  std::string getViewString() const { return view_string; }
  /// Sets the value shown after the label.
  void setValue(int new_value);
  /// The value shown after the label.
  int getValue() const { return value; }
  /// Frames the text (dashes above and below, a bar on each side) or not;
  /// an object at a named location is placed again, as the frame moves its row.
  void setBorder(bool new_border);
  /// Whether the text is framed.
  bool getBorder() const { return border; }
  /// Sets the colour of the text and frame.
  void setColor(Color new_color);
  /// The colour of the text and frame.
  Color getColor() const { return color; }
  /// Shows the value after the label (true) or the label alone.
  void setDrawValue(bool new_draw_value = true) { draw_value = new_draw_value; }
  /// Whether the value is shown.
  bool getDrawValue() const { return draw_value; }

  /// Places the object at a fixed spot of the view; 0, or -1 (logged) for an
  /// unknown location, the object then staying where it is.
  int setLocation(ViewObjectLocation new_location);
  /// The named location, or UNDEFINED_LOCATION after a direct placement.
  ViewObjectLocation getLocation() const { return location; }

  /// Places the object at new_position, in view cells; a direct placement
  /// leaves the object at no named location. 0.
  int setPosition(Vector new_position) override;
  /// A view event whose tag is the label sets the value, or adds to it when
  /// it is a delta (saturating at the int range), and gives 1; one with
  /// another tag gives 0. Other events go to Object::eventHandler().
  int eventHandler(const Event *p_e) override;
  /// Draws the label and value centred on the position, framed when the
  /// border is on; 0, or negative when the display cannot draw.
  int draw() override;

  /// The object's attributes, then the view's own, chosen the same way
  /// (tokens such as "VALUE," name the view's own).
  std::string serialize(std::string attr = "") override;
  /// Takes back the object's and the view's attributes found in str; values
  /// that are not valid are logged and ignored. 0.
  int deserialize(std::string str) override;

  /// Whether one of the object's attributes changed (see Object::isModified()).
  using Object::isModified;
  /// Whether any attribute, the object's or the view's, changed since it was
  /// last serialized.
  bool isModified() const override;
  /// Whether attribute changed since it was last serialized; false for a
  /// value out of range.
  virtual bool isModified(ViewObjectAttribute attribute) const;
};

}  // namespace sb

#endif
