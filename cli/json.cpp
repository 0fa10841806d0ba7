#include "cli/json.h"

#include <cmath>
#include <cstdio>

#include "data/json_text.h"
#include "data/text1252.h"

namespace lq::cli {
std::string JsonQuote(std::string_view text) {
    std::string out;
    AppendJsonString(out, Cp1252ToUtf8(text));
    return out;
}

void JsonWriter::NewLine() {
    out_ += '\n';
    out_.append(hasMember_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasMember_.empty()) return;
    if (hasMember_.back()) out_ += ',';
    hasMember_.back() = true;
    NewLine();
}

void JsonWriter::Close(char bracket) {
    const bool any = !hasMember_.empty() && hasMember_.back();
    if (!hasMember_.empty()) hasMember_.pop_back();
    if (any) NewLine();
    out_ += bracket;
    if (hasMember_.empty()) out_ += '\n';
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    out_ += '{';
    hasMember_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    Close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    out_ += '[';
    hasMember_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    Close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    out_ += JsonQuote(name);
    out_ += ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    BeforeValue();
    out_ += JsonQuote(text);
    return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Double(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        out_ += "null";
        return *this;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", value);
    out_ += buf;
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
    return *this;
}

}  // namespace lq::cli
