#include "bridge/config.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "data/ini.h"

namespace lq::bridge {
namespace {

constexpr const char* kBroker = "broker";
constexpr const char* kBridge = "bridge";
constexpr const char* kSensorPrefix = "sensor ";

const char* const kBrokerKeys[] = {"host",     "port",          "client_id", "keepalive",
                                   "username", "password_file", "tls",       "ca_file"};
const char* const kBridgeKeys[] = {"prefix", "commands"};
const char* const kSensorKeys[] = {"label", "address", "rate"};

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

class Reader {
  public:
    Reader(IniDocument* doc, std::vector<ConfigProblem>& problems)
        : doc_(doc), problems_(problems) {}

    void Problem(int line, std::string text) { problems_.push_back({line, std::move(text)}); }

    // Checks the keys of a section: known, not repeated.
    void CheckKeys(const IniSection& s, const char* const* keys, size_t count) {
        for (size_t i = 0; i < s.items.size(); ++i) {
            const IniItem& item = s.items[i];
            bool known = false;
            for (size_t k = 0; k < count; ++k) known = known || SameName(item.tag, keys[k]);
            if (!known) Problem(item.line, "unknown key '" + item.tag + "' in [" + s.name + "]");
            for (size_t j = 0; j < i; ++j) {
                if (SameName(s.items[j].tag, item.tag)) {
                    Problem(item.line, "key '" + item.tag + "' repeated (first on line " +
                                           std::to_string(s.items[j].line) + ")");
                    break;
                }
            }
        }
    }

    const IniItem* Item(const IniSection& s, const char* key) {
        for (const IniItem& i : s.items)
            if (SameName(i.tag, key)) return &i;
        return nullptr;
    }

    // The decoded text of a key; false when it is missing.
    bool Text(const IniSection& s, const char* key, std::string& out) {
        if (!Item(s, key)) return false;
        char buf[1024];
        if (Ini_GetStringIntoBuffer(doc_, s.name, key, buf, sizeof buf) != 1) return false;
        out = buf;
        return true;
    }

    void Int(const IniSection& s, const char* key, int lo, int hi, int& out) {
        const IniItem* item = Item(s, key);
        if (!item) return;
        int32_t v = 0;
        if (Ini_GetInt(doc_, s.name, key, &v) != 1 || v < lo || v > hi) {
            Problem(item->line, std::string(key) + " must be a whole number from " +
                                    std::to_string(lo) + " to " + std::to_string(hi));
            return;
        }
        out = v;
    }

    void Switch(const IniSection& s, const char* key, bool& out) {
        std::string v;
        if (!Text(s, key, v)) return;
        if (SameName(v, "on") || SameName(v, "yes") || SameName(v, "true") || v == "1")
            out = true;
        else if (SameName(v, "off") || SameName(v, "no") || SameName(v, "false") || v == "0")
            out = false;
        else
            Problem(Item(s, key)->line, std::string(key) + " must be on or off, not '" + v + "'");
    }

    // A file that must be readable; returns its first line.
    bool ReadableFile(const IniSection& s, const char* key, const std::string& path,
                      std::string* firstLine) {
        std::ifstream in(path);
        if (!in) {
            Problem(Item(s, key)->line, std::string(key) + ": cannot read '" + path + "'");
            return false;
        }
        if (firstLine) {
            std::getline(in, *firstLine);
            if (!firstLine->empty() && firstLine->back() == '\r') firstLine->pop_back();
        }
        return true;
    }

  private:
    IniDocument* doc_;
    std::vector<ConfigProblem>& problems_;
};

// Lines the INI store would pass over without a word: text that is neither a
// section header, a "key = value" pair nor a comment, and keys without a
// value. In a configuration they are mistakes, so they are named.
void LintLines(const std::string& path, std::vector<ConfigProblem>& problems) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    auto isEnd = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
    int number = 0;
    size_t pos = 0;
    char previousEnd = 0;
    bool inSection = false;
    while (pos < text.size()) {
        // The store's line rule: CR, LF and NUL end a line, and a line end
        // that differs from the one before it is the second half of a pair.
        if (isEnd(text[pos]) && text[pos] != previousEnd && ++pos == text.size()) break;
        size_t end = pos;
        while (end < text.size() && !isEnd(text[end])) ++end;
        ++number;
        const std::string line = Trim(text.substr(pos, end - pos));
        if (end < text.size()) previousEnd = text[end];
        pos = end < text.size() ? end + 1 : end;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.back() != ']' || Trim(line.substr(1, line.size() - 2)).empty())
                problems.push_back({number, "malformed section header '" + line + "'"});
            inSection = true;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            problems.push_back({number, "expected 'key = value', found '" + line + "'"});
        } else if (Trim(line.substr(0, eq)).empty()) {
            problems.push_back({number, "missing key before '='"});
        } else if (Trim(line.substr(eq + 1)).empty()) {
            problems.push_back({number, "key '" + Trim(line.substr(0, eq)) + "' has no value"});
        } else if (!inSection) {
            problems.push_back(
                {number, "key '" + Trim(line.substr(0, eq)) + "' is outside any section"});
        }
    }
}

bool ValidPrefix(const std::string& prefix) {
    if (prefix.empty()) return false;
    size_t start = 0;
    for (;;) {
        const size_t slash = prefix.find('/', start);
        const std::string level =
            prefix.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!ValidTopicLevel(level)) return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

}  // namespace

bool ValidTopicLevel(const std::string& level) {
    if (level.empty() || level.size() > 128) return false;
    for (unsigned char c : level)
        if (c == '/' || c == '+' || c == '#' || c < 0x21 || c == 0x7F) return false;
    return true;
}

bool IsLoopbackHost(const std::string& host) {
    if (SameName(host, "localhost") || host == "::1" || host == "[::1]") return true;
    // 127.0.0.0/8 written as a dotted quad.
    int parts = 0;
    int first = -1;
    size_t i = 0;
    while (i <= host.size()) {
        size_t j = i;
        int v = 0;
        while (j < host.size() && host[j] >= '0' && host[j] <= '9' && j - i < 3)
            v = v * 10 + (host[j++] - '0');
        if (j == i || v > 255) return false;
        if (parts == 0) first = v;
        ++parts;
        if (j == host.size()) break;
        if (host[j] != '.') return false;
        i = j + 1;
    }
    return parts == 4 && first == 127;
}

std::string FormatProblem(const std::string& path, const ConfigProblem& p) {
    if (p.line > 0) return path + ":" + std::to_string(p.line) + ": " + p.text;
    return path + ": " + p.text;
}

std::vector<ConfigProblem> ReadBridgeConfig(const std::string& path, BridgeConfig& config) {
    std::vector<ConfigProblem> problems;
    // Swapped in rather than assigned from a temporary: GCC 12 at -O3 takes the
    // temporary's strings for uninitialised (a false -Wmaybe-uninitialized).
    {
        BridgeConfig fresh;
        std::swap(config, fresh);
    }
    IniHandle doc = Ini_NewHandle();
    if (!doc) return {{0, "out of memory"}};
    const int r = Ini_ReadFromFile(doc.get(), path);
    if (r < 0) return {{0, "cannot read the file (error " + std::to_string(r) + ")"}};
    LintLines(path, problems);

    Reader rd(doc.get(), problems);
    const IniSection* broker = nullptr;
    const IniSection* bridge = nullptr;
    std::vector<const IniSection*> sensors;
    for (size_t i = 0; i < doc->sections.size(); ++i) {
        const IniSection& s = doc->sections[i];
        for (size_t j = 0; j < i; ++j) {
            if (SameName(doc->sections[j].name, s.name)) {
                rd.Problem(s.line, "section [" + s.name + "] repeated (first on line " +
                                       std::to_string(doc->sections[j].line) + ")");
                break;
            }
        }
        if (SameName(s.name, kBroker)) {
            if (!broker) broker = &s;
            rd.CheckKeys(s, kBrokerKeys, std::size(kBrokerKeys));
        } else if (SameName(s.name, kBridge)) {
            if (!bridge) bridge = &s;
            rd.CheckKeys(s, kBridgeKeys, std::size(kBridgeKeys));
        } else if (StartsWithNoCase(s.name, kSensorPrefix)) {
            sensors.push_back(&s);
            rd.CheckKeys(s, kSensorKeys, std::size(kSensorKeys));
        } else {
            rd.Problem(s.line, "unknown section [" + s.name +
                                   "] (expected [broker], [bridge] or [sensor NAME])");
        }
    }

    BrokerConfig& b = config.broker;
    if (!broker) {
        rd.Problem(0, "missing section [broker]");
    } else {
        const IniSection& s = *broker;
        rd.Text(s, "host", b.host);
        if (b.host.empty()) rd.Problem(s.line, "host must not be empty");
        rd.Int(s, "port", 1, 65535, b.port);
        if (rd.Text(s, "client_id", b.clientId) && (b.clientId.empty() || b.clientId.size() > 200))
            rd.Problem(rd.Item(s, "client_id")->line, "client_id must have 1 to 200 characters");
        rd.Int(s, "keepalive", 5, 65535, b.keepalive);
        rd.Text(s, "username", b.username);
        if (rd.Text(s, "password_file", b.passwordFile)) {
            if (b.username.empty())
                rd.Problem(rd.Item(s, "password_file")->line, "password_file needs a username");
            rd.ReadableFile(s, "password_file", b.passwordFile, &b.password);
        }
        rd.Switch(s, "tls", b.tls);
        if (rd.Text(s, "ca_file", b.caFile)) {
            if (!b.tls) rd.Problem(rd.Item(s, "ca_file")->line, "ca_file is set but tls is off");
            rd.ReadableFile(s, "ca_file", b.caFile, nullptr);
        } else if (b.tls) {
            rd.Problem(rd.Item(s, "tls")->line, "tls = on needs a ca_file");
        }
    }

    if (bridge) {
        const IniSection& s = *bridge;
        if (rd.Text(s, "prefix", config.prefix) && !ValidPrefix(config.prefix))
            rd.Problem(rd.Item(s, "prefix")->line,
                       "prefix '" + config.prefix +
                           "' is not a topic: no '+', '#', blanks or empty levels");
        rd.Switch(s, "commands", config.commands);
        if (config.commands && broker && !IsLoopbackHost(b.host) && (!b.tls || b.username.empty()))
            rd.Problem(rd.Item(s, "commands")->line,
                       "commands = on with the broker '" + b.host +
                           "' that is not on this machine needs tls = on and a username");
    }

    if (sensors.empty()) rd.Problem(0, "no [sensor NAME] section: nothing to publish");
    for (const IniSection* sp : sensors) {
        const IniSection& s = *sp;
        SensorConfig sc;
        sc.line = s.line;
        sc.label = Trim(s.name.substr(std::string(kSensorPrefix).size()));
        rd.Text(s, "label", sc.label);
        if (!ValidTopicLevel(sc.label)) {
            const IniItem* li = rd.Item(s, "label");
            rd.Problem(
                li ? li->line : s.line,
                "label '" + sc.label + "' cannot be a topic level: no '/', '+', '#' or blanks");
        }
        for (const SensorConfig& other : config.sensors) {
            if (other.label == sc.label) {
                rd.Problem(s.line, "label '" + sc.label +
                                       "' used twice (first in the section on line " +
                                       std::to_string(other.line) + ")");
                break;
            }
        }
        if (!rd.Text(s, "address", sc.addressText)) {
            rd.Problem(s.line, "[" + s.name + "] has no address");
        } else {
            std::string error;
            if (!ParseSensorAddress(sc.addressText, sc.address, error))
                rd.Problem(rd.Item(s, "address")->line, "address: " + error);
        }
        std::string rate;
        if (rd.Text(s, "rate", rate)) {
            char* end = nullptr;
            const double v = std::strtod(rate.c_str(), &end);
            if (end == rate.c_str() || *end != '\0' || !(v >= 0) || v > 100000)
                rd.Problem(
                    rd.Item(s, "rate")->line,
                    "rate must be a number of records per second from 0 (no limit) to 100000");
            else
                sc.rate = v;
        }
        config.sensors.push_back(std::move(sc));
    }
    // Problems in the order of the file.
    std::stable_sort(
        problems.begin(), problems.end(),
        [](const ConfigProblem& x, const ConfigProblem& y) { return x.line < y.line; });
    return problems;
}

}  // namespace lq::bridge
