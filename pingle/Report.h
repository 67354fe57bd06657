#ifndef PINGLE_REPORT_H
#define PINGLE_REPORT_H

#include <string>
#include <utility>
#include <vector>

// The benchmark's version, printed in its banner and written in its report.
constexpr double kPingleVersion = 3.4;

// What one iteration of the benchmark did.
struct IterationResult {
  int credited = 0;           // load credited: balls, or particle bursts
  int steps = 0;              // counted steps
  std::vector<int> step_us;   // each counted step's time, microseconds
};

// The JSON report of a run ("report:FILE," in the configuration): what ran
// (versions, build, compiler, configuration), where (processor, cores,
// memory, operating system), when, and how each iteration went.
class Report {
 public:
  // Notes the time the run starts.
  Report();

  bool particle = false;
  int burst = 1;  // particles a credited burst counts for in the mark (1: objects)
  int pinglemark = 0;
  std::string configuration;                               // the stored configuration string
  std::vector<std::pair<std::string, std::string>> options;  // keys read, values as read
  std::vector<IterationResult> iterations;

  // The report as JSON, finished now.
  std::string toJson() const;
  // Writes toJson() to path: 0, or -1 when it cannot be written.
  int write(const std::string &path) const;
  // Whether path can be written (created if missing); for an early check.
  static bool writable(const std::string &path);

  // The value of rank ceil(percent / 100 * n) in ascending order (nearest
  // rank); 0 for no values.
  static int percentile(const std::vector<int> &sorted, int percent);

 private:
  std::string started;  // ISO 8601, UTC
};

#endif
