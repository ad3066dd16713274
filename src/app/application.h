#pragma once
// The program's entry: the command line, the Japanese environment, start-up.

namespace app {

// What becomes of the main window once it has been painted the first time.
// The program a user runs keeps it; the benchmark's own build
// (bench/benchapp.cpp) closes it through the ordinary shutdown, or first
// registers today through the journal page (answering its question Yes),
// prints "committed day=<yyyy-MM-dd> sales=<n>" once the write is committed,
// and then closes (status 1, nothing printed, when the register failed).
enum class OnceShown { KeepRunning, Close, RegisterThenClose };

int run(int argc, char *argv[], OnceShown onceShown = OnceShown::KeepRunning);

} // namespace app
