#include "Placement.h"

#include <SFML/Graphics/Transformable.hpp>

namespace sb {

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

}  // namespace sb
