#include "HighScores.h"

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>

namespace {
// No table of kMaxEntries numbers comes near this; a bigger file is not one.
const long kMaxFileBytes = 4096;
}  // namespace

HighScores::HighScores() {
  setType("HighScores");
  setSolidness(sb::SPECTRAL);
  setVisible(false);
}

int HighScores::add(int score) {
  if (score <= 0) return 0;
  auto at = std::upper_bound(scores.begin(), scores.end(), score, std::greater<int>());
  int place = static_cast<int>(at - scores.begin()) + 1;
  if (place > kMaxEntries) return 0;
  scores.insert(at, score);
  if (static_cast<int>(scores.size()) > kMaxEntries) scores.resize(kMaxEntries);
  return place;
}

std::string HighScores::serialize(std::string attr) {
  // Only the type of the engine's attributes: an id or a position read back
  // from a file would only clash with the objects of this game.
  (void)attr;
  std::string text = sb::Object::serialize("TYPE,");
  text += "high-count:" + sb::toString(static_cast<int>(scores.size())) + ",";
  for (size_t i = 0; i < scores.size(); i++)
    text += "high-" + sb::toString(static_cast<int>(i + 1)) + ":" + sb::toString(scores[i]) + ",";
  return text;
}

int HighScores::deserialize(std::string str) {
  sb::AttributeList list(str);
  if (list.value("type") != "HighScores") return 0;
  int count = 0;
  if (!sb::readInt(list.value("high-count"), count)) count = 0;
  count = std::max(0, std::min(count, kMaxEntries));
  scores.clear();
  for (int i = 1; i <= count; i++) {
    int score = 0;
    if (sb::readInt(list.value("high-" + sb::toString(i)), score) && score > 0) add(score);
  }
  return 0;
}

int HighScores::save(const std::string &path) {
  std::FILE *f = std::fopen(path.c_str(), "w");
  if (!f) {
    sb::LogManager::getInstance().writeLog("HighScores::save(): Error! Cannot write %s.", path.c_str());
    return -1;
  }
  std::string text = serialize("ALL") + "\n";
  bool ok = std::fputs(text.c_str(), f) >= 0;
  return std::fclose(f) == 0 && ok ? 0 : -1;
}

int HighScores::load(const std::string &path) {
  // Only a regular file: a device or a pipe named here could block or never end.
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  std::FILE *f = std::fopen(path.c_str(), "r");
  if (!f) return -1;
  std::string text;
  char buffer[512];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    text.append(buffer, got);
    if (static_cast<long>(text.size()) > kMaxFileBytes) {
      std::fclose(f);
      sb::LogManager::getInstance().writeLog("HighScores::load(): Warning! %s is too large. Ignored.",
                                             path.c_str());
      return -1;
    }
  }
  std::fclose(f);
  return deserialize(text);
}
