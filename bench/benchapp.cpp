// The program as the start-up figure runs it: zephra's own start-up on the
// data beside it, closed through the ordinary shutdown once the main window
// has been painted. Built only with the benchmarks; the program a user runs
// is src/main.cpp and has no such switch.
#include "app/application.h"

int main(int argc, char *argv[])
{
    return app::run(argc, argv, app::OnceShown::Close);
}
