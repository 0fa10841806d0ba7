// The simulated sensor on TCP loopback for tests that run lumiquad-cli
// against it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/simulator.h"
#include "tests/cli/cli_run.h"

namespace lq::test {

class CliSimTest : public ::testing::Test {
  protected:
    void Start(lqsim::SimConfig config = {}) {
        server.reset();
        sensor = std::make_unique<lqsim::Sensor>(config);
        server = std::make_unique<lqsim::TcpServer>(*sensor);
        ASSERT_TRUE(server->Start());
        link = "127.0.0.1:" + std::to_string(server->Port());
    }
    void SetUp() override { Start(); }

    // The tool on the simulator's link; the requests seen start afresh.
    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--tcp", link});
        sensor->ClearRequests();
        return RunCli(dir, args);
    }

    TempDir dir;
    std::unique_ptr<lqsim::Sensor> sensor;
    std::unique_ptr<lqsim::TcpServer> server;  // stops before the sensor goes
    std::string link;
};

}  // namespace lq::test
