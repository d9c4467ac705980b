// The camsim program itself: refusal of addresses outside loopback, and button commands
// from the command line and from standard input reaching a listening client.
#include <future>

#include "camera_fixture.h"
#include "raw_socket.h"
#include "support/file_bytes.h"
#include "support/run_command.h"

namespace vyr::camsim {
namespace {

const std::string kProgram = CAMSIM_PROGRAM;

TEST(CamsimProgram, RefusesAddressesOutsideLoopback) {
    for (const char* option : {"--address", "--client"}) {
        const auto result = test::RunCommand(test::ShellQuote(kProgram) + " " + option +
                                             " 10.9.8.7 --send quit 2>&1");
        EXPECT_NE(result.exitCode, 0) << option;
        EXPECT_NE(result.output.find("127.0.0.0/8"), std::string::npos) << result.output;
    }
}

TEST(CamsimProgram, CommandsFromTheCommandLineAndStandardInput) {
    test::Listener control;
    const std::string command =
        "printf 'delete-all\\nbogus\\nquit\\n' | " + test::ShellQuote(kProgram) +
        " --model-port 0 --stream-port 0 --size 128x96 --loop 2 --control-port " +
        std::to_string(control.port()) + " --send capture";
    auto running = std::async(std::launch::async, [&] { return test::RunCommand(command); });
    std::vector<uint16_t> codes;
    for (int i = 0; i < 2; ++i) {
        test::Socket connection = control.Accept(20s);
        ASSERT_TRUE(connection.valid());
        const std::vector<uint8_t> packet = connection.ReceiveUntilClosed(10s);
        ASSERT_EQ(packet.size(), 10u);
        codes.push_back(test::U16At(packet, 8));
    }
    const auto result = running.get();
    EXPECT_EQ(codes, (std::vector<uint16_t>{1, 6}));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("unknown command: bogus"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("button: capture (code 1)"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace vyr::camsim
