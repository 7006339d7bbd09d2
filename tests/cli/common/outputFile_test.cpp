// The one rule for the files the command writes: what kind of file each
// target is decides how it is written; a failure leaves nothing behind; the
// temporary file cannot be steered; two outputs may not be one file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "cli/common/inputError.h"
#include "cli/common/inputFile.h"
#include "cli/common/outputFile.h"
#include "cli/common/temporaryFile.h"
#include "tests/support/scratchFolder.h"

namespace {

namespace fs = std::filesystem;
using sorvane::cli::FileWriter;
using sorvane::cli::InputError;
using sorvane::cli::writeOutputFile;

class OutputFile : public ::testing::Test {
protected:
    const sorvane::testing::ScratchFolder scratch{"output"};
    const fs::path& folder = scratch.folder();

    std::string path(const std::string& name) const { return scratch.path(name); }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeText(const std::string& path, const std::string& text) {
        writeOutputFile(path, [&](FileWriter& writer) { writer.write(text.data(), text.size()); });
    }
    std::ptrdiff_t entries() const { return std::distance(fs::directory_iterator(folder), {}); }
};

TEST_F(OutputFile, ARegularFileIsReplacedWholeKeepingItsMode) {
    { std::ofstream(path("a.png")) << "old"; }
    fs::permissions(path("a.png"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    writeText(path("a.png"), "new");
    EXPECT_EQ(read(path("a.png")), "new");
    EXPECT_EQ(fs::status(path("a.png")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    EXPECT_EQ(entries(), 1);
}

TEST_F(OutputFile, ANewFileGetsTheModeOpenWouldGiveIt) {
    const mode_t mask = ::umask(022);
    writeText(path("new.png"), "x");
    ::umask(mask);
    EXPECT_EQ(fs::status(path("new.png")).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                             fs::perms::group_read | fs::perms::others_read);
}

// A FIFO's reader gets the bytes; the FIFO stays a FIFO.
TEST_F(OutputFile, AFifoIsWrittenInPlaceNotRenamedOver) {
    ASSERT_EQ(::mkfifo(path("pipe.png").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = read(path("pipe.png")); });
    writeText(path("pipe.png"), "through the pipe");
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(path("pipe.png")));
    EXPECT_EQ(entries(), 1);
}

// An EXR seeks back to fill in its table: refused before the FIFO is
// opened, or the command would wait for a reader of a file it cannot write.
TEST_F(OutputFile, AFifoIsRefusedToAFormatThatSeeks) {
    ASSERT_EQ(::mkfifo(path("pipe.exr").c_str(), 0600), 0);
    try {
        writeOutputFile(
            path("pipe.exr"), [](FileWriter&) {}, true);
        FAIL();
    } catch (const InputError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot write " + path("pipe.exr") +
                      ": it is a FIFO, and this format needs a file it can seek in");
    }
    EXPECT_TRUE(fs::is_fifo(path("pipe.exr")));
}

TEST_F(OutputFile, ALinkToACharacterDeviceWritesTheDevice) {
    fs::create_symlink("/dev/null", path("null.png"));
    writeText(path("null.png"), "gone");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_symlink(path("null.png")));
    EXPECT_EQ(entries(), 1);
}

TEST_F(OutputFile, ADirectoryIsRefused) {
    fs::create_directory(path("shots.png"));
    try {
        writeText(path("shots.png"), "x");
        FAIL();
    } catch (const InputError& error) {
        EXPECT_EQ(std::string(error.what()), "cannot write " + path("shots.png") + ": Is a directory");
    }
    EXPECT_TRUE(fs::is_directory(path("shots.png")));
    EXPECT_EQ(entries(), 1);
}

// The old name, .NAME.tmpPID, could be foreseen and a link planted there.
TEST_F(OutputFile, APlantedLinkAtTheOldTemporaryNameIsNotFollowed) {
    { std::ofstream(path("victim")) << "precious"; }
    fs::create_symlink(path("victim"), path(".out.png.tmp" + std::to_string(::getpid())));
    writeText(path("out.png"), "picture");
    EXPECT_EQ(read(path("victim")), "precious");
    EXPECT_EQ(read(path("out.png")), "picture");
}

TEST_F(OutputFile, AFailingWriterLeavesWhatWasThere) {
    { std::ofstream(path("keep.png")) << "old"; }
    EXPECT_THROW(writeOutputFile(path("keep.png"),
                                 [](FileWriter& writer) {
                                     writer.write("half", 4);
                                     throw std::runtime_error("encoder gave up");
                                 }),
                 InputError);
    EXPECT_EQ(read(path("keep.png")), "old");
    EXPECT_EQ(entries(), 1);
}

// Under a file-size limit, with SIGXFSZ ignored as main ignores it, the
// write is reported as too large, and the temporary file is gone.
TEST_F(OutputFile, PastTheFileSizeLimitItSaysFileTooLarge) {
    const std::string target = path("big.exr");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            writeOutputFile(target, [](FileWriter& writer) {
                const std::string block(100000, 'x');
                writer.write(block.data(), block.size());
            });
        } catch (const InputError& error) {
            ::_exit(std::string(error.what()) == "cannot write " + target + ": File too large" ? 0 : 2);
        }
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(entries(), 0);
}

class InterruptedWrite : public OutputFile, public ::testing::WithParamInterface<int> {};

// A signal while the temporary file is open removes it, and the process still
// ends as that signal ends it.
TEST_P(InterruptedWrite, RemovesTheTemporaryFile) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sorvane::cli::TemporaryFile temporary(path("out.png"));
        [[maybe_unused]] const ssize_t written = ::write(temporary.descriptor(), "half an image", 13);
        ::raise(GetParam());
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), GetParam());
    EXPECT_EQ(entries(), 0);
}

INSTANTIATE_TEST_SUITE_P(OutputFile, InterruptedWrite, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

struct Outputs {
    const char* name;
    std::string first, second;
    bool distinct;
};
class DistinctOutputs : public OutputFile, public ::testing::WithParamInterface<Outputs> {};

TEST_P(DistinctOutputs, TwoNamesForOneFileAreRefused) {
    { std::ofstream(path("a.exr")) << "x"; }
    fs::create_symlink("a.exr", path("link.exr"));
    const auto at = [&](const std::string& name) {
        return name.empty() || name[0] == '/' ? name : path(name);
    };
    const auto check = [&] {
        sorvane::cli::requireDistinctOutputs(
            {{"-o", at(GetParam().first)}, {"--diff", at(GetParam().second)}});
    };
    if (GetParam().distinct) {
        EXPECT_NO_THROW(check());
    } else {
        EXPECT_THROW(check(), InputError);
    }
}

INSTANTIATE_TEST_SUITE_P(OutputFile, DistinctOutputs,
                         ::testing::Values(Outputs{"SameName", "a.png", "a.png", false},
                                           Outputs{"DotSlash", "a.exr", "./a.exr", false},
                                           Outputs{"NotYetMadeDotDot", "n.png", "sub/../n.png", false},
                                           Outputs{"ThroughALink", "a.exr", "link.exr", false},
                                           Outputs{"TwoFiles", "a.png", "b.png", true},
                                           Outputs{"NoDiff", "a.png", "", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutputFile, TextInputsThatAreNotRegularFilesAreRefused) {
    ASSERT_EQ(::mkfifo(path("scene.json").c_str(), 0600), 0);
    const std::pair<std::string, const char*> cases[] = {
        {path("scene.json"), "it is a FIFO, not a regular file"},
        {folder.string(), "it is a directory, not a regular file"},
        {"/dev/zero", "it is a character device, not a regular file"},
        {path("missing.json"), "it does not exist"}};
    for (const auto& [input, message] : cases) {
        try {
            sorvane::cli::readTextFile(input, "the scene file");
            ADD_FAILURE() << input;
        } catch (const InputError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
