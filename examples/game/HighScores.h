// The table of best scores, kept in a file between games. The table is the
// object's attributes: serialize() writes it as an attribute string and
// deserialize() reads it back.
#ifndef ARENA_HIGH_SCORES_H
#define ARENA_HIGH_SCORES_H

#include <string>
#include <vector>

#include "Sorbelane.h"

class HighScores : public sb::Object {
  std::vector<int> scores;  // best first, at most kMaxEntries

 public:
  static constexpr int kMaxEntries = 5;

  HighScores();
  const std::vector<int> &getScores() const { return scores; }
  int best() const { return scores.empty() ? 0 : scores.front(); }
  // Enters a score in the table; its place from 1, or 0 when it is not good enough.
  int add(int score);

  // The object's type and the table ("high-count:2,high-1:120,high-2:40,").
  std::string serialize(std::string attr = "") override;
  // Takes the table from an attribute string; entries that are no
  // non-negative number, and any beyond kMaxEntries, are left out. 0.
  int deserialize(std::string str) override;

  // Writes the table to a file, or reads it back. 0 or -1 (file missing,
  // unreadable or larger than any table can be).
  int save(const std::string &path);
  int load(const std::string &path);
};

#endif
