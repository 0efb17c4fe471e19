#include "cli/commands.h"

int main(int argc, char** argv) { return corvane::cli::run(argc, argv); }
