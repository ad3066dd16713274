// Loading Qt's Japanese translation.

#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

namespace {
const QString kTranslatorName = QStringLiteral("zephra_qtbase_ja");
}

bool installJapaneseTranslations(QCoreApplication &app)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

    if (app.findChild<QTranslator *>(kTranslatorName, Qt::FindDirectChildrenOnly)) {
        return true;
    }
    auto *translator = new QTranslator(&app);
    translator->setObjectName(kTranslatorName);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace ui
