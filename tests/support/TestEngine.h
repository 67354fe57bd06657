// Starting the engine from a test: a fresh working directory holding the
// configuration and the log, and the game manager started on them.
#ifndef SORBELANE_TEST_ENGINE_H
#define SORBELANE_TEST_ENGINE_H

#include <string>

namespace sb {
class Object;
class ObjectList;
class ResourceManager;
class WorldManager;
}  // namespace sb

namespace sbtest {

// The configuration of a run with no window and no terminal.
inline const char *const HEADLESS = "headless:true,\n";

// What a terminal program writes when it gives the terminal back.
inline const std::string LEAVE = "\x1b[?1006l\x1b[?1002l\x1b[?1000l\x1b[0m\x1b[?1049l\x1b[?25h";

// The world and resource managers, for short.
sb::WorldManager &world();
sb::ResourceManager &resources();

// Whether list holds p_o.
bool contains(const sb::ObjectList &list, const sb::Object *p_o);

// Deletes every object, active or not, at once.
void clearWorld();

// Writes config_text as the configuration file of a fresh temporary directory,
// makes that directory the working directory, points SORBELANE_CONFIG and
// SORBELANE_LOG into it and starts the game manager. Returns startUp()'s result.
int startEngine(const std::string &config_text);

// Creates (once per process) and returns the temporary directory, below
// tempFolder(). It is removed with everything in it when the program exits.
std::string tempDir();

// The system's folder for temporary files: TMPDIR, else /tmp.
std::string tempFolder();

// Path of the log file startEngine() configured.
std::string logPath();

// The log file's content so far (the log is flushed first).
std::string readLog();

// Whole content of a file, or "" when it cannot be read.
std::string readFile(const std::string &path);

// What there is to read from fd (a pseudo-terminal's master side), until
// nothing more comes for 100 ms.
std::string readUntilQuiet(int fd);

// Writes text to a file; true on success.
bool writeFile(const std::string &path, const std::string &text);

// A TrueType font that the engine can load, and the configuration line naming it.
std::string fontPath();
std::string fontConfig();

// Counts the occurrences of needle in haystack.
int countOf(const std::string &haystack, const std::string &needle);

}  // namespace sbtest

#endif
