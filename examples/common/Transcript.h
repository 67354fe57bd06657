// What the example games tell the player on standard output. In a terminal
// the lines wait in a transcript, printed once the game has given the
// terminal back: printed over the game's screen they would spoil it and
// vanish with it.
#ifndef EXAMPLES_TRANSCRIPT_H
#define EXAMPLES_TRANSCRIPT_H

#include <string>

// The lines kept back while the game runs in a terminal.
std::string &terminalTranscript();

// Writes text as a line to standard output (or to the transcript in a
// terminal) and to the engine's log.
void say(const std::string &text);

#endif
