// ZEPHRA 業務日誌: the daily business journal of a small shop.
#include "app/application.h"

int main(int argc, char *argv[])
{
    return app::run(argc, argv);
}
