// The program as the start-up figures run it: zephra's own start-up on the
// data beside it, closed through the ordinary shutdown once the main window
// has been painted; with --register-once, after registering today through the
// journal page first; with --list-mapped FILE, the files it has mapped at its
// end (its libraries, plugins and fonts) are written to FILE, one a line.
// Built only with the benchmarks; the program a user runs is src/main.cpp and
// has no such switches.
#include "app/application.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

void listMappedFiles(const char *target)
{
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> files;
    for (std::string line; std::getline(maps, line);) {
        if (const auto at = line.find(" /"); at != std::string::npos) {
            files.insert(line.substr(at + 1));
        }
    }
    std::ofstream out(target);
    for (const std::string &file : files) {
        out << file << '\n';
    }
}

} // namespace

int main(int argc, char *argv[])
{
    app::OnceShown onceShown = app::OnceShown::Close;
    const char *mappedList = nullptr;
    std::vector<char *> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--register-once") == 0) {
            onceShown = app::OnceShown::RegisterThenClose;
        } else if (std::strcmp(argv[i], "--list-mapped") == 0 && i + 1 < argc) {
            mappedList = argv[++i];
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    const int status = app::run(count, arguments.data(), onceShown);
    if (mappedList) {
        listMappedFiles(mappedList);
    }
    return status;
}
