#pragma once
// The parts of the program that its first window does not need (the chart
// window, the Excel writer, the reader of the earlier version's files) are
// modules of their own, loaded the first time the user asks for them: the
// start-up then maps none of the libraries they bring (Qt Charts with OpenGL,
// libxlsxwriter with minizip and libcrypto, libmdb).

#include <QFunctionPointer>
#include <QString>
#include <QStringList>

namespace common {

// The folders a module is looked for in, in order: the one named by
// ZEPHRA_MODULE_DIR when set (the tests, run from elsewhere in the build tree),
// the program's own folder (the build tree), then ../lib/zephra beside it
// (the installed program, /usr/bin/zephra and /usr/lib/zephra/).
QStringList moduleFolders();

// The file name of the module `name`: zephra-charts → zephra-charts.so.
QString moduleFileName(const QString &name);

// A function of a module, or why there is none: the reason in Japanese, for
// the user, naming the module's file and what the loader said.
struct ModuleFunction
{
    QFunctionPointer function = nullptr;
    QString failure;
};

// Loads the module `name` from the first folder of `folders` that holds it
// and looks up `symbol`. A loaded module stays loaded for the rest of the
// program; asking again costs a look-up. `purpose` names what the user asked
// for (グラフ, Excel ブックの書き出し) in the failure text.
ModuleFunction moduleFunction(const QString &name, const char *symbol, const QString &purpose,
                              const QStringList &folders = moduleFolders());

// The same, as the function's own type.
template <typename Function> struct TypedModuleFunction
{
    Function function = nullptr;
    QString failure;
};

template <typename Function>
TypedModuleFunction<Function> moduleFunctionAs(const QString &name, const char *symbol, const QString &purpose)
{
    const ModuleFunction found = moduleFunction(name, symbol, purpose);
    return {reinterpret_cast<Function>(found.function), found.failure};
}

} // namespace common
