#ifndef SORBELANE_DISPLAY_BACK_END_H
#define SORBELANE_DISPLAY_BACK_END_H

#include <cstddef>

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>

#include "Vector.h"

namespace sb {

class TerminalDisplay;

/// Where the display manager's drawing goes: a window, a terminal or
/// nowhere (headless). The display manager keeps the sizes, colours and
/// shake, checks that it has started, and hands each drawing call to the
/// back end chosen at start-up. Positions here are view cells for
/// characters and window pixels for polygons.
class DisplayBackEnd {
 public:
  /// Gives back whatever the back end holds.
  virtual ~DisplayBackEnd();

  /// Whether drawing reaches anything (false: drawing calls return -1).
  virtual bool canDraw() const = 0;
  /// Draws ch in (r, g, b) over the background of the cell at view_pos,
  /// shaken by the offsets of the step; 0, or -1 when it cannot.
  virtual int drawCh(Vector view_pos, char ch, unsigned char r, unsigned char g,
                     unsigned char b) = 0;
  /// Draws ch in color over the whole cell at view_pos filled with
  /// cell_background (in place of the background colour); 0, or -1 when it
  /// cannot (the default: nothing is drawn).
  virtual int drawChOver(Vector view_pos, char ch, sf::Color color, sf::Color cell_background) {
    (void)view_pos, (void)ch, (void)color, (void)cell_background;
    return -1;
  }
  /// Draws a filled regular polygon (see DisplayManager::drawPolygon()); 0, or -1.
  virtual int drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                          sf::Color color) = 0;
  /// What drawPolygon() takes; drawPolygons() takes its radius, corners and rotation.
  struct Polygon {
    float x = 0;             ///< Left of the bounding square, in pixels.
    float y = 0;             ///< Top of the bounding square, in pixels.
    float radius = 0;        ///< Radius in pixels.
    std::size_t points = 0;  ///< Corners.
    float rotation = 0;      ///< Degrees.
    sf::Color color;         ///< Fill colour and opacity.
  };
  /// Where drawPolygons() draws one polygon, and in what colour.
  struct PolygonAt {
    float x = 0;      ///< Left of the bounding square, in pixels.
    float y = 0;      ///< Top of the bounding square, in pixels.
    sf::Color color;  ///< Fill colour and opacity.
  };
  /// Draws count polygons of the radius, corners and rotation of shape (its
  /// place and colour are not used) at p_at's places in their colours, in
  /// order, as drawPolygon() one by one does (the default calls it); 0, or
  /// -1 when any draw gave -1.
  virtual int drawPolygons(const Polygon &shape, const PolygonAt *p_at, std::size_t count);
  /// Shows the frame drawn so far (copying it into p_capture first, unless
  /// null) and starts the next one.
  virtual void present(sf::Texture *p_capture) = 0;
  /// Sets the glyph offsets, in pixels, of the frame to come.
  virtual void setShake(int x_pixels, int y_pixels) = 0;
  /// Sets the colour of blank cells and of the cell behind each glyph.
  virtual void setBackground(sf::Color color) = 0;

  /// Hands collected drawing to the window (nothing to do without one).
  virtual void flush() {}
  /// The window after flush(), told that its taker may change the view;
  /// null when there is none.
  virtual sf::RenderWindow *takeWindow() { return nullptr; }
  /// Whether a window exists.
  virtual bool hasWindow() const { return false; }
  /// The terminal display, or null when drawing goes elsewhere.
  virtual TerminalDisplay *getTerminal() const { return nullptr; }
  /// Collected drawing or one draw call a piece (where there is a choice).
  virtual void setBatching(bool batching) { (void)batching; }
  /// Whether drawing is collected.
  virtual bool getBatching() const { return false; }
  /// Draw calls that handed collected drawing to the window.
  virtual long long getBatchDraws() const { return 0; }
  /// Whether small opaque shapes are resolved to pixels before they go to GL.
  virtual bool getPixelLayerReady() const { return false; }
  /// Marks the start of the world's drawing in a frame (for statistics).
  virtual void beginDrawing() {}
  /// Marks its end.
  virtual void endDrawing() {}
  /// Logs what the back end did since it opened, at shut-down (nothing to say
  /// for most).
  virtual void logStatistics() const {}
};

}  // namespace sb

#endif
