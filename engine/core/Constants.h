/// @file
/// The engine's string constants: event type names, default file names,
/// window title and network port, and its fixed limits. Every engine source
/// includes this header.
#ifndef SORBELANE_CONSTANTS_H
#define SORBELANE_CONSTANTS_H

#include <string>

namespace sb {

/// Type of an event whose type was never set.
inline const std::string UNDEFINED_EVENT = "sb-undefined";
/// Type of EventStep, sent once per step by the game manager.
inline const std::string STEP_EVENT = "sb-step";
/// Type of EventKeyboard, sent by the input manager.
inline const std::string KEYBOARD_EVENT = "sb-keyboard";
/// Type of EventMouse, sent by the input manager.
inline const std::string MSE_EVENT = "sb-mouse";
/// Type of EventCollision, sent by the world manager without registering.
inline const std::string COLLISION_EVENT = "sb-collision";
/// Type of EventOut, sent by the world manager without registering.
inline const std::string OUT_EVENT = "sb-out";
/// Type of EventView, which sets or changes view objects' values.
inline const std::string VIEW_EVENT = "sb-view";
/// Type of EventResize, sent when the terminal the game draws in changes size.
inline const std::string RESIZE_EVENT = "sb-resize";
/// Type of EventPath, which carries a path search's result.
inline const std::string PATH_EVENT = "sb-path";
/// Type of EventNetwork, sent by the network manager.
inline const std::string NETWORK_EVENT = "sb-network";
/// Type of a game's own message that arrived over the network.
inline const std::string NETWORK_CUSTOM_EVENT = "sb-custom-network";
/// Type of a keyboard event that arrived over the network.
inline const std::string NETWORK_KEYBOARD_EVENT = "sb-keyboard-network";
/// Type of a mouse event that arrived over the network.
inline const std::string NETWORK_MSE_EVENT = "sb-mouse-network";

/// The configuration file read at start-up unless SORBELANE_CONFIG names another.
inline const std::string CONFIG_FILENAME = "sb-config.txt";
/// The main log file unless the configuration or SORBELANE_LOG names another.
inline const std::string LOGFILE_DEFAULT = "sorbelane.log";
/// The font file unless the configuration names another.
inline const std::string FONT_FILE_DEFAULT = "sb-font.ttf";
/// The window title unless the configuration gives another.
inline const std::string WINDOW_TITLE_DEFAULT = "Sorbelane";
/// The TCP port servers listen on and clients connect to by default.
inline const std::string SORBELANE_PORT = "9876";
/// Start of the names of the frame-rate recorder's snapshot files.
inline const std::string FRAPS_FILENAME = "fraps";
/// Label of the frame-rate view object.
inline const std::string FRAPS_STRING = "fps";

/// Engine version written in the log banner.
constexpr double SORBELANE_VERSION = 4.13;

/// Log level of the lines that SFML writes to sf::err(), which go to the log
/// prefixed "SFML: ".
constexpr int SFML_LOG_LEVEL = 3;

// Fixed limits.
constexpr int MAX_EVENTS = 100;      ///< Event types per manager.
constexpr int MAX_OBJ_EVENTS = 100;  ///< Interests per object.
constexpr int MAX_ALTITUDE = 4;      ///< Altitudes run from 0 to MAX_ALTITUDE.
constexpr int MAX_SPRITES = 1000;    ///< Sprites the resource manager keeps at once.
constexpr int MAX_SOUNDS = 100;      ///< Sound effects the resource manager keeps at once.
constexpr int MAX_MUSICS = 50;       ///< Music tracks the resource manager ever loads.

// Bounds on files from outside: a file may claim anything in its header, so
// what is read is bounded before it is believed.
constexpr int MAX_SPRITE_BYTES = 1024 * 1024;  ///< Bytes read from one sprite file.
/// Samples (all channels together) of one sound effect: 16 M, about three
/// minutes of stereo at 44.1 kHz and 32 MB of memory.
constexpr long long MAX_SOUND_SAMPLES = 16LL * 1024 * 1024;
constexpr unsigned MAX_AUDIO_CHANNELS = 8;       ///< Channels of a sound or a music file.
constexpr unsigned MAX_SAMPLE_RATE = 768000;     ///< Samples a second of a sound or a music file.
constexpr int MAX_WAV_CHUNKS = 1000;             ///< Chunks of a WAV file ahead of its data.
constexpr long long MAX_PATH_CELLS = 1LL << 21;  ///< Cells of one path search's node graph.
constexpr int MAX_WINDOW_CHARS = 4096;  ///< Most cells a side of the window and of a terminal.
/// Bytes that the node graphs of all path searches, running and kept for reuse, may hold.
constexpr long long MAX_PATH_MEMORY = 256LL << 20;
/// Bytes of node graphs kept for reuse by later searches (at most four graphs).
constexpr long long MAX_POOLED_PATH_MEMORY = 64LL << 20;
/// The largest id an attribute string may give an object. Ids read from
/// outside stay far below the largest int, so the id counter always has room
/// for new, unique ids.
constexpr int MAX_READ_ID = 1 << 30;

// Bounds on particle requests, so a wild scale or density cannot ask for
// billions of particles.
constexpr float MAX_PARTICLE_SCALE = 1000.0f;  ///< Largest scale of a particle preset.
constexpr int MAX_PRECIPITATION = 100000;      ///< Most particles of one precipitation field.

/// The largest glyph size in pixels; a wild font scale is cut to it.
constexpr float MAX_CHARACTER_SIZE = 4096.0f;

/// The largest magnitude a position, extent, direction, speed or size read
/// from an attribute string may have: far beyond any world, and small enough
/// that moving and adding never overflow to infinity.
constexpr float MAX_ATTRIBUTE_MAGNITUDE = 1e9f;

}  // namespace sb

#endif
