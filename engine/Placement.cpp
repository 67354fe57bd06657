#include "Placement.h"

#include <SFML/Graphics/Transformable.hpp>

namespace sb {

Placement Placement::of(const sf::View &view, float x, float y, float rotation) {
  Placement placement;
  if (rotation != 0 || !placement.moved(view, x, y)) placement.turned(view, x, y, rotation);
  return placement;
}

// The full product of the view's matrix and the piece's.
void Placement::turned(const sf::View &view, float x, float y, float rotation) {
  sf::Transformable piece;
  piece.setPosition(x, y);
  piece.setRotation(rotation);
  const float *projection = view.getTransform().getMatrix();
  const float *model = piece.getTransform().getMatrix();
  // Entry (row, column) of the product; matrices are stored column by column.
  auto entry = [&](int row, int column) {
    float sum = projection[row] * model[column * 4];
    for (int k = 1; k < 4; k++) {
      float term = projection[k * 4 + row] * model[column * 4 + k];
      sum = sum + term;
    }
    return sum;
  };
  xx = entry(0, 0);
  xy = entry(0, 1);
  x_offset = entry(0, 3);
  yx = entry(1, 0);
  yy = entry(1, 1);
  y_offset = entry(1, 3);
}

// The same for a piece that is only moved, without the work of the full
// product: the terms left out are zeros, which change no sum. False, changing
// nothing, for a turned view.
bool Placement::moved(const sf::View &view, float x, float y) {
  const float *projection = view.getTransform().getMatrix();
  if (projection[1] != 0 || projection[4] != 0) return false;
  xx = projection[0];
  xy = 0;
  yx = 0;
  yy = projection[5];
  float x_moved = projection[0] * x;
  float y_moved = projection[5] * y;
  x_offset = x_moved + projection[12];
  y_offset = y_moved + projection[13];
  return true;
}

}  // namespace sb
