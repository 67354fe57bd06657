#include "HelpPanel.h"

#include <utility>

HelpPanel::HelpPanel(std::vector<std::string> panel_lines, int panel_width)
    : lines(std::move(panel_lines)), width(panel_width) {
  setType("Help");
  setSolidness(sb::SPECTRAL);
  setAltitude(sb::MAX_ALTITUDE);
}

int HelpPanel::draw() {
  if (!shown) return 0;
  sb::DisplayManager &display = sb::DisplayManager::getInstance();
  const int count = static_cast<int>(lines.size());
  float x = static_cast<float>(display.getHorizontal() / 2);
  float top = static_cast<float>((display.getVertical() - count) / 2);
  const sf::Color panel(20, 30, 70);
  const std::string blank(static_cast<std::size_t>(width), ' ');
  for (int i = 0; i < count; i++) {
    sb::Vector where = sb::viewToWorld(sb::Vector(x, top + static_cast<float>(i)));
    // The panel's cells first, then the line's text over them.
    display.drawString(where, blank, sb::CENTER_JUSTIFIED, sf::Color::White, panel);
    display.drawMarkup(where - sb::Vector(static_cast<float>(width / 2), 0), lines[i],
                       sb::LEFT_JUSTIFIED, sb::WHITE, panel);
  }
  return 0;
}
