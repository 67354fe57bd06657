#ifndef SORBELANE_ENGINE_FONT_H
#define SORBELANE_ENGINE_FONT_H

#include <string>
#include <vector>

namespace sb {

/// The font that comes with the engine, used when the configured font file
/// cannot be loaded.
class EngineFont {
 public:
  /// Names the font file of an installed engine package. A game built against
  /// the package calls it before main() (see GameManager.h), so the fallback
  /// font is found wherever the package was installed. Returns true.
  static bool setInstalledFile(const std::string &path);
  /// The font files to try, in order, when the configured one cannot be loaded:
  /// the installed package's (when named), the copy in the engine's build tree,
  /// then the one below the install prefix the engine was configured with.
  static std::vector<std::string> fallbackFiles();
};

}  // namespace sb

#endif
