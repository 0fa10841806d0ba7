#include "bridge/json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/json_text.h"

namespace lq::bridge {
namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr int kMaxDepth = 32;

class Parser {
  public:
    explicit Parser(std::string_view t) : t_(t) {}

    bool Document(JsonValue& v, std::string& error) {
        SkipBlanks();
        if (!Value(v, 0)) {
            error = error_ + " at byte " + std::to_string(pos_);
            return false;
        }
        SkipBlanks();
        if (pos_ != t_.size()) {
            error = "unexpected text after the JSON value at byte " + std::to_string(pos_);
            return false;
        }
        return true;
    }

  private:
    bool Fail(const char* what) {
        error_ = what;
        return false;
    }
    void SkipBlanks() {
        while (pos_ < t_.size() &&
               (t_[pos_] == ' ' || t_[pos_] == '\t' || t_[pos_] == '\n' || t_[pos_] == '\r'))
            ++pos_;
    }
    bool Literal(std::string_view word) {
        if (t_.substr(pos_, word.size()) != word) return Fail("invalid literal");
        pos_ += word.size();
        return true;
    }

    bool Value(JsonValue& v, int depth) {
        if (depth > kMaxDepth) return Fail("nesting too deep");
        if (pos_ >= t_.size()) return Fail("unexpected end of text");
        const char c = t_[pos_];
        v = JsonValue{};
        switch (c) {
            case '{':
                return Object(v, depth);
            case '[':
                return Array(v, depth);
            case '"':
                v.type = JsonValue::Type::String;
                return String(v.text);
            case 't':
                v.type = JsonValue::Type::Bool;
                v.boolean = true;
                return Literal("true");
            case 'f':
                v.type = JsonValue::Type::Bool;
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                if (c == '-' || (c >= '0' && c <= '9')) return Number(v);
                return Fail("unexpected character");
        }
    }

    bool Object(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Object;
        ++pos_;
        SkipBlanks();
        if (pos_ < t_.size() && t_[pos_] == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipBlanks();
            if (pos_ >= t_.size() || t_[pos_] != '"') return Fail("expected a member name");
            std::string key;
            if (!String(key)) return false;
            SkipBlanks();
            if (pos_ >= t_.size() || t_[pos_] != ':') return Fail("expected ':'");
            ++pos_;
            SkipBlanks();
            JsonValue member;
            if (!Value(member, depth + 1)) return false;
            v.members.push_back(JsonMember{std::move(key), std::move(member)});
            SkipBlanks();
            if (pos_ >= t_.size()) return Fail("unexpected end of text");
            if (t_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (t_[pos_] == '}') {
                ++pos_;
                return true;
            }
            return Fail("expected ',' or '}'");
        }
    }

    bool Array(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Array;
        ++pos_;
        SkipBlanks();
        if (pos_ < t_.size() && t_[pos_] == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipBlanks();
            JsonValue item;
            if (!Value(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
            SkipBlanks();
            if (pos_ >= t_.size()) return Fail("unexpected end of text");
            if (t_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (t_[pos_] == ']') {
                ++pos_;
                return true;
            }
            return Fail("expected ',' or ']'");
        }
    }

    bool Hex4(uint32_t& cp) {
        if (pos_ + 4 > t_.size()) return Fail("short \\u escape");
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = t_[pos_++];
            cp <<= 4;
            if (h >= '0' && h <= '9')
                cp |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                cp |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                cp |= static_cast<uint32_t>(h - 'A' + 10);
            else
                return Fail("invalid \\u escape");
        }
        return true;
    }

    bool String(std::string& out) {
        ++pos_;  // the opening quote
        for (;;) {
            if (pos_ >= t_.size()) return Fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(t_[pos_++]);
            if (c == '"') return true;
            if (c < 0x20) return Fail("control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos_ >= t_.size()) return Fail("unterminated string");
            const char e = t_[pos_++];
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t cp = 0;
                    if (!Hex4(cp)) return false;
                    if (cp >= 0xD800 && cp < 0xDC00) {
                        uint32_t low = 0;
                        if (t_.substr(pos_, 2) != "\\u") return Fail("lone surrogate");
                        pos_ += 2;
                        if (!Hex4(low)) return false;
                        if (low < 0xDC00 || low > 0xDFFF) return Fail("lone surrogate");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                        return Fail("lone surrogate");
                    }
                    AppendUtf8(out, cp);
                    break;
                }
                default:
                    return Fail("invalid escape");
            }
        }
    }

    bool Number(JsonValue& v) {
        const size_t start = pos_;
        if (t_[pos_] == '-') ++pos_;
        auto digits = [&] {
            const size_t s = pos_;
            while (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9') ++pos_;
            return pos_ - s;
        };
        if (pos_ < t_.size() && t_[pos_] == '0') {
            ++pos_;
        } else if (digits() == 0) {
            return Fail("invalid number");
        }
        if (pos_ < t_.size() && t_[pos_] == '.') {
            ++pos_;
            if (digits() == 0) return Fail("invalid number");
        }
        if (pos_ < t_.size() && (t_[pos_] == 'e' || t_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < t_.size() && (t_[pos_] == '+' || t_[pos_] == '-')) ++pos_;
            if (digits() == 0) return Fail("invalid number");
        }
        if (pos_ - start > 64) return Fail("number too long");
        const std::string token(t_.substr(start, pos_ - start));
        v.type = JsonValue::Type::Number;
        v.number = std::strtod(token.c_str(), nullptr);
        if (!std::isfinite(v.number)) return Fail("number out of range");
        return true;
    }

    std::string_view t_;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace

void JsonWriter::Separate() {
    if (needComma_) out_ += ',';
    needComma_ = true;
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    out_ += '{';
    needComma_ = false;
    return *this;
}
JsonWriter& JsonWriter::EndObject() {
    out_ += '}';
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::BeginArray() {
    Separate();
    out_ += '[';
    needComma_ = false;
    return *this;
}
JsonWriter& JsonWriter::EndArray() {
    out_ += ']';
    needComma_ = true;
    return *this;
}
JsonWriter& JsonWriter::Key(std::string_view name) {
    Separate();
    AppendJsonString(out_, Cp1252ToUtf8(name));
    out_ += ':';
    needComma_ = false;
    return *this;
}
JsonWriter& JsonWriter::String(std::string_view cp1252Text) {
    Separate();
    AppendJsonString(out_, Cp1252ToUtf8(cp1252Text));
    return *this;
}
JsonWriter& JsonWriter::Utf8String(std::string_view utf8Text) {
    Separate();
    AppendJsonString(out_, utf8Text);
    return *this;
}
JsonWriter& JsonWriter::Int(int64_t v) {
    Separate();
    out_ += std::to_string(v);
    return *this;
}
JsonWriter& JsonWriter::Number(double v) {
    Separate();
    if (!std::isfinite(v)) {
        out_ += "null";
        return *this;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    // Shortest text that reads back as the same double.
    for (int precision = 1; precision <= 17; ++precision) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, v);
        if (std::strtod(shorter, nullptr) == v) {
            out_ += shorter;
            return *this;
        }
    }
    out_ += buf;
    return *this;
}
JsonWriter& JsonWriter::Bool(bool v) {
    Separate();
    out_ += v ? "true" : "false";
    return *this;
}
JsonWriter& JsonWriter::Null() {
    Separate();
    out_ += "null";
    return *this;
}
JsonWriter& JsonWriter::Raw(std::string_view json) {
    Separate();
    out_ += json;
    return *this;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    if (type != Type::Object) return nullptr;
    for (const auto& m : members)
        if (m.first == key) return &m.second;
    return nullptr;
}

bool JsonValue::IsInteger(int64_t lo, int64_t hi) const {
    if (type != Type::Number || number != std::floor(number)) return false;
    return number >= static_cast<double>(lo) && number <= static_cast<double>(hi);
}

bool ParseJson(std::string_view text, JsonValue& out, std::string& error) {
    JsonValue v;
    Parser p(text);
    if (!p.Document(v, error)) return false;
    out = std::move(v);
    return true;
}

}  // namespace lq::bridge
