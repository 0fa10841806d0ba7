// One sensor on the console platform: its own application object, link and
// event sink. The single-sensor commands of lumiquad-cli and every sensor of
// a fleet run through this class; separate objects share nothing, so a fleet
// runs one per thread.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/compare.h"
#include "cli/options.h"
#include "data/ini.h"
#include "data/para.h"
#include "session/identify.h"
#include "session/session.h"

namespace lq {
struct App;
}

namespace lq::cli {

// Where a sensor is: TCP host and port, or a COM number at a baud-rate index.
struct LinkChoice {
    bool tcp = true;
    std::string host;
    int port = kDefaultTcpPort;
    int comPort = 1;
    int baudIndex = 4;
    std::string deviceDir = "/dev";
};

class SensorTool {
  public:
    // Results go to `out`, messages (failure reports, file reports, the
    // panel's popups) to `err`.
    SensorTool(FILE* out, FILE* err);
    ~SensorTool();
    SensorTool(const SensorTool&) = delete;
    SensorTool& operator=(const SensorTool&) = delete;

    // Opens the link and identifies the sensor (orders 7 and 15). EXIT_OK,
    // EXIT_LINK, or EXIT_REFUSED for an unsupported sensor.
    int Open(const LinkChoice& link);
    const Identification& Id() const { return id_; }

    // Reads a parameter file with the panel's rules into the working
    // configuration; `force` answers its questions with YES. EXIT_OK,
    // EXIT_FILE (unreadable) or EXIT_REFUSED.
    int LoadFile(const std::string& path, bool force);
    // The working configuration becomes the connection defaults.
    void LoadDefaults();
    // The working configuration: what Send writes and Verify compares with.
    void SetConfiguration(const ParaBlock& para, const TeachTable& teach);
    const ParaBlock& Para() const;
    const TeachTable& Teach() const;

    // GET (with `eeprom`: order 4 first) into the working configuration.
    int Get(bool eeprom, TransferResult* result = nullptr);
    // Writes the working configuration as a parameter file ("-": `out`).
    int WriteFile(const std::string& path);
    // Whether `path` could be written, decided without creating it, with the
    // cause on the error stream: EXIT_OK or EXIT_FILE.
    int CheckWritable(const std::string& path);
    // SEND of the working configuration (with `eeprom`: order 3 after it).
    int Send(bool eeprom, TransferResult& result);
    // Reads the sensor (as Get) and compares it with the working
    // configuration, which Get replaces: EXIT_OK when equal, EXIT_DIFFERS
    // with `differences` filled.
    int Verify(bool eeprom, std::vector<Difference>& differences, TransferResult* result = nullptr);

    // Installs a process-wide SIGINT handler while it runs, so it is for the
    // single-sensor tool only, never for a fleet.
    int Live(const Options& o);
    int Freq();

    void Close();

  private:
    int CannotWrite(const std::string& path, int result, const IniFileCause& cause);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    Identification id_;
};

}  // namespace lq::cli
