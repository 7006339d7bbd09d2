// The loader both hosts use: what it refuses before the system's loader is
// given a file (which would die of SIGBUS on a truncated one), and what it
// reads from a file it accepts.

#include "host/loader/sharedLibrary.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "host/errors/hostError.h"
#include "host/loader/libraryFile.h"
#include "tests/support/scratchFolder.h"

#ifndef _WIN32
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#endif

namespace {

using sorvane::HostError;
using sorvane::hostloader::exportedSymbols;
using sorvane::hostloader::SharedLibrary;

const std::string kSample = SORVANE_LOADER_SAMPLE;
const std::string kDamaged = "truncated or damaged shared library";
const std::string kOtherSize = sizeof(void*) == 8 ? "built for 32-bit, but this host is 64-bit"
                                                  : "built for 64-bit, but this host is 32-bit";

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <class T>
T get(const std::string& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <class T>
void put(std::string& bytes, std::size_t offset, T value) {
    std::memcpy(&bytes[offset], &value, sizeof value);
}

// The sample changed where this platform's format keeps what a case is about.
#ifdef _WIN32
const std::string kNotALibrary = "not a PE file";
std::size_t peHeader(const std::string& bytes) { return get<std::uint32_t>(bytes, 0x3c); }
std::string otherSize(std::string bytes) {
    put<std::uint16_t>(bytes, peHeader(bytes) + 4, sizeof(void*) == 8 ? 0x14c : 0x8664);
    return bytes;
}
std::string notShared(std::string bytes) {
    const std::size_t characteristics = peHeader(bytes) + 22;
    put<std::uint16_t>(bytes, characteristics, get<std::uint16_t>(bytes, characteristics) & ~0x2000);
    return bytes;
}
// The export directory's address pointed past every section.
std::string damagedExports(std::string bytes) {
    put<std::uint32_t>(bytes, peHeader(bytes) + 24 + (sizeof(void*) == 8 ? 112 : 96), 0xfffffff0u);
    return bytes;
}
const std::string kDamagedExports = "damaged export table";
#else
const std::string kNotALibrary = "not an ELF file";
std::string otherSize(std::string bytes) {
    bytes[EI_CLASS] = sizeof(void*) == 8 ? ELFCLASS32 : ELFCLASS64;
    return bytes;
}
std::string notShared(std::string bytes) {
    put<ElfW(Half)>(bytes, offsetof(ElfW(Ehdr), e_type), ET_EXEC);
    return bytes;
}
// The dynamic symbol table's link to its names pointed past the sections.
std::string damagedExports(std::string bytes) {
    const auto header = get<ElfW(Ehdr)>(bytes, 0);
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const std::size_t at = header.e_shoff + i * sizeof(ElfW(Shdr));
        if (get<ElfW(Shdr)>(bytes, at).sh_type == SHT_DYNSYM) {
            put<ElfW(Word)>(bytes, at + offsetof(ElfW(Shdr), sh_link), header.e_shnum);
        }
    }
    return bytes;
}
const std::string kDamagedExports = "damaged symbol table";
// Cut short, and without the section table that would otherwise give the cut
// away: only the segments, which the loader maps, can. The cut falls inside
// the last segment the loader maps: where the file ends past its segments
// (symbols, debug information), halving it would cut none of them.
std::string cutWithoutSections(std::string bytes) {
    const auto header = get<ElfW(Ehdr)>(bytes, 0);
    std::size_t cut = bytes.size() / 2;
    std::size_t last = 0;
    for (std::size_t i = 0; i < header.e_phnum; ++i) {
        const auto segment = get<ElfW(Phdr)>(bytes, header.e_phoff + i * sizeof(ElfW(Phdr)));
        if (segment.p_type == PT_LOAD && segment.p_filesz > 0 && segment.p_offset >= last) {
            last = segment.p_offset;
            cut = segment.p_offset + segment.p_filesz / 2;
        }
    }
    put<ElfW(Off)>(bytes, offsetof(ElfW(Ehdr), e_shoff), 0);
    put<ElfW(Half)>(bytes, offsetof(ElfW(Ehdr), e_shnum), 0);
    put<ElfW(Half)>(bytes, offsetof(ElfW(Ehdr), e_shstrndx), 0);
    return bytes.substr(0, cut);
}
#endif

struct Refusal {
    const char* name;
    // Makes the file at the path from the sample's bytes.
    std::function<void(const std::string& path, const std::string& sample)> make;
    std::string why;
    bool readable;  // the file opens, and is refused for what it holds
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

const auto bytes = [](std::function<std::string(const std::string&)> change) {
    return [change](const std::string& path, const std::string& sample) { write(path, change(sample)); };
};

const Refusal kRefusals[] = {
    {"text", bytes([](const std::string&) { return std::string("not a library at all\n"); }), kNotALibrary,
     true},
    {"empty", bytes([](const std::string&) { return std::string(); }), kNotALibrary, true},
    {"shorter than the header", bytes([](const std::string& s) { return s.substr(0, 10); }), kNotALibrary,
     true},
    {"cut at 1024 bytes", bytes([](const std::string& s) { return s.substr(0, 1024); }), kDamaged, true},
    {"cut in half", bytes([](const std::string& s) { return s.substr(0, s.size() / 2); }), kDamaged, true},
    {"the other size", bytes(otherSize), kOtherSize, true},
    {"a program", bytes(notShared), "not a shared library", true},
    {"a directory",
     [](const std::string& path, const std::string&) { std::filesystem::create_directory(path); },
     "it is a directory, not a regular file", false},
#ifndef _WIN32
    {"cut in half, no section table", bytes(cutWithoutSections), kDamaged, true},
    // Opened, it would block the load for ever.
    {"a FIFO", [](const std::string& path, const std::string&) { ::mkfifo(path.c_str(), 0600); },
     "it is a FIFO, not a regular file", false},
#endif
};

class RefusedFiles : public ::testing::TestWithParam<Refusal> {};

// The loader and the export table reader refuse the same files for the same
// reason, each in its own words.
TEST_P(RefusedFiles, BeforeTheLoaderSeesTheFile) {
    const sorvane::testing::ScratchFolder scratch("loader");
    const std::string path = scratch.path("library");
    GetParam().make(path, contents(kSample));
    try {
        SharedLibrary library(path, "the sample");
        ADD_FAILURE() << "loaded";
    } catch (const HostError& error) {
        EXPECT_EQ(error.message(), "cannot load the sample: " + GetParam().why);
    }
    try {
        exportedSymbols(path, "the sample");
        ADD_FAILURE() << "read";
    } catch (const HostError& error) {
        EXPECT_EQ(error.message(),
                  (GetParam().readable ? path + ": " : "cannot open the sample: ") + GetParam().why);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedFiles, ::testing::ValuesIn(kRefusals));

TEST(SharedLibrary, LoadsTheSampleAndFindsWhatItExports) {
    const SharedLibrary library(kSample, "the sample");
    const auto answer = reinterpret_cast<int (*)()>(library.symbol("sorvane_sample_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(library.symbol("sorvane_sample_hidden"), nullptr);
    EXPECT_EQ(exportedSymbols(kSample, "the sample"),
              (std::vector<std::string>{"sorvane_sample_answer", "sorvane_sample_twice"}));
}

// The loader does not read these tables, so such a file still loads; the
// reader must say so rather than list garbage.
TEST(ExportedSymbols, ADamagedTableIsNamed) {
    const sorvane::testing::ScratchFolder scratch("loader");
    const std::string path = scratch.path("library");
    write(path, damagedExports(contents(kSample)));
    try {
        exportedSymbols(path, "the sample");
        ADD_FAILURE() << "read";
    } catch (const HostError& error) {
        EXPECT_EQ(error.message(), path + ": " + kDamagedExports);
    }
}

}  // namespace
