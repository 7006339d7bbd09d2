// sorvane studio as a user runs it: it prints where it serves, answers there,
// writes nothing to disk, and exits 0 when interrupted.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/scratchFolder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Studio {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

Studio start(const std::vector<std::string>& args, const fs::path& folder) {
    int outPipe[2], errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<std::string> all{SORVANE_COMMAND, "studio"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    Studio studio;
    if (::posix_spawn(&studio.pid, SORVANE_COMMAND, &actions, nullptr, argv.data(), environ) != 0)
        studio.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    studio.out = outPipe[0];
    studio.err = errPipe[0];
    return studio;
}

// Reads until `pattern` matches what was read, or the stream ends, or 20 s pass.
std::string readUntil(int fd, const std::regex& pattern) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    while (!std::regex_search(text, pattern) && std::chrono::steady_clock::now() < deadline) {
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return text;
}

int waitFor(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

class StudioCommandTest : public ::testing::Test {
protected:
    const sorvane::testing::ScratchFolder scratch{"studio"};
    const fs::path& folder = scratch.folder();
};

TEST_F(StudioCommandTest, ServesOnTheLoopbackPortItPrintsAndStopsCleanlyOnInterrupt) {
    const Studio studio = start({"--port", "0"}, folder);
    ASSERT_GT(studio.pid, 0);
    const std::regex served(R"(serving http://127\.0\.0\.1:(\d+)/)");
    const std::string out = readUntil(studio.out, served);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(out, match, served)) << out;
    const int port = std::stoi(match[1]);
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(60, 0);
    const auto schema = client.Get("/api/schema");
    ASSERT_TRUE(schema);
    EXPECT_EQ(schema->status, 200);
    const auto render =
        client.Post("/api/render", R"({"host": "mentalray", "size": 16, "samples": 1})", "application/json");
    ASSERT_TRUE(render);
    EXPECT_EQ(render->status, 200);
    const auto exported = client.Post("/api/export", R"({"name": "m"})", "application/json");
    ASSERT_TRUE(exported);
    EXPECT_EQ(exported->status, 200);
    ::kill(studio.pid, SIGINT);
    EXPECT_EQ(waitFor(studio.pid), 0);
    EXPECT_TRUE(fs::is_empty(folder)) << "the studio wrote into its working folder";
    ::close(studio.out);
    ::close(studio.err);
}

TEST_F(StudioCommandTest, SaysWhenItListensBeyondLoopback) {
    const Studio studio = start({"--port", "0", "--bind", "0.0.0.0"}, folder);
    ASSERT_GT(studio.pid, 0);
    const std::string err = readUntil(studio.err, std::regex("other machines can reach"));
    EXPECT_NE(err.find("listening on 0.0.0.0"), std::string::npos) << err;
    ::kill(studio.pid, SIGTERM);
    EXPECT_EQ(waitFor(studio.pid), 0);
    ::close(studio.out);
    ::close(studio.err);
}

TEST_F(StudioCommandTest, RefusesAnAddressItCannotServe) {
    for (const char* address : {"localhost", "example.org", "300.1.1.1"}) {
        const Studio studio = start({"--port", "0", "--bind", address}, folder);
        ASSERT_GT(studio.pid, 0);
        const std::string err = readUntil(studio.err, std::regex("--bind"));
        EXPECT_EQ(waitFor(studio.pid), 1) << address;
        EXPECT_NE(err.find("not a numeric IPv4 or IPv6 address"), std::string::npos) << err;
        ::close(studio.out);
        ::close(studio.err);
    }
}

}  // namespace
