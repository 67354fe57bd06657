// The engine's string constants: event type names, default file names,
// window title and network port. Every engine source includes this header.
#ifndef SORBELANE_CONSTANTS_H
#define SORBELANE_CONSTANTS_H

#include <string>

namespace sb {

inline const std::string UNDEFINED_EVENT = "sb-undefined";
inline const std::string STEP_EVENT = "sb-step";
inline const std::string KEYBOARD_EVENT = "sb-keyboard";
inline const std::string MSE_EVENT = "sb-mouse";
inline const std::string COLLISION_EVENT = "sb-collision";
inline const std::string OUT_EVENT = "sb-out";
inline const std::string VIEW_EVENT = "sb-view";
inline const std::string PATH_EVENT = "sb-path";
inline const std::string NETWORK_EVENT = "sb-network";
inline const std::string NETWORK_CUSTOM_EVENT = "sb-custom-network";
inline const std::string NETWORK_KEYBOARD_EVENT = "sb-keyboard-network";
inline const std::string NETWORK_MSE_EVENT = "sb-mouse-network";

inline const std::string CONFIG_FILENAME = "sb-config.txt";
inline const std::string LOGFILE_DEFAULT = "sorbelane.log";
inline const std::string FONT_FILE_DEFAULT = "sb-font.ttf";
inline const std::string WINDOW_TITLE_DEFAULT = "Sorbelane";
inline const std::string SORBELANE_PORT = "9876";
inline const std::string FRAPS_FILENAME = "fraps";
inline const std::string FRAPS_STRING = "fps";

// Engine version written in the log banner.
constexpr double SORBELANE_VERSION = 4.13;

// Fixed limits.
constexpr int MAX_EVENTS = 100;      // event types per manager
constexpr int MAX_OBJ_EVENTS = 100;  // interests per object
constexpr int MAX_ALTITUDE = 4;      // altitudes 0 .. MAX_ALTITUDE
constexpr int MAX_SPRITES = 1000;    // sprites the resource manager keeps at once
constexpr int MAX_SOUNDS = 100;      // sound effects the resource manager keeps at once
constexpr int MAX_MUSICS = 50;       // music tracks the resource manager ever loads

// Bounds on sprite files, which come from outside: a file may claim anything
// in its header, so what is read is bounded before it is believed.
constexpr int MAX_SPRITE_LINE = 4096;            // characters in one line
constexpr int MAX_SPRITE_BYTES = 1024 * 1024;  // bytes read from one file
constexpr int MAX_SPRITE_FRAMES = 10000;         // the header's frame count
constexpr int MAX_SPRITE_SIZE = 1024;            // the header's width and height
constexpr long long MAX_PATH_CELLS = 1LL << 21;  // cells of one path search's node graph

// Bounds on particle requests, so a wild scale or density cannot ask for
// billions of particles.
constexpr float MAX_PARTICLE_SCALE = 1000.0f;
constexpr int MAX_PRECIPITATION = 100000;

// The largest glyph size in pixels; a wild font scale is cut to it.
constexpr float MAX_CHARACTER_SIZE = 4096.0f;

// The largest magnitude a position, extent, direction, speed or size read
// from an attribute string may have: far beyond any world, and small enough
// that moving and adding never overflow to infinity.
constexpr float MAX_ATTRIBUTE_MAGNITUDE = 1e9f;

}  // namespace sb

#endif
