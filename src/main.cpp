// ZEPHRA 業務日誌: the daily business journal of a small shop.
#include "app/application.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    // Names the user's data folder (~/.local/share/zephra) and ties the windows to the desktop entry.
    QCoreApplication::setApplicationName(QStringLiteral("zephra"));
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.zephra.Nippo"));
    return app::run(argc, argv);
}
