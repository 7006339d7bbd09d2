#include "cli/render/temporaryFile.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace sorvane::render {

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

TemporaryFile::TemporaryFile(std::string path) : path_(std::move(path)) {
    // A path too long for the buffer is still written; only its removal on a
    // signal is given up.
    if (path_.size() >= sizeof pendingPath) return;
    const sigset_t old = blockSignals();
    std::memcpy(pendingPath, path_.c_str(), path_.size() + 1);
    struct sigaction action {};
    action.sa_handler = removeAndReraise;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
        sigaction(kSignals[i], &action, &previous[i]);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

TemporaryFile::~TemporaryFile() {
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
    std::error_code error;
    std::filesystem::rename(path_, destination, error);
    if (error) throw std::runtime_error(error.message());
    committed_ = true;
}

}  // namespace sorvane::render
