// One check for every link the tool runs over: a sensor that starts
// answering each request with the answer to the request before, at the
// first request after identification.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "data/para.h"
#include "data/paramfile_doc.h"
#include "link/link.h"
#include "sim/simulator.h"
#include "tests/cli/cli_run.h"

namespace lq::test {

// Every command that moves data fails with the header text and status 1, and
// get leaves no file behind: before, get wrote a file whose values were the
// sensor's name, send printed the serial number as a plausibility count and
// freq printed a frequency made of the name, all with status 0.
inline void ExpectLaggingAnswersFailEveryCommand(
    TempDir& dir, lqsim::Sensor& sensor,
    const std::function<CliResult(std::vector<std::string>)>& cli) {
    ParaBlock p;
    TeachTable t;
    LoadDefaultParaValues(p, t, 1);
    const std::string source = dir.File("lag-source.ini");
    std::ofstream(source, std::ios::binary) << FormatParameterFile(p, t);
    const std::string backup = dir.File("lag-backup.ini");
    const std::vector<std::vector<std::string>> commands = {
        {"get", "-o", backup},
        {"get", "--eeprom", "-o", backup},
        {"send", source},
        {"send", source, "--eeprom"},
        {"freq"},
    };
    for (const std::vector<std::string>& args : commands) {
        SCOPED_TRACE(testing::PrintToString(args));
        sensor.SetFault(lqsim::Fault::Lag, 3);  // orders 7 and 15 are answered in turn
        const CliResult r = cli(args);
        sensor.SetFault(lqsim::Fault::None);
        EXPECT_EQ(1, r.exitCode) << r.out;
        EXPECT_NE(std::string::npos, r.err.find(kTextBadHeader)) << r.err;
        EXPECT_EQ(std::string::npos, r.out.find("Hz")) << r.out;
        EXPECT_EQ(std::string::npos, r.out.find("plausibility count")) << r.out;
        EXPECT_FALSE(std::filesystem::exists(backup));
    }
}

}  // namespace lq::test
