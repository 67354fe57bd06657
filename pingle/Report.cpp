#include "Report.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "Constants.h"

namespace {

#ifndef PINGLE_COMPILE_FLAGS
#define PINGLE_COMPILE_FLAGS ""
#endif
#ifndef PINGLE_BUILD_TYPE
#define PINGLE_BUILD_TYPE ""
#endif

std::string utcNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts;
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

// A JSON string: quoted, with quotes, backslashes and control characters escaped.
std::string quoted(const std::string &text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// The value after "key" and a colon on the first line of a file that starts
// with key (such as /proc/cpuinfo's "model name"), or "".
std::string fileField(const char *path, const std::string &key, char separator) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::size_t at = line.find(separator);
    if (at == std::string::npos) continue;
    std::string value = line.substr(at + 1);
    value.erase(0, value.find_first_not_of(" \t\""));
    while (!value.empty() && (value.back() == '"' || value.back() == ' ')) value.pop_back();
    return value;
  }
  return "";
}

std::string machine() {
  long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGE_SIZE);
  struct utsname names;
  std::string kernel = uname(&names) == 0 ? std::string(names.sysname) + " " + names.release +
                                                " " + names.machine
                                          : "";
  std::ostringstream out;
  out << "{\"processor\": " << quoted(fileField("/proc/cpuinfo", "model name", ':'))
      << ", \"cores\": " << sysconf(_SC_NPROCESSORS_ONLN)
      << ", \"memory_bytes\": " << (pages > 0 && page_size > 0 ? static_cast<long long>(pages) * page_size : 0)
      << ", \"operating_system\": " << quoted(fileField("/etc/os-release", "PRETTY_NAME", '='))
      << ", \"kernel\": " << quoted(kernel) << "}";
  return out.str();
}

std::string compiler() {
#if defined(__clang__)
  return std::string("clang ") + __clang_version__;
#elif defined(__GNUC__)
  return std::string("g++ ") + __VERSION__;
#else
  return "unknown";
#endif
}

}  // namespace

Report::Report() : started(utcNow()) {}

int Report::percentile(const std::vector<int> &sorted, int percent) {
  if (sorted.empty()) return 0;
  long long n = static_cast<long long>(sorted.size());
  long long rank = (percent * n + 99) / 100;  // ceil(percent / 100 * n)
  return sorted[static_cast<std::size_t>(std::max(1LL, std::min(rank, n)) - 1)];
}

std::string Report::toJson() const {
  std::ostringstream out;
  char versions[96];
  std::snprintf(versions, sizeof versions, "\"pingle_version\": %.1f,\n  \"engine_version\": %.2f,\n",
                kPingleVersion, sb::SORBELANE_VERSION);
  out << "{\n  " << versions
      << "  \"build\": " << quoted(SORBELANE_GRID ? "grid" : "simple") << ",\n"
      << "  \"build_type\": " << quoted(PINGLE_BUILD_TYPE) << ",\n"
      << "  \"compiler\": " << quoted(compiler()) << ",\n"
      << "  \"compiler_flags\": " << quoted(PINGLE_COMPILE_FLAGS) << ",\n"
      << "  \"machine\": " << machine() << ",\n"
      << "  \"started\": " << quoted(started) << ",\n"
      << "  \"finished\": " << quoted(utcNow()) << ",\n"
      << "  \"configuration\": " << quoted(configuration) << ",\n"
      << "  \"options\": {";
  for (std::size_t i = 0; i < options.size(); i++)
    out << (i ? ", " : "") << quoted(options[i].first) << ": " << quoted(options[i].second);
  out << "},\n"
      << "  \"test\": " << quoted(particle ? "particle" : "object") << ",\n"
      << "  \"unit\": " << quoted(particle ? "particles" : "objects") << ",\n"
      << "  \"load_unit\": " << burst << ",\n"
      << "  \"iterations\": [";
  for (std::size_t i = 0; i < iterations.size(); i++) {
    const IterationResult &result = iterations[i];
    std::vector<int> sorted = result.step_us;
    std::sort(sorted.begin(), sorted.end());
    out << (i ? "," : "") << "\n    {\"iteration\": " << i + 1
        << ", \"credited\": " << result.credited
        << ", \"load\": " << static_cast<long long>(result.credited) * burst
        << ", \"steps\": " << result.steps
        << ", \"median_us\": " << percentile(sorted, 50) << ", \"p90_us\": " << percentile(sorted, 90)
        << ", \"p99_us\": " << percentile(sorted, 99)
        << ", \"max_us\": " << (sorted.empty() ? 0 : sorted.back()) << "}";
  }
  out << "\n  ],\n  \"pinglemark\": " << pinglemark << "\n}\n";
  return out.str();
}

bool Report::writable(const std::string &path) {
  std::FILE *p_file = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
  if (!p_file) return false;
  std::fclose(p_file);
  return true;
}

int Report::write(const std::string &path) const {
  std::string text = toJson();
  std::FILE *p_file = std::fopen(path.c_str(), "w");
  if (!p_file) return -1;
  bool written = std::fwrite(text.data(), 1, text.size(), p_file) == text.size();
  return std::fclose(p_file) == 0 && written ? 0 : -1;
}
