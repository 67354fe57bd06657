#include "HeadlessBackEnd.h"

namespace sb {

bool HeadlessBackEnd::canDraw() const { return false; }

int HeadlessBackEnd::drawCh(Vector, char, unsigned char, unsigned char, unsigned char) {
  return -1;
}

int HeadlessBackEnd::drawPolygon(float, float, float, std::size_t, float, sf::Color) { return -1; }

void HeadlessBackEnd::present(sf::Texture *) {}

void HeadlessBackEnd::setShake(int, int) {}

void HeadlessBackEnd::setBackground(sf::Color) {}

}  // namespace sb
