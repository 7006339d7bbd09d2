#include "cli/common/inputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/common/inputError.h"

namespace sorvane::cli {

namespace {

std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

}  // namespace

std::string readTextFile(const std::string& path, const std::string& what, std::size_t limit) {
    // Opened without blocking, so that a FIFO with no writer is refused
    // rather than waited on; the kind is then asked of what was opened.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        throw InputError(path,
                         "cannot open " + what + ": " +
                             (errno == ENOENT ? std::string("it does not exist") : std::strerror(errno)));
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        const std::string kind = kindOf(status.st_mode);
        ::close(descriptor);
        throw InputError(path, "cannot read " + what + ": it is " + kind + ", not a regular file");
    }
    if (static_cast<unsigned long long>(status.st_size) > limit) {
        ::close(descriptor);
        throw InputError(path, what + " is larger than " + std::to_string(limit >> 20) + " MiB");
    }
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(descriptor);
            throw InputError(path, "cannot read " + what + ": " + std::strerror(error));
        }
        if (got == 0) break;
        // A file that grows while it is read is held to the limit too.
        if (text.size() + static_cast<std::size_t>(got) > limit) {
            ::close(descriptor);
            throw InputError(path, what + " is larger than " + std::to_string(limit >> 20) + " MiB");
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(descriptor);
    return text;
}

}  // namespace sorvane::cli
