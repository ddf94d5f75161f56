// Pelzamo2007: an interactive gamma-ray spectroscopy simulator.

#include "shell/Startup.h"

int main(int argc, char* argv[]) {
    return shell::RunProgram(argc, argv);
}
