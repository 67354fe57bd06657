// A game includes the engine's one header and uses names that the system's
// terminal, signal and socket headers define as macros: the engine's headers
// must keep those to themselves, or this file does not compile.
#include "Sorbelane.h"

#include <gtest/gtest.h>

namespace {

enum class TextMode { ECHO, ICANON, ISIG, RAW };
enum Baud { B0, B9600, B38400 };
struct Cursor {
  int VMIN = 1, VTIME = 2, TCSANOW = 3, NCCS = 4, TIOCGWINSZ = 5, IXON = 6;
};

int modeNumber(TextMode mode) { return static_cast<int>(mode); }

}  // namespace

TEST(HeaderHygiene, GameNamesThatSystemHeadersTakeAreFree) {
  EXPECT_EQ(modeNumber(TextMode::ECHO), 0);
  EXPECT_EQ(modeNumber(TextMode::RAW), 3);
  EXPECT_EQ(B9600, 1);
  Cursor cursor;
  EXPECT_EQ(cursor.VMIN + cursor.TCSANOW + cursor.TIOCGWINSZ + cursor.IXON, 15);
}
