#include "Transcript.h"

#include <cstdio>

#include "Sorbelane.h"

std::string &terminalTranscript() {
  static std::string transcript;
  return transcript;
}

void say(const std::string &text) {
  if (sb::DisplayManager::getInstance().isTerminal()) {
    terminalTranscript() += text + "\n";
  } else {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }
  sb::LogManager::getInstance().writeLog("%s", text.c_str());
}
