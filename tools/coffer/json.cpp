// The JSON writer.
#include "json.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace vor::coffer {

std::string JsonQuote(const std::string& value) {
  std::string out = "\"";
  for (unsigned char c : value) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void JsonWriter::Key(const std::string& key) {
  if (!first_.empty()) {
    if (!first_.back()) out_ += ",";
    first_.back() = false;
    out_ += "\n" + std::string(2 * first_.size(), ' ');
  }
  if (!key.empty()) out_ += JsonQuote(key) + ": ";
}

void JsonWriter::BeginObject(const std::string& key) {
  Key(key);
  out_ += "{";
  first_.push_back(true);
}

void JsonWriter::EndObject() {
  const bool empty = first_.back();
  first_.pop_back();
  if (!empty) out_ += "\n" + std::string(2 * first_.size(), ' ');
  out_ += "}";
}

void JsonWriter::BeginArray(const std::string& key) {
  Key(key);
  out_ += "[";
  first_.push_back(true);
}

void JsonWriter::EndArray() {
  const bool empty = first_.back();
  first_.pop_back();
  if (!empty) out_ += "\n" + std::string(2 * first_.size(), ' ');
  out_ += "]";
}

void JsonWriter::String(const std::string& key, const std::string& value) {
  Key(key);
  out_ += JsonQuote(value);
}

void JsonWriter::Number(const std::string& key, int64_t value) {
  Key(key);
  out_ += std::to_string(value);
}

void JsonWriter::Real(const std::string& key, double value) {
  Key(key);
  if (!std::isfinite(value)) {
    out_ += "null";
    return;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", value);
  out_ += buf;
}

void JsonWriter::Bool(const std::string& key, bool value) {
  Key(key);
  out_ += value ? "true" : "false";
}

void JsonWriter::Null(const std::string& key) {
  Key(key);
  out_ += "null";
}

}  // namespace vor::coffer
