#include <csignal>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    // Past a file-size limit, write() then fails with EFBIG, which every
    // writer reports ("cannot write NAME: File too large") and cleans up
    // after, instead of the process dying silently mid-file.
    std::signal(SIGXFSZ, SIG_IGN);
    return sorvane::cli::run(argc, argv, std::cin, std::cout, std::cerr);
}
