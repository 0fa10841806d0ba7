// A small JSON writer and reader for the bridge's messages. The writer takes
// the program's 8-bit Windows-1252 texts and emits UTF-8; the reader accepts
// strict JSON (RFC 8259) with a depth limit, for command payloads from the
// network.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/text1252.h"

namespace lq::bridge {

// Appends JSON to a string; commas between members and elements are placed
// by the writer.
class JsonWriter {
  public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view name);  // name is ASCII or Windows-1252
    JsonWriter& String(std::string_view cp1252Text);
    JsonWriter& Utf8String(std::string_view utf8Text);  // text that is UTF-8 already
    JsonWriter& Int(int64_t v);
    JsonWriter& Number(double v);  // not finite: null
    JsonWriter& Bool(bool v);
    JsonWriter& Null();
    // A complete JSON text written elsewhere, inserted as one value.
    JsonWriter& Raw(std::string_view json);

    const std::string& Text() const { return out_; }
    std::string Take() { return std::move(out_); }

  private:
    void Separate();
    std::string out_;
    bool needComma_ = false;
};

struct JsonMember;

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;  // in the order of the text

    bool IsObject() const { return type == Type::Object; }
    // The member named `key` of an object (nullptr when absent or not an object).
    const JsonValue* Find(std::string_view key) const;
    // An integral number within [lo, hi].
    bool IsInteger(int64_t lo, int64_t hi) const;
};

struct JsonMember {
    std::string first;  // the name
    JsonValue second;
};

// Parses a whole JSON text. false: `error` names the fault and its byte offset.
bool ParseJson(std::string_view text, JsonValue& out, std::string& error);

}  // namespace lq::bridge
