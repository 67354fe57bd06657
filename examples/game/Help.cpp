#include "Help.h"

namespace {

// The panel's lines; "#[colour]" switches the colour, "#[]" goes back.
const char *const LINES[] = {
    "",
    "  #[yellow]Arena#[]: shoot the enemies before they reach you  ",
    "",
    "  #[cyan]arrows#[] or #[cyan]WASD#[]  move                   ",
    "  #[cyan]space#[]           shoot ahead            ",
    "  #[cyan]left click#[]      shoot at the pointer   ",
    "  #[cyan]>#[]               call the next enemy now",
    "  #[cyan]r#[]               start again            ",
    "  #[cyan]?#[]               this help              ",
    "  #[cyan]Escape#[]          quit                   ",
    "",
};

}  // namespace

Help::Help() {
  setType("Help");
  setSolidness(sb::SPECTRAL);
  setAltitude(sb::MAX_ALTITUDE);
}

int Help::draw() {
  if (!shown) return 0;
  sb::DisplayManager &display = sb::DisplayManager::getInstance();
  const int count = static_cast<int>(sizeof LINES / sizeof LINES[0]);
  const int width = 52;
  float x = static_cast<float>(display.getHorizontal() / 2);
  float top = static_cast<float>((display.getVertical() - count) / 2);
  const sf::Color panel(20, 30, 70);
  for (int i = 0; i < count; i++) {
    sb::Vector where = sb::viewToWorld(sb::Vector(x, top + static_cast<float>(i)));
    // The panel's cells first, then the line's text over them.
    display.drawString(where, std::string(width, ' '), sb::CENTER_JUSTIFIED, sf::Color::White,
                       panel);
    display.drawMarkup(where - sb::Vector(width / 2, 0), LINES[i], sb::LEFT_JUSTIFIED,
                       sb::WHITE, panel);
  }
  return 0;
}
