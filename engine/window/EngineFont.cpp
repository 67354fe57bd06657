#include "EngineFont.h"

namespace sb {

namespace {

std::string &installedFontFile() {
  static std::string file;
  return file;
}

}  // namespace

bool EngineFont::setInstalledFile(const std::string &path) {
  installedFontFile() = path;
  return true;
}

std::vector<std::string> EngineFont::fallbackFiles() {
  std::vector<std::string> files;
  if (!installedFontFile().empty()) files.push_back(installedFontFile());
#ifdef SORBELANE_BUILD_FONT
  files.push_back(SORBELANE_BUILD_FONT);
#endif
#ifdef SORBELANE_INSTALL_FONT
  files.push_back(SORBELANE_INSTALL_FONT);
#endif
  return files;
}

}  // namespace sb
