// The camsim program refuses addresses outside loopback, for its own sockets and for the client it
// sends button commands to: a development tool must never reach the camera's real subnet. The rest
// of the simulator is exercised by the link's tests, which drive it as the camera.
#include <gtest/gtest.h>

#include <string>

#include "support/run_command.h"

namespace vyr::camsim {
namespace {

TEST(CamsimProgram, RefusesAddressesOutsideLoopback) {
    for (const char* option : {"--address", "--client"}) {
        const auto result = test::RunCommand(test::ShellQuote(CAMSIM_PROGRAM) + " " + option +
                                             " 10.9.8.7 --send quit 2>&1");
        EXPECT_NE(result.exitCode, 0) << option;
        EXPECT_NE(result.output.find("127.0.0.0/8"), std::string::npos) << result.output;
    }
}

}  // namespace
}  // namespace vyr::camsim
