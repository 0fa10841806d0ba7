#include "session/sensor_address.h"

#include <iterator>
#include <vector>

namespace lq {
namespace {

// The link's baud rates in index order.
constexpr int kBaudRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

// A decimal number of at most 9 digits, nothing else.
bool ParseNumber(std::string_view s, int& value) {
    if (s.empty() || s.size() > 9) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool ValidHostName(std::string_view host) {
    if (host.empty() || host.size() > 255) return false;
    for (char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

bool ValidIpv6(std::string_view host) {
    if (host.empty() || host.size() > 45) return false;
    for (char c : host) {
        const bool ok = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                        (c >= '0' && c <= '9') || c == ':' || c == '.';
        if (!ok) return false;
    }
    return host.find(':') != std::string_view::npos;
}

bool ParseTcp(const std::vector<std::string_view>& w, SensorAddress& out, std::string& error) {
    if (w.size() != 2) {
        error = "expected 'tcp HOST[:PORT]'";
        return false;
    }
    std::string_view address = w[1];
    std::string_view host;
    std::string_view port;
    bool bracketed = false;
    if (address.front() == '[') {
        const size_t close = address.find(']');
        if (close == std::string_view::npos) {
            error = "missing ']' after the IPv6 address";
            return false;
        }
        host = address.substr(1, close - 1);
        std::string_view rest = address.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                error = "expected ':PORT' after ']'";
                return false;
            }
            port = rest.substr(1);
            if (port.empty()) {
                error = "missing port number after ':'";
                return false;
            }
        }
        bracketed = true;
    } else {
        const size_t colon = address.find(':');
        if (colon != std::string_view::npos &&
            address.find(':', colon + 1) != std::string_view::npos) {
            error = "an IPv6 address must be written in brackets: [ADDRESS]:PORT";
            return false;
        }
        host = address.substr(0, colon);
        if (colon != std::string_view::npos) {
            port = address.substr(colon + 1);
            if (port.empty()) {
                error = "missing port number after ':'";
                return false;
            }
        }
    }
    if (bracketed ? !ValidIpv6(host) : !ValidHostName(host)) {
        error = "invalid host '" + std::string(host) + "'";
        return false;
    }
    int portNumber = 5000;
    if (!port.empty() && (!ParseNumber(port, portNumber) || portNumber < 1 || portNumber > 65535)) {
        error = "invalid TCP port '" + std::string(port) + "' (1 to 65535)";
        return false;
    }
    out = SensorAddress{};
    out.kind = SensorAddress::Kind::Tcp;
    out.host = std::string(host);
    out.tcpPort = portNumber;
    return true;
}

bool ParseCom(const std::vector<std::string_view>& w, SensorAddress& out, std::string& error) {
    if (w.size() < 2 || w.size() > 3) {
        error = "expected 'com N [BAUD]'";
        return false;
    }
    int port = 0;
    if (!ParseNumber(w[1], port) || port < 1 || port > 256) {
        error = "invalid COM port '" + std::string(w[1]) + "' (1 to 256)";
        return false;
    }
    int baud = 115200;
    int index = 4;
    if (w.size() == 3) {
        index = -1;
        if (ParseNumber(w[2], baud)) {
            for (int i = 0; i < static_cast<int>(std::size(kBaudRates)); ++i)
                if (kBaudRates[i] == baud) index = i;
        }
        if (index < 0) {
            error = "invalid baud rate '" + std::string(w[2]) +
                    "' (9600, 19200, 38400, 57600, 115200, 230400, 460800 or 921600)";
            return false;
        }
    }
    out = SensorAddress{};
    out.kind = SensorAddress::Kind::Com;
    out.comPort = port;
    out.baud = baud;
    out.baudIndex = index;
    return true;
}

}  // namespace

bool ParseSensorAddress(std::string_view text, SensorAddress& out, std::string& error) {
    const std::vector<std::string_view> w = Words(text);
    if (w.empty()) {
        error = "empty sensor address: expected 'tcp HOST[:PORT]' or 'com N [BAUD]'";
        return false;
    }
    if (EqualsNoCase(w[0], "tcp")) return ParseTcp(w, out, error);
    if (EqualsNoCase(w[0], "com")) return ParseCom(w, out, error);
    error =
        "unknown link '" + std::string(w[0]) + "': expected 'tcp HOST[:PORT]' or 'com N [BAUD]'";
    return false;
}

std::string FormatSensorAddress(const SensorAddress& out) {
    if (out.kind == SensorAddress::Kind::Com)
        return "com " + std::to_string(out.comPort) + " " + std::to_string(out.baud);
    const bool v6 = out.host.find(':') != std::string::npos;
    return "tcp " + (v6 ? "[" + out.host + "]" : out.host) + ":" + std::to_string(out.tcpPort);
}

}  // namespace lq
