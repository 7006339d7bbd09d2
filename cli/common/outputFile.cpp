#include "cli/common/outputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/common/inputError.h"
#include "cli/common/temporaryFile.h"

namespace sorvane::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

[[noreturn]] void fail(int error) { throw std::system_error(error, std::generic_category()); }

void writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        // Nothing taken and no reason given: the limit was met.
        if (written == 0) fail(EFBIG);
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

// What a new file gets, as open() would give it: 0666 less the umask.
mode_t newFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

// The file a write to `path` lands in: the link's target for a link.
std::string resolve(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    std::error_code error;
    const fs::path target = fs::weakly_canonical(path, error);
    if (error) fail(error.value());
    return target.string();
}

void writeInPlace(const std::string& target, const std::function<void(FileWriter&)>& write) {
    const int descriptor = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) fail(errno);
    struct stat opened {};
    // What was opened is checked again: the name may have changed hands since.
    if (::fstat(descriptor, &opened) != 0 || !(S_ISFIFO(opened.st_mode) || S_ISCHR(opened.st_mode))) {
        ::close(descriptor);
        throw std::runtime_error("it changed while being opened");
    }
    try {
        FileWriter writer(descriptor);
        write(writer);
        writer.flush();
    } catch (...) {
        ::close(descriptor);
        throw;
    }
    if (::close(descriptor) != 0) fail(errno);
}

void writeReplacing(const std::string& target, const struct stat* existing,
                    const std::function<void(FileWriter&)>& write) {
    TemporaryFile temporary(target);
    FileWriter writer(temporary.descriptor());
    write(writer);
    writer.flush();
    if (existing != nullptr) {
        // The owner first: a change of owner clears the set-id bits.
        if (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored =
                ::fchown(temporary.descriptor(), existing->st_uid, existing->st_gid);
        }
        if (::fchmod(temporary.descriptor(), existing->st_mode & 07777) != 0) fail(errno);
    } else if (::fchmod(temporary.descriptor(), newFileMode()) != 0) {
        fail(errno);
    }
    temporary.commitTo(target);
}

}  // namespace

void FileWriter::write(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    if (buffer_.size() + size > kBufferSize) {
        flush();
        if (size > kBufferSize) {
            writeAll(descriptor_, bytes, size);
            position_ += size;
            return;
        }
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    position_ += size;
}

void FileWriter::flush() {
    if (buffer_.empty()) return;
    std::vector<char> pending;
    pending.swap(buffer_);
    writeAll(descriptor_, pending.data(), pending.size());
}

void FileWriter::seek(std::uint64_t position) {
    flush();
    if (::lseek(descriptor_, static_cast<off_t>(position), SEEK_SET) < 0) fail(errno);
    position_ = position;
}

bool FileWriter::seekable() const { return ::lseek(descriptor_, 0, SEEK_CUR) >= 0; }

void writeOutputFile(const std::string& path, const std::function<void(FileWriter&)>& write, bool seeks) {
    try {
        const std::string target = resolve(path);
        struct stat existing {};
        if (::stat(target.c_str(), &existing) != 0) {
            if (errno != ENOENT) fail(errno);
            writeReplacing(target, nullptr, write);
        } else if (S_ISREG(existing.st_mode)) {
            writeReplacing(target, &existing, write);
        } else if (S_ISFIFO(existing.st_mode) && seeks) {
            throw std::runtime_error("it is a FIFO, and this format needs a file it can seek in");
        } else if (S_ISFIFO(existing.st_mode) || S_ISCHR(existing.st_mode)) {
            writeInPlace(target, write);
        } else if (S_ISDIR(existing.st_mode)) {
            fail(EISDIR);
        } else {
            throw std::runtime_error("not a regular file, a FIFO or a character device");
        }
    } catch (const std::exception& error) {
        throw InputError("cannot write " + path + ": " + messageOf(error));
    }
}

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    std::error_code error;
    const fs::path x = fs::weakly_canonical(fs::absolute(a, error), error);
    const fs::path y = fs::weakly_canonical(fs::absolute(b, error), error);
    return x == y;
}

}  // namespace

void requireDistinctOutputs(const std::vector<std::pair<std::string, std::string>>& outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const auto& [firstOption, first] = outputs[i];
            const auto& [option, path] = outputs[j];
            if (first.empty() || path.empty() || !sameFile(first, path)) continue;
            throw InputError(option, "\"" + path + "\" is the same file as " + firstOption + " \"" + first +
                                         "\": one would overwrite the other");
        }
    }
}

}  // namespace sorvane::cli
