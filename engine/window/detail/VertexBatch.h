#ifndef SORBELANE_VERTEX_BATCH_H
#define SORBELANE_VERTEX_BATCH_H

#include <cstddef>
#include <vector>

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Vertex.hpp>

#include "Placement.h"

namespace sb {

/// A frame's drawing collected as triangles, in drawing order, textured from
/// the font page of the one character size in use; untextured pieces sample
/// the page's white square. Keeps the quad of each glyph as the text object
/// lays it out. The display's window back end uses it.
class VertexBatch {
 public:
  /// Texture coordinate of pieces that carry no picture: the font page's
  /// white square (texels 0 and 1 in both directions), between its texels.
  static constexpr float WHITE_TEXEL = 1.0f;

  /// The quad of one glyph as the text object lays it out, relative to the
  /// text's position, with its texture rectangle.
  struct GlyphQuad {
    bool loaded = false;  ///< Whether the fields below are known.
    bool blank = false;   ///< Blanks, tabs and new lines have no quad.
    float left = 0;       ///< Left edge.
    float top = 0;        ///< Top edge.
    float right = 0;      ///< Right edge.
    float bottom = 0;     ///< Bottom edge.
    float u1 = 0;         ///< Texture x of the left edge.
    float v1 = 0;         ///< Texture y of the top edge.
    float u2 = 0;         ///< Texture x of the right edge.
    float v2 = 0;         ///< Texture y of the bottom edge.
  };

  /// Readies an empty batch for bold glyphs of font at character_size (codes
  /// as code page 437 with cp437), with room for a window of cells. True when
  /// the font page carries its white square; without it nothing can be
  /// collected.
  bool prepare(const sf::Font &font, unsigned int character_size, std::size_t cells, bool cp437);
  /// The font page, or null when prepare() found no white square.
  const sf::Texture *getTexture() const { return p_texture; }
  /// The quad of the glyph of ch (see prepare()).
  const GlyphQuad &glyph(unsigned char ch);

  /// Adds the rectangle (left, top)-(right, bottom), placed by placement, in
  /// color, textured by (u1, v1)-(u2, v2): two triangles, top left, top
  /// right, bottom left; bottom left, top right, bottom right (the order in
  /// which text builds its glyph quads).
  void addQuad(const Placement &placement, float left, float top, float right, float bottom,
               sf::Color color, float u1, float v1, float u2, float v2) {
    sf::Vertex top_left(placement.apply(left, top), color, sf::Vector2f(u1, v1));
    sf::Vertex top_right(placement.apply(right, top), color, sf::Vector2f(u2, v1));
    sf::Vertex bottom_left(placement.apply(left, bottom), color, sf::Vector2f(u1, v2));
    sf::Vertex bottom_right(placement.apply(right, bottom), color, sf::Vector2f(u2, v2));
    vertices.push_back(top_left);
    vertices.push_back(top_right);
    vertices.push_back(bottom_left);
    vertices.push_back(bottom_left);
    vertices.push_back(top_right);
    vertices.push_back(bottom_right);
  }
  /// Adds an untextured triangle with corners in clip coordinates.
  void addTriangle(const sf::Vertex &a, const sf::Vertex &b, const sf::Vertex &c) {
    vertices.push_back(a);
    vertices.push_back(b);
    vertices.push_back(c);
  }
  /// The collected vertices, for appending to.
  std::vector<sf::Vertex> &getVertices() { return vertices; }

  /// Hands what has been collected to window in one draw call, in the
  /// viewport of its view, and empties the batch.
  void draw(sf::RenderWindow &window);
  /// Draw calls made by draw() so far.
  long long getDraws() const { return draws; }

 private:
  std::vector<sf::Vertex> vertices;
  GlyphQuad glyphs[256];
  const sf::Font *p_font = nullptr;
  const sf::Texture *p_texture = nullptr;
  unsigned int character_size = 0;
  bool cp437 = false;
  long long draws = 0;
};

}  // namespace sb

#endif
