#include "cli/common/temporaryFile.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace sorvane::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler may only read what is set before it is installed: a fixed
// buffer, filled while the signals are blocked.
char pendingPath[4096];
struct sigaction previous[sizeof kSignals / sizeof kSignals[0]];

void removeAndReraise(int signal) {
    ::unlink(pendingPath);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

sigset_t blockSignals() {
    sigset_t set, old;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, &old);
    return old;
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& destination) {
    const std::filesystem::path target(destination);
    const std::filesystem::path folder = target.parent_path();
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // The signals are held off until the handler knows the name, so that no
    // file is made that an interrupt could leave behind.
    const sigset_t old = blockSignals();
    descriptor_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0) {
        const int error = errno;
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        throw std::system_error(error, std::generic_category());
    }
    path_ = name.data();
    // A path too long for the buffer is still written; only its removal on a
    // signal is given up.
    if (path_.size() < sizeof pendingPath) {
        std::memcpy(pendingPath, path_.c_str(), path_.size() + 1);
        struct sigaction action {};
        action.sa_handler = removeAndReraise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
            sigaction(kSignals[i], &action, &previous[i]);
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

TemporaryFile::~TemporaryFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
    if (!committed_) ::unlink(path_.c_str());
    if (path_.size() >= sizeof pendingPath) return;
    const sigset_t old = blockSignals();
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
        sigaction(kSignals[i], &previous[i], nullptr);
    }
    pendingPath[0] = '\0';
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void TemporaryFile::commitTo(const std::string& destination) {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (::close(descriptor) != 0) throw std::system_error(errno, std::generic_category());
    if (::rename(path_.c_str(), destination.c_str()) != 0)
        throw std::system_error(errno, std::generic_category());
    committed_ = true;
}

}  // namespace sorvane::cli
