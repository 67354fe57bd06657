#include "AttributeList.h"

#include <cctype>

#include "utility.h"

namespace sb {

namespace {

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool needsEscape(char c) { return c == ',' || c == ':' || isBlank(c); }

std::string withoutBlanks(const std::string &text) {
  std::string compact;
  compact.reserve(text.size());
  for (char c : text)
    if (!isBlank(c)) compact += c;
  return compact;
}

std::string trimmed(const std::string &text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) begin++;
  while (end > begin && isBlank(text[end - 1])) end--;
  return text.substr(begin, end - begin);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// %XX back to its byte; a '%' not followed by two hex digits stays as it is.
std::string unescape(const std::string &text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); i++) {
    int high = -1, low = -1;
    if (text[i] == '%' && i + 2 < text.size()) {
      high = hexDigit(text[i + 1]);
      low = hexDigit(text[i + 2]);
    }
    if (high >= 0 && low >= 0) {
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::vector<AttributeList::Element> AttributeList::read(const std::string &str,
                                                        std::vector<std::string> *p_texts) {
  // Blanks never hold commas, so the elements of the text with and without
  // blanks are the same; colon parts made of blanks only vanish without them.
  std::vector<Element> read_elements;
  for (const std::string &raw_element : splitRuns(str, ',')) {
    std::string text = withoutBlanks(raw_element);
    if (text.empty()) continue;  // a blank element is skipped
    if (p_texts) p_texts->push_back(text);
    std::vector<std::string> raw_parts;
    for (const std::string &part : splitRuns(raw_element, ':'))
      if (!withoutBlanks(part).empty()) raw_parts.push_back(part);
    if (raw_parts.empty()) break;  // colons only end the list
    Element element;
    element.key = withoutBlanks(raw_parts[0]);
    if (raw_parts.size() > 1) {
      element.value = withoutBlanks(raw_parts[1]);
      element.raw_value = trimmed(raw_parts[1]);
      element.escaped = raw_parts.size() > 2 && withoutBlanks(raw_parts[2]) == "%";
    }
    read_elements.push_back(std::move(element));
  }
  return read_elements;
}

AttributeList::AttributeList(const std::string &str) : elements(read(str)) {
  for (size_t i = 0; i < elements.size(); i++) {
    Element &element = elements[i];
    if (element.escaped) {
      element.value = unescape(element.value);
      element.raw_value = element.value;
    }
    first.emplace(element.key, i);
  }
}

std::string AttributeList::value(const std::string &key) const {
  auto found = first.find(key);
  return found == first.end() ? std::string() : elements[found->second].value;
}

std::string AttributeList::rawValue(const std::string &key) const {
  auto found = first.find(key);
  return found == first.end() ? std::string() : elements[found->second].raw_value;
}

std::string AttributeList::escape(const std::string &value) {
  bool plain = true;
  for (char c : value)
    if (needsEscape(c)) plain = false;
  if (plain) return value;
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size() * 3 + 2);
  for (char c : value) {
    if (needsEscape(c) || c == '%') {
      unsigned char byte = static_cast<unsigned char>(c);
      out += '%';
      out += digits[byte >> 4];
      out += digits[byte & 15];
    } else {
      out += c;
    }
  }
  return out + ":%";
}

}  // namespace sb
