#include "ViewObject.h"

#include <utility>

#include "AttributeList.h"
#include "DisplayManager.h"
#include "EventView.h"
#include "LogManager.h"
#include "WorldManager.h"
#include "utility.h"

namespace sb {

ViewObject::ViewObject()
    : value(0), draw_value(true), border(true), color(COLOR_DEFAULT), location(TOP_CENTER) {
  setSolidness(SPECTRAL);
  setAltitude(MAX_ALTITUDE);
  setType("ViewObject");
  setLocation(TOP_CENTER);
  for (bool &flag : view_modified) flag = true;
  registerInterest(VIEW_EVENT);
}

void ViewObject::setViewString(std::string new_view_string) {
  if (new_view_string == view_string) return;
  view_string = std::move(new_view_string);
  setViewModified(VIEW_STRING);
}

void ViewObject::setValue(int new_value) {
  if (new_value == value) return;
  value = new_value;
  setViewModified(VALUE);
}

// The vertical placement depends on the border, so a located object is placed again.
void ViewObject::setBorder(bool new_border) {
  if (new_border == border) return;
  border = new_border;
  setViewModified(BORDER);
  if (location != UNDEFINED_LOCATION) setLocation(location);
}

void ViewObject::setColor(Color new_color) {
  if (new_color == color) return;
  color = new_color;
  setViewModified(COLOR);
}

int ViewObject::setLocation(ViewObjectLocation new_location) {
  Box view = WorldManager::getInstance().getView();
  float h = view.getHorizontal();
  float v = view.getVertical();
  float x = 0, y = 0;
  switch (new_location) {
    case TOP_LEFT:
    case CENTER_LEFT:
    case BOTTOM_LEFT: x = h / 6; break;
    case TOP_CENTER:
    case BOTTOM_CENTER: x = h * 3 / 6; break;
    case CENTER_CENTER: x = h * 0.5f; break;
    case TOP_RIGHT:
    case CENTER_RIGHT:
    case BOTTOM_RIGHT: x = h * 5 / 6; break;
    default:
      LogManager::getInstance().writeLog(
          "ViewObject::setLocation(): Warning! Location out of range (%d). Ignored.",
          static_cast<int>(new_location));
      return -1;
  }
  switch (new_location) {
    case TOP_LEFT:
    case TOP_CENTER:
    case TOP_RIGHT: y = border ? 1 : 0; break;
    case CENTER_LEFT:
    case CENTER_CENTER:
    case CENTER_RIGHT: y = border ? v * 0.5f : v * 0.5f - 1; break;
    default: y = border ? v - 2 : v - 1; break;
  }
  setPosition(Vector(x, y));
  location = new_location;
  setViewModified(LOCATION);
  return 0;
}

int ViewObject::setPosition(Vector new_position) {
  if (new_position == getPosition()) return 0;
  location = UNDEFINED_LOCATION;
  int result = Object::setPosition(new_position);
  setViewModified(LOCATION);
  return result;
}

int ViewObject::eventHandler(const Event *p_e) {
  if (!p_e || p_e->typeRef() != VIEW_EVENT) return Object::eventHandler(p_e);
  // A game may name any event "sb-view"; only a real view event carries a value.
  const EventView *p_view_event = dynamic_cast<const EventView *>(p_e);
  if (!p_view_event) return 0;
  if (p_view_event->getTag() != view_string) return 0;
  // A delta saturates at the int range instead of overflowing.
  long long new_value = p_view_event->getValue();
  if (p_view_event->getDelta()) new_value += value;
  setValue(clampToInt(static_cast<double>(new_value)));
  return 1;
}

std::string ViewObject::displayText() const {
  std::string text;
  if (border) text += ' ';
  text += view_string;
  if (draw_value) {
    text += ' ';
    text += std::to_string(value);
  }
  if (border) text += ' ';
  return text;
}

// The text centred on the position; with a border, dashes above and below
// and a bar on each side. The corners stay empty.
int ViewObject::draw() {
  const DisplayManager &display_manager = DisplayManager::getInstance();
  std::string text = displayText();
  Vector p = viewToWorld(getPosition());
  int result = display_manager.drawString(p, text, CENTER_JUSTIFIED, color);
  if (!border) return result;
  int n = static_cast<int>(text.size());
  std::string dashes(n, '-');
  result +=
      display_manager.drawString(Vector(p.getX(), p.getY() - 1), dashes, CENTER_JUSTIFIED, color);
  result +=
      display_manager.drawString(Vector(p.getX(), p.getY() + 1), dashes, CENTER_JUSTIFIED, color);
  float left = p.getX() - n / 2 - 1;
  result += display_manager.drawCh(Vector(left, p.getY()), '|', color);
  result += display_manager.drawCh(Vector(left + n + 1, p.getY()), '|', color);
  return result;
}

std::string ViewObject::serialize(std::string attr) {
  LogManager::getInstance().writeLog(25, "ViewObject::serialize(): attr is '%s'", attr.c_str());
  std::string text = Object::serialize(attr);
  for (int i = 0; i < VIEW_ATTR_COUNT; i++) {
    ViewObjectAttribute attribute = static_cast<ViewObjectAttribute>(i);
    bool chosen = attr == "ALL" || (attr.empty() && isModified(attribute)) ||
                  (!attr.empty() && attr.find(VIEW_ATTRIBUTE_TOKEN[i]) != std::string::npos);
    if (!chosen) continue;
    switch (attribute) {
      case VIEW_STRING: text += "view_string:" + AttributeList::escape(view_string) + ","; break;
      case VALUE: text += "view_value:" + sb::toString(value) + ","; break;
      case BORDER: text += "view_border:" + sb::toString(border) + ","; break;
      case COLOR: text += "view_color:" + sb::toString(static_cast<int>(color)) + ","; break;
      case LOCATION:
        text += "view_location:" + sb::toString(static_cast<int>(location)) + ",";
        break;
      case DRAW_VALUE: text += "view_draw_value:" + sb::toString(draw_value) + ","; break;
    }
    view_modified[attribute] = false;
  }
  return text;
}

int ViewObject::deserialize(std::string str) {
  if (!str.empty()) match(str, "");
  AttributeList list(str);
  int result = deserializeAttributes(list);
  LogManager &log_manager = LogManager::getInstance();

  std::string text = list.value("view_string");
  if (!text.empty()) {
    log_manager.writeLog(10, "ViewObject::deserialize(): view_string is %s", text.c_str());
    setViewString(text);
  }
  int number = 0;
  text = list.value("view_value");
  if (!text.empty()) {
    if (readInt(text, number)) {
      log_manager.writeLog(10, "ViewObject::deserialize(): value is %d", number);
      setValue(number);
    } else {
      log_manager.writeLog(
          "ViewObject::deserialize(): Warning! view_value '%s' not valid. Ignored.", text.c_str());
    }
  }
  // An unlocated object forgets its location before the border is read, so
  // that the border does not put it back at the old location's place.
  int read_location = 0;
  bool unlocated =
      readInt(list.value("view_location"), read_location) && read_location == UNDEFINED_LOCATION;
  if (unlocated && location != UNDEFINED_LOCATION) {
    location = UNDEFINED_LOCATION;
    setViewModified(LOCATION);
  }
  text = list.value("view_border");
  if (!text.empty()) {
    log_manager.writeLog(10, "ViewObject::deserialize(): border is %s", text.c_str());
    setBorder(text == "true");
  }
  text = list.value("view_color");
  if (!text.empty()) {
    if (readInt(text, number) && number >= BLACK && number <= CUSTOM) {
      log_manager.writeLog(10, "ViewObject::deserialize(): color is %d", number);
      setColor(static_cast<Color>(number));
    } else {
      log_manager.writeLog(
          "ViewObject::deserialize(): Warning! view_color '%s' not valid. Ignored.", text.c_str());
    }
  }
  // A located object goes to its place; an unlocated one keeps the position
  // just read and only forgets its location.
  // Any int is a location value; setLocation refuses and logs a bad one.
  text = list.value("view_location");
  if (!text.empty()) {
    if (readInt(text, number)) {
      log_manager.writeLog(10, "ViewObject::deserialize(): location is %d", number);
      if (number != UNDEFINED_LOCATION) {
        setLocation(static_cast<ViewObjectLocation>(number));
      } else if (location != UNDEFINED_LOCATION) {
        location = UNDEFINED_LOCATION;
        setViewModified(LOCATION);
      }
    } else {
      log_manager.writeLog(
          "ViewObject::deserialize(): Warning! view_location '%s' not valid. Ignored.",
          text.c_str());
    }
  }
  text = list.value("view_draw_value");
  if (!text.empty()) {
    log_manager.writeLog(10, "ViewObject::deserialize(): draw_value is %s", text.c_str());
    draw_value = text == "true";
  }
  return result;
}

bool ViewObject::isModified() const {
  LogManager &log_manager = LogManager::getInstance();
  for (int i = 0; i < VIEW_ATTR_COUNT; i++) {
    log_manager.writeLog(10, "ViewObject::isModified(): %d is %s", i,
                         view_modified[i] ? "true" : "false");
    if (view_modified[i]) return true;
  }
  return Object::isModified();
}

bool ViewObject::isModified(ViewObjectAttribute attribute) const {
  if (attribute < 0 || attribute >= VIEW_ATTR_COUNT) return false;
  return view_modified[attribute];
}

}  // namespace sb
