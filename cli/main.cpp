#include <iostream>

#include "cli/Interrupt.h"
#include "cli/SplitCommand.h"

int main(int argc, char** argv) {
    pv::cli::installInterruptHandlers();
    std::vector<std::string> args(argv + 1, argv + argc);
    return pv::cli::run(args, std::cout, std::cerr);
}
