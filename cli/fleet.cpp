#include "cli/fleet.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "cli/json.h"
#include "cli/sensor_tool.h"

namespace lq::cli {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The position after the first `words` words of `s` (and the blanks after them).
size_t AfterWords(std::string_view s, int words) {
    size_t i = 0;
    for (int w = 0; w < words; ++w) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        while (i < s.size() && !IsBlank(s[i])) ++i;
    }
    while (i < s.size() && IsBlank(s[i])) ++i;
    return i;
}

std::string_view Word(std::string_view s, int index) {
    const size_t start = AfterWords(s, index);
    size_t end = start;
    while (end < s.size() && !IsBlank(s[end])) ++end;
    return s.substr(start, end - start);
}

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string LinkName(const SensorAddress& address) {
    if (address.kind == SensorAddress::Kind::Com) return "COM" + std::to_string(address.comPort);
    const bool v6 = address.host.find(':') != std::string::npos;
    return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.tcpPort);
}

}  // namespace

bool ParseSensorList(std::string_view text, std::vector<FleetSensor>& sensors, std::string& error) {
    std::vector<FleetSensor> out;
    int number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++number;
        if (line.empty() || line.front() == '#') continue;

        // The link is two words (tcp HOST[:PORT], com N), a COM rate a third.
        std::string_view keyword = Word(line, 0);
        int linkWords = 2;
        const bool com = keyword.size() == 3 && (keyword[0] | 0x20) == 'c' &&
                         (keyword[1] | 0x20) == 'o' && (keyword[2] | 0x20) == 'm';
        if (com && AllDigits(Word(line, 2))) linkWords = 3;
        const size_t labelAt = AfterWords(line, linkWords);

        FleetSensor s;
        s.line = number;
        std::string why;
        if (!ParseSensorAddress(line.substr(0, labelAt), s.address, why)) {
            error = "line " + std::to_string(number) + ": " + why + ": " + std::string(line);
            return false;
        }
        s.label = std::string(line.substr(labelAt));
        s.name = s.label.empty() ? LinkName(s.address) : s.label;
        out.push_back(std::move(s));
    }
    if (out.empty()) {
        error = "no sensor listed";
        return false;
    }
    sensors = std::move(out);
    return true;
}

std::string SensorFileName(const FleetSensor& sensor) {
    std::string stem = sensor.name;
    for (char& c : stem) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!ok) c = '_';
    }
    if (!stem.empty() && stem.front() == '.') stem.front() = '_';
    return stem + ".ini";
}

std::string ExclusiveKey(const SensorAddress& address) {
    if (address.kind == SensorAddress::Kind::Com) return "com " + std::to_string(address.comPort);
    return "tcp " + LinkName(address);
}

namespace {

// A FILE* that collects what is written into memory.
class MemoryStream {
  public:
    MemoryStream() : f_(open_memstream(&buf_, &size_)) {}
    ~MemoryStream() {
        if (f_ != nullptr) std::fclose(f_);
        std::free(buf_);
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    FILE* get() const { return f_; }
    std::string Text() {
        if (f_ == nullptr) return {};
        std::fflush(f_);
        return std::string(buf_, size_);
    }

  private:
    char* buf_ = nullptr;
    size_t size_ = 0;
    FILE* f_;
};

// What became of one sensor.
struct Outcome {
    int exitCode = EXIT_LINK;
    double seconds = 0;
    std::string model;
    std::string sensorName;
    bool identified = false;
    unsigned serialNumber = 0;
    std::string messages;  // everything the sensor's tool reported
    std::string file;      // get: the file written
    TransferResult transfer;
    bool transferred = false;
    std::vector<Difference> differences;
};

const char* ResultName(int code) {
    switch (code) {
        case EXIT_OK:
            return "ok";
        case EXIT_LINK:
            return "link failure";
        case EXIT_REFUSED:
            return "refused";
        case EXIT_FILE:
            return "file error";
        case EXIT_DIFFERS:
            return "differs";
        default:
            return "failed";
    }
}

// A message on one line: line breaks and runs of blanks become one blank.
std::string OneLine(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

// The configuration every sensor gets (send) or is compared with (verify).
struct Job {
    const Options* o = nullptr;
    ParaBlock para;
    TeachTable teach;
};

void RunSensor(const Job& job, const FleetSensor& sensor, Outcome& r) {
    const Options& o = *job.o;
    const auto start = std::chrono::steady_clock::now();
    MemoryStream out;
    MemoryStream err;
    {
        SensorTool tool(out.get(), err.get());
        LinkChoice link;
        link.tcp = sensor.address.kind == SensorAddress::Kind::Tcp;
        link.host = sensor.address.host;
        link.port = sensor.address.tcpPort;
        link.comPort = sensor.address.comPort;
        link.baudIndex = sensor.address.baudIndex;
        link.deviceDir = o.deviceDir;
        r.exitCode = tool.Open(link);
        const Identification& id = tool.Id();
        r.model = id.model;
        if (r.exitCode == EXIT_OK) {
            r.identified = true;
            r.sensorName = id.name;
            r.serialNumber = id.serialNumber;
            switch (o.fleetCommand) {
                case Command::Get:
                    r.exitCode = tool.Get(o.eeprom, &r.transfer);
                    r.transferred = true;
                    if (r.exitCode == EXIT_OK) {
                        r.file =
                            (std::filesystem::path(o.outDir) / SensorFileName(sensor)).string();
                        r.exitCode = tool.WriteFile(r.file);
                    }
                    break;
                case Command::Send:
                case Command::Defaults:
                    if (o.fleetCommand == Command::Send)
                        tool.SetConfiguration(job.para, job.teach);
                    else
                        tool.LoadDefaults();
                    r.exitCode = tool.Send(o.eeprom, r.transfer);
                    r.transferred = true;
                    break;
                case Command::Verify:
                    tool.SetConfiguration(job.para, job.teach);
                    r.exitCode = tool.Verify(o.eeprom, r.differences, &r.transfer);
                    r.transferred = true;
                    break;
                default:
                    break;
            }
        }
    }  // the link is closed before the time is taken
    r.messages = err.Text();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Hands out the sensors in list order, never two with the same key at once.
class Scheduler {
  public:
    explicit Scheduler(const std::vector<FleetSensor>& sensors) : sensors_(sensors) {
        for (size_t i = 0; i < sensors.size(); ++i) pending_.push_back(i);
    }
    bool Take(size_t& index) {
        std::unique_lock lock(m_);
        for (;;) {
            if (pending_.empty()) return false;
            for (auto it = pending_.begin(); it != pending_.end(); ++it) {
                const std::string key = ExclusiveKey(sensors_[*it].address);
                if (busy_.count(key) != 0) continue;
                busy_.insert(key);
                index = *it;
                pending_.erase(it);
                return true;
            }
            cv_.wait(lock);
        }
    }
    void Done(size_t index) {
        {
            std::lock_guard lock(m_);
            busy_.erase(ExclusiveKey(sensors_[index].address));
        }
        cv_.notify_all();
    }

  private:
    const std::vector<FleetSensor>& sensors_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<size_t> pending_;
    std::set<std::string> busy_;
};

std::string Message(const Outcome& r) {
    if (r.exitCode == EXIT_DIFFERS)
        return std::to_string(r.differences.size()) +
               (r.differences.size() == 1 ? " difference" : " differences");
    std::string m = OneLine(r.messages);
    if (m.empty() && !r.file.empty()) m = r.file;
    return m;
}

void PrintTable(FILE* out, const std::vector<FleetSensor>& sensors,
                const std::vector<Outcome>& results) {
    const char* heads[] = {"SENSOR", "LINK", "MODEL", "SERIAL", "RESULT", "TIME"};
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 0; i < sensors.size(); ++i) {
        const Outcome& r = results[i];
        char time[32];
        std::snprintf(time, sizeof time, "%.2f s", r.seconds);
        rows.push_back({sensors[i].name, FormatSensorAddress(sensors[i].address), r.model,
                        r.identified ? std::to_string(r.serialNumber) : "-", ResultName(r.exitCode),
                        time});
    }
    size_t width[6];
    for (int c = 0; c < 6; ++c) {
        width[c] = std::strlen(heads[c]);
        for (const auto& row : rows)
            width[c] = std::max(width[c], row[static_cast<size_t>(c)].size());
    }
    for (int c = 0; c < 6; ++c) std::fprintf(out, "%-*s  ", static_cast<int>(width[c]), heads[c]);
    std::fprintf(out, "MESSAGE\n");
    int ok = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < 6; ++c)
            std::fprintf(out, "%-*s  ", static_cast<int>(width[c]),
                         rows[i][static_cast<size_t>(c)].c_str());
        std::fprintf(out, "%s\n", Message(results[i]).c_str());
        if (results[i].exitCode == EXIT_OK) ++ok;
    }
    std::fprintf(out, "%d of %zu sensors succeeded\n", ok, sensors.size());
    for (size_t i = 0; i < sensors.size(); ++i)
        for (const Difference& d : results[i].differences)
            std::fprintf(out, "%s: %s\n", sensors[i].name.c_str(), FormatDifference(d).c_str());
    std::fflush(out);
}

std::string ReportText(const Options& o, const std::vector<FleetSensor>& sensors,
                       const std::vector<Outcome>& results, int exitCode) {
    JsonWriter w;
    w.BeginObject();
    w.Key("command").String(CommandName(o.fleetCommand));
    w.Key("target").String(o.fleetCommand == Command::Identify ? "" : o.eeprom ? "eeprom" : "ram");
    if (!o.file.empty()) w.Key("file").String(o.file);
    w.Key("exitCode").Int(exitCode);
    int ok = 0;
    for (const Outcome& r : results) ok += r.exitCode == EXIT_OK ? 1 : 0;
    w.Key("succeeded").Int(ok);
    w.Key("failed").Int(static_cast<int64_t>(results.size()) - ok);
    w.Key("sensors").BeginArray();
    for (size_t i = 0; i < sensors.size(); ++i) {
        const FleetSensor& s = sensors[i];
        const Outcome& r = results[i];
        w.BeginObject();
        w.Key("line").Int(s.line);
        w.Key("label").String(s.label);
        w.Key("link").String(FormatSensorAddress(s.address));
        w.Key("model").String(r.model);
        if (r.identified) {
            w.Key("name").String(r.sensorName);
            w.Key("serialNumber").Int(r.serialNumber);
        } else {
            w.Key("name").Null();
            w.Key("serialNumber").Null();
        }
        w.Key("result").String(ResultName(r.exitCode));
        w.Key("exitCode").Int(r.exitCode);
        w.Key("message").String(r.messages);
        w.Key("seconds").Double(r.seconds);
        if (!r.file.empty()) w.Key("file").String(r.file);
        if (r.transferred) {
            // -1: that exchange did not take place or did not complete.
            w.Key("plausibility").BeginObject();
            if (o.fleetCommand == Command::Send || o.fleetCommand == Command::Defaults) {
                w.Key("parameterBlock").Int(r.transfer.paraCount);
                w.Key("teachTable").Int(r.transfer.teachCount);
            }
            if (o.eeprom && o.fleetCommand != Command::Send && o.fleetCommand != Command::Defaults)
                w.Key("eeprom").Int(r.transfer.eepromCount);
            w.EndObject();
        }
        if (o.fleetCommand == Command::Verify) {
            w.Key("differences").BeginArray();
            for (const Difference& d : r.differences) {
                w.BeginObject();
                w.Key("name").String(d.name);
                w.Key("sensor").Int(d.sensor);
                w.Key("file").Int(d.file);
                w.EndObject();
            }
            w.EndArray();
        }
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    return w.Text();
}

// Replaces `path` only with the complete report.
bool WriteReport(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f << text;
        f.flush();
        if (!f) {
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

}  // namespace

int RunFleet(const Options& o, FILE* out, FILE* err) {
    std::ifstream list(o.sensorsFile, std::ios::binary);
    std::ostringstream text;
    text << list.rdbuf();
    if (!list) {
        std::fprintf(err, "lumiquad-cli: cannot read %s\n", o.sensorsFile.c_str());
        return EXIT_FILE;
    }
    std::vector<FleetSensor> sensors;
    std::string error;
    if (!ParseSensorList(text.str(), sensors, error)) {
        std::fprintf(err, "lumiquad-cli: %s: %s\n", o.sensorsFile.c_str(), error.c_str());
        return EXIT_USAGE;
    }

    Job job;
    job.o = &o;
    if (o.fleetCommand == Command::Send || o.fleetCommand == Command::Verify) {
        // Read once, before any sensor is contacted: a refused or unreadable
        // file costs no connection, and its reports appear once.
        SensorTool reader(out, err);
        const int r = reader.LoadFile(o.file, o.force);
        if (r != EXIT_OK) return r;
        job.para = reader.Para();
        job.teach = reader.Teach();
    }
    if (o.fleetCommand == Command::Get) {
        // Two sensors must not write one file.
        std::map<std::string, int> names;
        for (const FleetSensor& s : sensors) {
            const auto [it, fresh] = names.emplace(SensorFileName(s), s.line);
            if (!fresh) {
                std::fprintf(err, "lumiquad-cli: %s: lines %d and %d both name the file %s\n",
                             o.sensorsFile.c_str(), it->second, s.line, it->first.c_str());
                return EXIT_USAGE;
            }
        }
        std::error_code ec;
        std::filesystem::create_directories(o.outDir, ec);
        if (ec || !std::filesystem::is_directory(o.outDir)) {
            std::fprintf(err, "lumiquad-cli: cannot create the folder %s\n", o.outDir.c_str());
            return EXIT_FILE;
        }
    }

    std::vector<Outcome> results(sensors.size());
    Scheduler scheduler(sensors);
    std::mutex progress;
    size_t finished = 0;
    auto worker = [&] {
        size_t i = 0;
        while (scheduler.Take(i)) {
            RunSensor(job, sensors[i], results[i]);
            scheduler.Done(i);
            std::lock_guard lock(progress);
            ++finished;
            const Outcome& r = results[i];
            std::string why = r.exitCode == EXIT_OK ? std::string() : Message(r);
            std::fprintf(err, "[%zu/%zu] %s: %s (%.2f s)%s%s\n", finished, sensors.size(),
                         sensors[i].name.c_str(), ResultName(r.exitCode), r.seconds,
                         why.empty() ? "" : ": ", why.c_str());
            std::fflush(err);
        }
    };
    const size_t threads = std::min(sensors.size(), static_cast<size_t>(o.jobs));
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
    for (std::thread& t : pool) t.join();

    std::set<int> codes;
    for (const Outcome& r : results)
        if (r.exitCode != EXIT_OK) codes.insert(r.exitCode);
    PrintTable(out, sensors, results);
    if (!o.report.empty()) {
        int code = codes.empty() ? EXIT_OK : codes.size() == 1 ? *codes.begin() : EXIT_MIXED;
        if (!WriteReport(o.report, ReportText(o, sensors, results, code))) {
            std::fprintf(err, "lumiquad-cli: cannot write %s\n", o.report.c_str());
            codes.insert(EXIT_FILE);
        }
    }
    if (codes.empty()) return EXIT_OK;
    return codes.size() == 1 ? *codes.begin() : EXIT_MIXED;
}

}  // namespace lq::cli
