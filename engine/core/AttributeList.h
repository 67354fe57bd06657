#ifndef SORBELANE_ATTRIBUTE_LIST_H
#define SORBELANE_ATTRIBUTE_LIST_H

#include <string>
#include <unordered_map>
#include <vector>

namespace sb {

/// One attribute string parsed into a list of its own, read as match() reads
/// it (blanks removed, elements at commas, key and value at colon runs, an
/// element of colons only ending the list), so that many lookups cost one
/// parse and nothing else (another match() call) can change what is found.
///
/// A value holding a comma, colon or blank cannot be written plainly. escape()
/// writes such a value with those characters and '%' as `%XX` and a third part
/// `%` after it (`key:a%2Cb:%`), which match() ignores; value() decodes it.
/// Every other value is written and read unchanged.
///
/// read() is the one reader of attribute strings: match() and this list both
/// take their elements from it.
class AttributeList {
 public:
  /// One element of an attribute string as read().
  struct Element {
    std::string key;        ///< The first colon part, blanks removed.
    std::string value;      ///< The second colon part, blanks removed; "" when there is none.
    std::string raw_value;  ///< The second part as written, blanks inside kept, ends trimmed.
    bool escaped = false;   ///< A third part "%" follows: the value is written escaped.
  };

  /// Reads str into its elements, in order: split at commas (elements of
  /// blanks skipped), each element split at runs of colons (parts of blanks
  /// skipped); an element of colons only ends the reading. Values are not
  /// decoded. When p_texts is given it receives each element's text without
  /// blanks, the one that ended the reading included.
  static std::vector<Element> read(const std::string &str,
                                   std::vector<std::string> *p_texts = nullptr);

 private:
  std::vector<Element> elements;                  // values decoded where escaped
  std::unordered_map<std::string, size_t> first;  // key -> its first element

 public:
  /// Parses str, "key:value,key:value,..."; never fails.
  explicit AttributeList(const std::string &str);

  /// Returns the number of elements parsed.
  int getCount() const { return static_cast<int>(elements.size()); }
  /// True when some element has this key (its value may be "").
  bool has(const std::string &key) const { return first.count(key) != 0; }
  /// The value of the first element with this key; "" if there is none.
  std::string value(const std::string &key) const;
  /// The same value with the blanks inside it kept, for texts written with blanks.
  std::string rawValue(const std::string &key) const;

  /// The text to write after "key:" so that value() gives the value back.
  static std::string escape(const std::string &value);
};

}  // namespace sb

#endif
