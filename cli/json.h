// A small JSON writer for the tool's reports: objects, arrays, strings and
// numbers, two-blank indentation. The program's texts are Windows-1252 (the
// sensor's name, its firmware text); strings are converted to UTF-8 here, so
// a report is valid JSON whatever bytes a sensor sends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lq::cli {

// `text` (Windows-1252) as a quoted JSON string in UTF-8.
std::string JsonQuote(std::string_view text);

class JsonWriter {
  public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member of an object.
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::string_view text);
    JsonWriter& Int(int64_t value);
    JsonWriter& Double(double value);  // finite values; others are written as null
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // The document, ending in a line break once the outermost value is closed.
    const std::string& Text() const { return out_; }

  private:
    void BeforeValue();
    void Close(char bracket);
    void NewLine();

    std::string out_;
    // Per open object/array: whether it has a member yet.
    std::vector<bool> hasMember_;
    bool afterKey_ = false;
};

}  // namespace lq::cli
