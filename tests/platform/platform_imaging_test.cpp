// The executable's folder and new files written whole under a name no other file has, on both roads
// (unnamed O_TMPFILE file and hidden temporary name): contents and permissions, numbered
// candidates, every name taken, a file-size limit and a missing folder leave nothing behind, and
// racing writers lose nothing. And the loopback guard: a connection outside 127.0.0.0/8 is refused
// before the socket is used, loopback goes through.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/exe_dir.h"
#include "platform/net/socket_guard.h"
#include "platform/new_file.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vyr::test::ReadFileBytes;

TEST(ExeDir, IsTheFolderOfThisTestProgramCutBeforeTheLastSlash) {
    EXPECT_TRUE(fs::is_regular_file(vyr::GetExeDir() + "/platform_imaging_test"));
    EXPECT_EQ(vyr::ExeDirOf("/opt/vyr/bin/vyr"), "/opt/vyr/bin");
    EXPECT_EQ(vyr::ExeDirOf("/vyr"), "");
    EXPECT_EQ(vyr::ExeDirOf("vyr"), "");
    const std::string deep = "/" + std::string(300, 'd');  // longer than 260 characters
    EXPECT_EQ(vyr::ExeDirOf(deep + "/vyr"), deep);
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Candidates folder/n.txt, folder/n_1.txt, ... folder/n_{count - 1}.txt.
vyr::NewFileNames Candidates(const fs::path& folder, int count) {
    return [folder, count](int attempt) {
        return attempt >= count
                   ? fs::path()
                   : folder / (attempt == 0 ? "n.txt" : "n_" + std::to_string(attempt) + ".txt");
    };
}

class NewFileTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { vyr::SetUnnamedTemporaryFilesForTest(GetParam()); }
    void TearDown() override { vyr::SetUnnamedTemporaryFilesForTest(true); }

    // Writes bytes in two parts.
    int Write(const vyr::NewFileNames& names, const std::vector<uint8_t>& bytes,
              fs::path* written = nullptr, std::string* reason = nullptr) {
        const std::span<const uint8_t> parts[] = {{bytes.data(), 3},
                                                  {bytes.data() + 3, bytes.size() - 3}};
        return vyr::WriteNewFileAtomically(names, parts, written, reason);
    }

    vyr::test::TempDir dir_;
};

TEST_P(NewFileTest, WritesWholeUnderTheFirstFreeNameAndNeverReplaces) {
    const mode_t previousMask = ::umask(027);
    const std::vector<uint8_t> bytes = {'h', 'e', 'a', 'd', 'e', 'r', 's'};
    fs::path written;
    ASSERT_EQ(Write(Candidates(dir_.path(), 3), bytes, &written), vyr::kNewFileWritten);
    ::umask(previousMask);
    EXPECT_EQ(written, dir_.path() / "n.txt");
    EXPECT_EQ(ReadFileBytes(written.string()), bytes);
    struct stat info {};
    ASSERT_EQ(::stat(written.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // 0666 through the umask, as for any created file

    const std::vector<uint8_t> other = {'o', 't', 'h', 'e', 'r'};
    ASSERT_EQ(Write(Candidates(dir_.path(), 3), other, &written), vyr::kNewFileWritten);
    EXPECT_EQ(written, dir_.path() / "n_1.txt");
    ASSERT_EQ(Write(Candidates(dir_.path(), 3), other, &written), vyr::kNewFileWritten);
    std::string reason;
    EXPECT_EQ(Write(Candidates(dir_.path(), 3), other, &written, &reason), vyr::kNewFileNameTaken);
    EXPECT_EQ(reason, "File exists");
    EXPECT_EQ(ReadFileBytes((dir_.path() / "n.txt").string()), bytes);
    EXPECT_EQ(Listing(dir_.path()), (std::vector<std::string>{"n.txt", "n_1.txt", "n_2.txt"}));
}

TEST_P(NewFileTest, FailuresLeaveNothingBehind) {
    std::ofstream(dir_.path() / "kept.txt") << "kept";
    const std::vector<uint8_t> big(20000, 0x5A);
    std::string reason;
    {
        vyr::test::FileSizeLimit full(5000);
        EXPECT_EQ(Write(Candidates(dir_.path(), 3), big, nullptr, &reason),
                  vyr::kNewFileNotWritten);
    }
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(Write(Candidates(dir_.path() / "missing", 3), big, nullptr, &reason),
              vyr::kNewFileNotCreated);
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_EQ(Listing(dir_.path()), std::vector<std::string>{"kept.txt"});
}

TEST_P(NewFileTest, RacingWritersEachKeepTheirOwnFile) {
    constexpr int kWriters = 4;
    constexpr int kFilesEach = 20;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < kFilesEach; ++i) {
                const std::vector<uint8_t> bytes(1000 + 37 * i, static_cast<uint8_t>(w * 32 + i));
                EXPECT_EQ(Write(Candidates(dir_.path(), kWriters * kFilesEach), bytes),
                          vyr::kNewFileWritten);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    std::set<std::pair<size_t, uint8_t>> found;
    for (const std::string& name : Listing(dir_.path())) {
        const auto bytes = ReadFileBytes((dir_.path() / name).string());
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), bytes[0]), static_cast<long>(bytes.size()))
            << name << " holds parts of two writes";
        found.insert({bytes.size(), bytes[0]});
    }
    EXPECT_EQ(found.size(), static_cast<size_t>(kWriters * kFilesEach));
}

INSTANTIATE_TEST_SUITE_P(Roads, NewFileTest, testing::Bool(), [](const auto& road) {
    return road.param ? "UnnamedFile" : "HiddenTemporaryName";
});

TEST(SocketGuard, RefusesAddressesOutsideLoopbackWithoutSendingAndLetsLoopbackThrough) {
    ASSERT_TRUE(vyr::IsLoopbackOnlyBuild()) << "test and development builds must be loopback-only";
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in loopback{};
    ASSERT_TRUE(vyr::MakeIpv4Address("127.0.0.2", 0, &loopback));
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    socklen_t length = sizeof loopback;
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&loopback), &length), 0);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in outside{};
    ASSERT_TRUE(vyr::MakeIpv4Address("192.0.2.1", 40003, &outside));  // documentation range
    testing::internal::CaptureStderr();
    EXPECT_EQ(vyr::GuardedConnect(fd, outside), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("refused connection to 192.0.2.1:40003"),
              std::string::npos);
    // Nothing went out: a socket with a connect under way would refuse another (EALREADY).
    const int result = vyr::GuardedConnect(fd, loopback);
    EXPECT_TRUE(result == 0 || errno == EINPROGRESS) << std::strerror(errno);
    EXPECT_FALSE(vyr::MakeIpv4Address("not an address", 1, &loopback));
    ::close(fd);
    ::close(server);
}

}  // namespace
