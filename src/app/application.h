#pragma once
// The program's entry: the command line, the Japanese environment, start-up.

namespace app {

int run(int argc, char *argv[]);

} // namespace app
