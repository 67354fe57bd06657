#ifndef SORBELANE_MARKUP_H
#define SORBELANE_MARKUP_H

#include <string>
#include <vector>

#include <SFML/Graphics/Color.hpp>

namespace sb {

/// Reads colour markup in a line of text: "#[name]" (a colour name of the
/// configuration) or "#[#rrggbb]" switches the colour, "#[]" goes back to
/// the starting colour, "##" is one '#'. Anything else, unreadable markup
/// included, is text as it stands.
class Markup {
 public:
  /// The visible characters of text into chars and their colours, starting
  /// in base, into colors (both cleared first; kept by the caller to spare
  /// an allocation a call).
  static void read(const std::string &text, sf::Color base, std::string &chars,
                   std::vector<sf::Color> &colors);

 private:
  // The colour named by the markup at text[at] ("#[...]"), with its length;
  // 0 when it is not markup that can be read.
  static std::size_t colorAt(const std::string &text, std::size_t at, sf::Color base,
                             sf::Color &color);
};

}  // namespace sb

#endif
