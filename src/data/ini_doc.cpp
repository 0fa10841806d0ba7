// The document model: creation, puts, lookups and gets.
#include <new>

#include "data/ini.h"
#include "data/ini_detail.h"

namespace lq {
namespace ini_detail {

std::string_view TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(static_cast<unsigned char>(s[i]))) ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && IsBlank(static_cast<unsigned char>(s[n - 1]))) --n;
    return s.substr(0, n);
}

std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}

namespace {
unsigned char FoldAsciiCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}
}  // namespace

// `key` is already trimmed. Stored names are trimmed by puts and reads, so
// trimming them is rarely needed. Compared from the end: names of a document
// often share long beginnings (TEACH VECTOR 0 ... TEACH VECTOR 63).
bool MatchesKey(std::string_view stored, std::string_view key) {
    if (!stored.empty() && (IsBlank(static_cast<unsigned char>(stored.front())) ||
                            IsBlank(static_cast<unsigned char>(stored.back()))))
        stored = Trim(stored);
    if (stored.size() != key.size()) return false;
    for (size_t i = key.size(); i-- > 0;) {
        const auto a = static_cast<unsigned char>(stored[i]);
        const auto b = static_cast<unsigned char>(key[i]);
        if (a != b && FoldAsciiCase(a) != FoldAsciiCase(b)) return false;
    }
    return true;
}

bool NamesMatch(std::string_view a, std::string_view b) {
    return MatchesKey(a, Trim(b));
}

IniSection* FindSection(IniDocument* doc, std::string_view name) {
    name = Trim(name);
    auto& sections = doc->sections;
    const int last = doc->lastFoundSection;
    // Sections are only ever appended, so the remembered section is still the
    // first one of its name.
    if (last >= 0 && static_cast<size_t>(last) < sections.size() &&
        MatchesKey(sections[last].name, name))
        return &sections[last];
    for (size_t i = 0; i < sections.size(); ++i) {
        if (MatchesKey(sections[i].name, name)) {
            doc->lastFoundSection = static_cast<int>(i);
            return &sections[i];
        }
    }
    return nullptr;
}

const IniItem* FindItem(IniDocument* doc, std::string_view section, std::string_view tag) {
    const IniSection* s = FindSection(doc, section);
    if (!s) return nullptr;
    tag = Trim(tag);
    for (const IniItem& item : s->items) {
        if (MatchesKey(item.tag, tag)) return &item;
    }
    return nullptr;
}

std::string EscapeValue(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += kHex[c >> 4];
                    out += kHex[c & 0x0F];
                } else {
                    out += ch;
                }
        }
    }
    return out;
}

namespace {
int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

// Decodes `stored` and hands every produced byte to `emit`, which returns
// false to stop early.
template <typename Emit>
void Decode(std::string_view stored, Emit emit) {
    const size_t n = stored.size();
    for (size_t i = 0; i < n; ++i) {
        char c = stored[i];
        if (c == '\\') {
            if (i + 1 >= n) return;  // a trailing backslash gives nothing
            const char e = stored[++i];
            switch (e) {
                case 'n':
                    c = '\n';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 't':
                    c = '\t';
                    break;
                case 'x': {
                    // Only a complete \xhh is a byte value; a short or
                    // non-hexadecimal one falls back to the plain rule and
                    // gives the "x" itself.
                    const int hi = i + 1 < n ? HexDigitValue(stored[i + 1]) : -1;
                    const int lo = i + 2 < n ? HexDigitValue(stored[i + 2]) : -1;
                    if (hi >= 0 && lo >= 0) {
                        c = static_cast<char>(hi * 16 + lo);
                        i += 2;
                    } else {
                        c = 'x';
                    }
                    break;
                }
                default:
                    c = e;
                    break;
            }
        }
        if (!emit(c)) return;
    }
}
}  // namespace

size_t DecodeValue(std::string_view stored, char* out, size_t capacity) {
    size_t used = 0;
    if (capacity == 0) return 0;
    Decode(stored, [&](char c) {
        out[used++] = c;
        return used < capacity;
    });
    return used;
}

std::string DecodeValue(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    Decode(stored, [&](char c) {
        out += c;
        return true;
    });
    return out;
}

IntParse StrToInt(std::string_view s, int32_t* value) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n && IsBlank(static_cast<unsigned char>(s[i]))) ++i;
    if (i == n) return IntParse::kBlank;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') {
        negative = s[i] == '-';
        ++i;
    }
    if (i == n || !IsDigit(static_cast<unsigned char>(s[i]))) return IntParse::kInvalid;
    // Accumulate up to just past the int32 range and stop growing there, so
    // that any number of digits is safe.
    constexpr int64_t kCap = int64_t{1} << 31;  // 2147483648
    int64_t magnitude = 0;
    bool tooLarge = false;
    while (i < n && IsDigit(static_cast<unsigned char>(s[i]))) {
        if (!tooLarge) {
            magnitude = magnitude * 10 + (s[i] - '0');
            if (magnitude > kCap) tooLarge = true;
        }
        ++i;
    }
    while (i < n && IsBlank(static_cast<unsigned char>(s[i]))) ++i;
    if (i != n || tooLarge) return IntParse::kInvalid;
    if (!negative && magnitude == kCap) return IntParse::kInvalid;
    *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return IntParse::kValid;
}

}  // namespace ini_detail

using namespace ini_detail;

void IniDocumentDeleter::operator()(IniDocument* d) const {
    Ini_Dispose(d);
}

IniDocument* Ini_New(int automaticSorting) {
    auto* doc = new (std::nothrow) IniDocument;
    if (doc) doc->sorted = automaticSorting != 0;
    return doc;
}

void Ini_Dispose(IniDocument* doc) {
    delete doc;
}

namespace {
int PutValue(IniDocument* doc, std::string_view section, std::string_view tag, std::string value,
             bool quoted) {
    if (!doc) return INI_NULL_ARGUMENT;
    try {
        const std::string_view trimmedTag = Trim(tag);
        IniSection* s = FindSection(doc, section);
        if (!s) {
            doc->sections.push_back(IniSection{std::string(Trim(section)), {}, {}});
            doc->lastFoundSection = static_cast<int>(doc->sections.size() - 1);
            s = &doc->sections.back();
        }
        IniItem item{std::string(trimmedTag), std::move(value), quoted, {}};
        auto& items = s->items;
        if (doc->duplicateChecking) {
            size_t first = items.size();
            for (size_t i = 0; i < items.size(); ++i) {
                if (MatchesKey(items[i].tag, trimmedTag)) {
                    first = i;
                    break;
                }
            }
            if (first < items.size()) {
                // The new item takes the place of the first old one; any
                // further items of the same tag go.
                items[first] = std::move(item);
                size_t out = first + 1;
                for (size_t i = first + 1; i < items.size(); ++i) {
                    if (!MatchesKey(items[i].tag, trimmedTag)) {
                        if (out != i) items[out] = std::move(items[i]);
                        ++out;
                    }
                }
                items.resize(out);
                return INI_OK;
            }
        }
        items.push_back(std::move(item));
        return INI_OK;
    } catch (const std::bad_alloc&) {
        return INI_OUT_OF_MEMORY;
    }
}
}  // namespace

int Ini_PutInt(IniDocument* doc, const std::string& section, const std::string& tag,
               int32_t value) {
    try {
        return PutValue(doc, section, tag, std::to_string(value), false);
    } catch (const std::bad_alloc&) {
        return INI_OUT_OF_MEMORY;
    }
}

int Ini_PutString(IniDocument* doc, const std::string& section, const std::string& tag,
                  const std::string& text) {
    if (!doc) return INI_NULL_ARGUMENT;
    try {
        return PutValue(doc, section, tag, EscapeValue(text), doc->addQuotesToStrings);
    } catch (const std::bad_alloc&) {
        return INI_OUT_OF_MEMORY;
    }
}

int Ini_GetInt(IniDocument* doc, const std::string& section, const std::string& tag,
               int32_t* value) {
    if (!doc || !value) return INI_NULL_ARGUMENT;
    const IniItem* item = FindItem(doc, section, tag);
    if (!item) return 0;
    int32_t parsed = 0;
    switch (StrToInt(item->value, &parsed)) {
        case IntParse::kBlank:
            return 0;
        case IntParse::kInvalid:
            return INI_INVALID_INTEGER;
        case IntParse::kValid:
            break;
    }
    *value = parsed;
    return 1;
}

int Ini_GetStringIntoBuffer(IniDocument* doc, const std::string& section, const std::string& tag,
                            char* buffer, size_t bufferSize) {
    if (buffer && bufferSize > 0) buffer[0] = '\0';
    if (!doc || !buffer || bufferSize == 0) return INI_NULL_ARGUMENT;
    const IniItem* item = FindItem(doc, section, tag);
    if (!item) return 0;
    const size_t used = DecodeValue(item->value, buffer, bufferSize - 1);
    buffer[used] = '\0';
    return 1;
}

}  // namespace lq
