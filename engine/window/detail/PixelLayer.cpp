#include "PixelLayer.h"

#include <algorithm>
#include <cmath>

namespace sb {

namespace {

const float SUBPIXELS = 256.0f;  // snapping grid: 1/256 pixel
const int SUBPIXEL_BITS = 8;

// Window coordinate from a clip coordinate: clip * scale + offset.
float viewport(float clip, float scale, float offset, bool fused) {
  if (fused) return std::fma(clip, scale, offset);
  float scaled = clip * scale;
  return scaled + offset;
}

}  // namespace

void PixelLayer::resize(int new_width, int new_height) {
  width = new_width > 0 ? new_width : 0;
  height = new_height > 0 ? new_height : 0;
  std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  colors.assign(pixels, sf::Color());
  stamps.assign(pixels, 0);
  stamp = 1;
  touched.clear();
}

int PixelLayer::triangle(const sf::Vector2f *corners, int width, int height, const Rules &rules,
                         std::uint32_t *covered) {
  float half_width = static_cast<float>(width) * 0.5f;
  float half_height = static_cast<float>(height) * 0.5f;
  float y_scale = rules.flipped ? half_height : -half_height;
  // Snapped corners, pixel centres at whole numbers of pixels.
  long long x[3], y[3];
  for (int i = 0; i < 3; i++) {
    float wx = viewport(corners[i].x, half_width, half_width, rules.fused);
    float wy = viewport(corners[i].y, y_scale, half_height, rules.fused);
    // Only triangles well inside the frame buffer: no clipping, no overflow.
    if (!(wx >= 1 && wx <= width - 1 && wy >= 1 && wy <= height - 1)) return -1;
    x[i] = std::lrint((wx - 0.5f) * SUBPIXELS);
    y[i] = std::lrint((wy - 0.5f) * SUBPIXELS);
  }
  long long area = (x[0] - x[1]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[0] - y[1]);
  if (area == 0) return 0;
  if (area < 0) {  // the same triangle the other way round
    std::swap(x[1], x[2]);
    std::swap(y[1], y[2]);
  }
  long long min_x = std::min({x[0], x[1], x[2]}), max_x = std::max({x[0], x[1], x[2]});
  long long min_y = std::min({y[0], y[1], y[2]}), max_y = std::max({y[0], y[1], y[2]});
  if (max_x - min_x > MAX_SPAN * 256 || max_y - min_y > MAX_SPAN * 256) return -1;

  // Edge i from corner i to the next: inside where c - dcdx * X + dcdy * Y > 0,
  // pixels exactly on the edge counted for left edges and for top (or bottom) ones.
  long long dcdx[3], dcdy[3], c[3];
  for (int i = 0; i < 3; i++) {
    int j = (i + 1) % 3;
    dcdx[i] = y[i] - y[j];
    dcdy[i] = x[i] - x[j];
    c[i] = dcdx[i] * x[i] - dcdy[i] * y[i];
    if (dcdx[i] < 0)
      c[i]++;
    else if (dcdx[i] == 0 && (rules.bottom_edge ? dcdy[i] < 0 : dcdy[i] > 0))
      c[i]++;
  }
  int count = 0;
  long long first_x = (min_x + 255) >> SUBPIXEL_BITS, last_x = max_x >> SUBPIXEL_BITS;
  long long first_y = (min_y + 255) >> SUBPIXEL_BITS, last_y = max_y >> SUBPIXEL_BITS;
  for (long long py = first_y; py <= last_y; py++) {
    long long sy = py << SUBPIXEL_BITS;
    for (long long px = first_x; px <= last_x; px++) {
      long long sx = px << SUBPIXEL_BITS;
      bool inside = true;
      for (int i = 0; i < 3 && inside; i++) inside = c[i] - dcdx[i] * sx + dcdy[i] * sy > 0;
      if (!inside) continue;
      long long row = rules.flipped ? height - 1 - py : py;
      covered[count++] = static_cast<std::uint32_t>(row * width + px);
    }
  }
  return count;
}

bool PixelLayer::addPolygon(const sf::Vector2f *corners, std::size_t count, sf::Color color) {
  if (count < 3 || count > MAX_CORNERS || width <= 0) return false;
  // Every triangle first, so that a refused polygon leaves nothing behind.
  static std::uint32_t covered[MAX_CORNERS][MAX_COVERED];
  int covered_count[MAX_CORNERS];
  for (std::size_t i = 1; i + 1 < count; i++) {
    sf::Vector2f triangle_corners[3] = {corners[0], corners[i], corners[i + 1]};
    covered_count[i] = triangle(triangle_corners, width, height, rules, covered[i]);
    if (covered_count[i] < 0) return false;
  }
  for (std::size_t i = 1; i + 1 < count; i++)
    for (int k = 0; k < covered_count[i]; k++) {
      std::uint32_t pixel = covered[i][k];
      if (stamps[pixel] != stamp) {
        stamps[pixel] = stamp;
        touched.push_back(pixel);
      }
      colors[pixel] = color;
    }
  return true;
}

void PixelLayer::emit(std::vector<sf::Vertex> &out, sf::Vector2f texel) {
  if (touched.empty()) return;
  std::sort(touched.begin(), touched.end());
  float half_width = static_cast<float>(width) * 0.5f;
  float half_height = static_cast<float>(height) * 0.5f;
  // Quad edges lie on pixel borders, half a pixel from every pixel centre.
  auto clipX = [&](long long px) { return static_cast<float>(px) / half_width - 1; };
  auto clipY = [&](long long py) {
    float y = 1 - static_cast<float>(py) / half_height;
    return rules.flipped ? -y : y;
  };
  std::size_t i = 0;
  while (i < touched.size()) {
    std::uint32_t start = touched[i];
    sf::Color color = colors[start];
    long long row = start / static_cast<std::uint32_t>(width);
    std::size_t j = i + 1;
    while (j < touched.size() && touched[j] == touched[j - 1] + 1 &&
           touched[j] / static_cast<std::uint32_t>(width) == row && colors[touched[j]] == color)
      j++;
    long long left = start % static_cast<std::uint32_t>(width);
    long long right = left + static_cast<long long>(j - i);
    float x0 = clipX(left), x1 = clipX(right), y0 = clipY(row), y1 = clipY(row + 1);
    sf::Vertex top_left(sf::Vector2f(x0, y0), color, texel);
    sf::Vertex top_right(sf::Vector2f(x1, y0), color, texel);
    sf::Vertex bottom_left(sf::Vector2f(x0, y1), color, texel);
    sf::Vertex bottom_right(sf::Vector2f(x1, y1), color, texel);
    out.push_back(top_left);
    out.push_back(top_right);
    out.push_back(bottom_left);
    out.push_back(bottom_left);
    out.push_back(top_right);
    out.push_back(bottom_right);
    i = j;
  }
  touched.clear();
  if (++stamp == 0) {  // after four billion frames: start the stamps afresh
    std::fill(stamps.begin(), stamps.end(), 0);
    stamp = 1;
  }
}

}  // namespace sb
