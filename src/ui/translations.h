#pragma once
// The program speaks Japanese whatever the machine's locale: Qt's own texts
// (standard buttons はい(&Y)/いいえ(&N)) and the default locale.

class QCoreApplication;

namespace ui {

// Installs Qt's Japanese translation on `app` (once) and makes ja_JP the
// default locale. Returns whether the translation was loaded.
bool installJapaneseTranslations(QCoreApplication &app);

} // namespace ui
