#include "VertexBatch.h"

#include <algorithm>

#include <SFML/Graphics/Image.hpp>

#include "utility.h"

namespace sb {

namespace {

// Glyph quads reach one texel beyond the glyph on every side, as text's do.
const float GLYPH_PADDING = 1.0f;

// SFML's font pages begin with a 2 x 2 white square.
bool hasWhiteSquare(const sf::Texture &texture) {
  sf::Image page = texture.copyToImage();
  bool white = page.getSize().x >= 2 && page.getSize().y >= 2;
  for (unsigned int x = 0; white && x < 2; x++)
    for (unsigned int y = 0; white && y < 2; y++) white = page.getPixel(x, y) == sf::Color::White;
  return white;
}

}  // namespace

bool VertexBatch::prepare(const sf::Font &font, unsigned int new_character_size, std::size_t cells,
                          bool new_cp437) {
  for (GlyphQuad &quad : glyphs) quad = GlyphQuad();
  vertices.clear();
  // Room for two quads a cell; more grows as needed and is kept.
  vertices.reserve(std::min<std::size_t>(12 * cells, 1 << 20));
  p_font = &font;
  character_size = new_character_size;
  cp437 = new_cp437;
  const sf::Texture &texture = font.getTexture(character_size);
  p_texture = hasWhiteSquare(texture) ? &texture : nullptr;
  return p_texture != nullptr;
}

// The glyph's quad as sf::Text lays out a one-character string in bold:
// the glyph's bounds grown by the padding, below the first baseline.
const VertexBatch::GlyphQuad &VertexBatch::glyph(unsigned char ch) {
  GlyphQuad &quad = glyphs[ch];
  if (quad.loaded) return quad;
  quad.loaded = true;
  unsigned int code = characterCodePoint(ch, cp437);
  quad.blank = code == ' ' || code == '\t' || code == '\n' || code == '\r';
  if (quad.blank || !p_font) return quad;
  const sf::Glyph &shape = p_font->getGlyph(code, character_size, true);
  float baseline = static_cast<float>(character_size);
  quad.left = shape.bounds.left - GLYPH_PADDING;
  quad.top = baseline + (shape.bounds.top - GLYPH_PADDING);
  quad.right = shape.bounds.left + shape.bounds.width + GLYPH_PADDING;
  quad.bottom = baseline + (shape.bounds.top + shape.bounds.height + GLYPH_PADDING);
  const sf::IntRect &rect = shape.textureRect;
  quad.u1 = static_cast<float>(rect.left) - GLYPH_PADDING;
  quad.v1 = static_cast<float>(rect.top) - GLYPH_PADDING;
  quad.u2 = static_cast<float>(rect.left + rect.width) + GLYPH_PADDING;
  quad.v2 = static_cast<float>(rect.top + rect.height) + GLYPH_PADDING;
  return quad;
}

void VertexBatch::draw(sf::RenderWindow &window) {
  if (vertices.empty()) return;
  if (p_texture) {
    // The corners are in clip coordinates already: a view that maps them
    // onto themselves, in the viewport of the window's view.
    sf::View view = window.getView();
    sf::View clip(sf::Vector2f(0, 0), sf::Vector2f(2, -2));
    clip.setViewport(view.getViewport());
    window.setView(clip);
    sf::RenderStates states;
    states.texture = p_texture;
    window.draw(vertices.data(), vertices.size(), sf::Triangles, states);
    window.setView(view);
    draws++;
  }
  vertices.clear();
}

}  // namespace sb
