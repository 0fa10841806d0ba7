// lumiquad-cli: the sensor operations of the panel program on the command line.
#include <cstdio>

#include "cli/tool.h"

int main(int argc, char** argv) {
    return lq::cli::Main(argc, argv, stdout, stderr);
}
