// A small JSON writer for list and info: objects and arrays written in
// order, with strings escaped. Strings given to it must be UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vor::coffer {

class JsonWriter {
 public:
  void BeginObject(const std::string& key = "");
  void EndObject();
  void BeginArray(const std::string& key = "");
  void EndArray();
  void String(const std::string& key, const std::string& value);
  void Number(const std::string& key, int64_t value);
  void Real(const std::string& key, double value);
  void Bool(const std::string& key, bool value);
  void Null(const std::string& key);

  // The document, ended by a line break.
  std::string Text() const { return out_ + "\n"; }

 private:
  void Key(const std::string& key);

  std::string out_;
  std::vector<bool> first_;  // per open level: no member written yet
};

// value as a JSON string literal.
std::string JsonQuote(const std::string& value);

}  // namespace vor::coffer
