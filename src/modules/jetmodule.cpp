// The Jet reader's entry into the reading child (see legacy/jetmodule.h).
#include "legacy/jetmodule.h"

#include "legacy/jetreader.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT bool zephra_read_jet_file(const QString &path, int which, legacy::LegacySink &sink,
                                                   QString *failure)
{
    const auto read = legacy::readJetFile(path, static_cast<legacy::LegacyFile>(which), sink);
    if (read && failure) {
        *failure = *read;
    }
    return !read;
}

static_assert(std::is_same_v<decltype(&zephra_read_jet_file), legacy::ReadJetFunction>);
