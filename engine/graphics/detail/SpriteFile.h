#ifndef SORBELANE_SPRITE_FILE_H
#define SORBELANE_SPRITE_FILE_H

#include <iosfwd>
#include <string>

namespace sb {

class Sprite;

/// Reads one sprite file from in and labels the sprite label; the new sprite
/// (the caller owns it), or null after logging why not.
Sprite *readSprite(std::istream &in, const std::string &label);

}  // namespace sb

#endif
