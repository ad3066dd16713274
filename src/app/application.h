#pragma once
// The program's entry: the command line, the Japanese environment, start-up.

namespace app {

// What becomes of the main window once it has been painted the first time.
// The program a user runs keeps it; the start-up benchmark's own build
// (bench/benchapp.cpp) closes it through the ordinary shutdown.
enum class OnceShown { KeepRunning, Close };

int run(int argc, char *argv[], OnceShown onceShown = OnceShown::KeepRunning);

} // namespace app
