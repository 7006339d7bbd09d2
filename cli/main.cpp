#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) { return sorvane::cli::run(argc, argv, std::cin, std::cout, std::cerr); }
