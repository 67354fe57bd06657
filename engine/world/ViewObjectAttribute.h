#ifndef SORBELANE_VIEW_OBJECT_ATTRIBUTE_H
#define SORBELANE_VIEW_OBJECT_ATTRIBUTE_H

namespace sb {

/// What a view object adds to an Object's attributes, each with a modified flag.
enum ViewObjectAttribute : int {
  VIEW_STRING = 0,  ///< The label.
  VALUE,            ///< The value.
  BORDER,           ///< Whether the text is framed.
  COLOR,            ///< The colour.
  LOCATION,         ///< The named location.
  DRAW_VALUE,       ///< Whether the value is shown.
};

/// Number of view attributes.
const int VIEW_ATTR_COUNT = 6;

/// The text that names each view attribute in a list of attributes to write, by value.
inline constexpr const char *VIEW_ATTRIBUTE_TOKEN[VIEW_ATTR_COUNT] = {
    "VIEW_STRING,", "VALUE,", "BORDER,", "COLOR,", "LOCATION,", "DRAW_VALUE,",
};

}  // namespace sb

#endif
