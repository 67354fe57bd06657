// The readers of text formats: match() and AttributeList against a plain
// reading of the attribute-string grammar on seeded random strings, and the
// number reader's rules against the C library's own conversions.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "AttributeList.h"
#include "utility.h"

namespace {

// The grammar read the simplest way: blanks out, elements at commas (empty
// ones skipped), parts at colon runs, an element of colons only stops.
struct Plain {
  std::string key, value;
  bool escaped;
};

std::vector<Plain> plainRead(const std::string &text) {
  std::string compact;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) compact += c;
  std::vector<Plain> out;
  size_t at = 0;
  while (at <= compact.size()) {
    size_t comma = compact.find(',', at);
    if (comma == std::string::npos) comma = compact.size();
    std::string element = compact.substr(at, comma - at);
    at = comma + 1;
    if (element.empty()) continue;
    std::vector<std::string> parts;
    std::string part;
    for (char c : element + ":") {
      if (c != ':') {
        part += c;
      } else if (!part.empty()) {
        parts.push_back(part);
        part.clear();
      }
    }
    if (parts.empty()) break;
    out.push_back({parts[0], parts.size() > 1 ? parts[1] : "", parts.size() > 2 && parts[2] == "%"});
  }
  return out;
}

std::string decoded(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Both readers agree with the plain reading, and so with each other: match()
// gives the value as written, AttributeList decodes the escaped ones.
TEST(AttributeReaders, MatchAndListAgreeOnRandomStrings) {
  std::mt19937 gen(39);
  const std::string alphabet = "ab::,, %2C\t";
  const char *const keys[] = {"a", "b", "ab", "ba", "aa", "%", "%2C", "a%2Cb", "x"};
  for (int round = 0; round < 3000; round++) {
    std::string text;
    int length = 1 + static_cast<int>(gen() % 24);  // match("") searches the last parse
    for (int i = 0; i < length; i++) text += alphabet[gen() % alphabet.size()];
    std::vector<Plain> plain = plainRead(text);
    sb::AttributeList list(text);
    ASSERT_EQ(list.getCount(), static_cast<int>(plain.size())) << text;
    for (const char *key : keys) {
      const Plain *p_first = nullptr;
      for (const Plain &p : plain)
        if (p.key == key) {
          p_first = &p;
          break;
        }
      std::string as_written = p_first ? p_first->value : "";
      EXPECT_EQ(sb::match(text, key), as_written) << text << " key " << key;
      EXPECT_EQ(list.has(key), p_first != nullptr) << text << " key " << key;
      EXPECT_EQ(list.value(key), p_first && p_first->escaped ? decoded(as_written) : as_written)
          << text << " key " << key;
    }
  }
  // The case that set the two apart: as written for match(), decoded for the list.
  EXPECT_EQ(sb::match("type:a%2Cb:%", "type"), "a%2Cb");
  EXPECT_EQ(sb::AttributeList("type:a%2Cb:%").value("type"), "a,b");
}

// One table of each rule's verdicts and values, the cases each reader relied on.
TEST(NumberReader, RulesTable) {
  using sb::NumberRule;
  struct Case {
    const char *text;
    NumberRule rule;
    bool ok;
    long long value;
  };
  const Case cases[] = {
      {"12abc", NumberRule::PREFIX, true, 12},      {"12abc", NumberRule::WHOLE, false, 12},
      {"abc", NumberRule::PREFIX, true, 0},         {"", NumberRule::WHOLE, false, 0},
      {" 7", NumberRule::WHOLE, true, 7},           {" 7", NumberRule::PLAIN, false, 7},
      {"+7", NumberRule::PLAIN, false, 7},          {"-7", NumberRule::PLAIN, true, -7},
      {"-", NumberRule::PLAIN, false, 0},           {"12345678901", NumberRule::PLAIN, true, 12345678901LL},
      {"-1234567890", NumberRule::PLAIN, true, -1234567890LL},
      {"123456789012", NumberRule::PLAIN, false, 123456789012LL},
      {"99999999999999999999", NumberRule::PREFIX, true, LLONG_MAX},
      {"7 ", NumberRule::WHOLE, false, 7},          {"0x10", NumberRule::WHOLE, false, 0},
  };
  for (const Case &c : cases) {
    long long value = -99;
    EXPECT_EQ(sb::readNumber(c.text, value, c.rule), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
  }
  float f = 0;
  EXPECT_TRUE(sb::readNumber("1.5e3", f, NumberRule::PLAIN));
  EXPECT_EQ(f, 1500.0f);
  EXPECT_FALSE(sb::readNumber("inf", f, NumberRule::PLAIN));
  EXPECT_TRUE(sb::readNumber("inf", f, NumberRule::WHOLE));
  int i = 5;
  EXPECT_TRUE(sb::readInt("12abc", i));  // attribute values read by PREFIX
  EXPECT_EQ(i, 12);
  EXPECT_FALSE(sb::readInt("3000000000", i));
}

// On random texts each rule is the C library's reading plus its own test of
// how much of the text the number fills.
TEST(NumberReader, RulesFollowTheLibraryOnRandomTexts) {
  std::mt19937 gen(40);
  const std::string alphabet = "0123456789-+.e x";
  const sb::NumberRule rules[] = {sb::NumberRule::PREFIX, sb::NumberRule::WHOLE,
                                  sb::NumberRule::PLAIN};
  for (int round = 0; round < 5000; round++) {
    std::string text;
    int length = static_cast<int>(gen() % 28);
    for (int k = 0; k < length; k++) text += alphabet[gen() % alphabet.size()];
    char *end_ll = nullptr, *end_d = nullptr, *end_f = nullptr;
    long long want_ll = std::strtoll(text.c_str(), &end_ll, 10);
    double want_d = std::strtod(text.c_str(), &end_d);
    float want_f = std::strtof(text.c_str(), &end_f);
    auto whole = [&](const char *end) { return !text.empty() && *end == '\0'; };
    bool plain_int = text.size() <= 11 && text.find_first_not_of("-0123456789") == std::string::npos;
    bool plain_fraction =
        text.size() <= 24 && text.find_first_not_of("+-.e0123456789") == std::string::npos;
    for (sb::NumberRule rule : rules) {
      long long ll = 0;
      double d = 0;
      float f = 0;
      bool ok_ll = sb::readNumber(text, ll, rule), ok_d = sb::readNumber(text, d, rule),
           ok_f = sb::readNumber(text, f, rule);
      EXPECT_EQ(ll, want_ll) << text;
      EXPECT_TRUE(d == want_d || (std::isnan(d) && std::isnan(want_d))) << text;
      EXPECT_TRUE(f == want_f || (std::isnan(f) && std::isnan(want_f))) << text;
      bool prefix = rule == sb::NumberRule::PREFIX, plain = rule == sb::NumberRule::PLAIN;
      EXPECT_EQ(ok_ll, prefix || (whole(end_ll) && (!plain || plain_int))) << text;
      EXPECT_EQ(ok_d, prefix || (whole(end_d) && (!plain || plain_fraction))) << text;
      EXPECT_EQ(ok_f, prefix || (whole(end_f) && (!plain || plain_fraction))) << text;
    }
  }
}

}  // namespace
