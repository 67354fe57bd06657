#ifndef SORBELANE_HEADLESS_BACK_END_H
#define SORBELANE_HEADLESS_BACK_END_H

#include "DisplayBackEnd.h"

namespace sb {

/// The display without a window or terminal (headless, and before start-up):
/// every drawing call returns -1 at once.
class HeadlessBackEnd : public DisplayBackEnd {
 public:
  /// False: nothing is drawn.
  bool canDraw() const override;
  /// -1.
  int drawCh(Vector view_pos, char ch, unsigned char r, unsigned char g, unsigned char b) override;
  /// -1.
  int drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                  sf::Color color) override;
  /// Nothing to show.
  void present(sf::Texture *p_capture) override;
  /// Nothing is shaken.
  void setShake(int x_pixels, int y_pixels) override;
  /// Nothing has a background.
  void setBackground(sf::Color color) override;
};

}  // namespace sb

#endif
