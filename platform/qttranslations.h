#pragma once

#include <QLocale>

// Qt's own texts (standard buttons, the colour, file and print dialogs) in the language of the
// locale, from Qt's installed translations. The program's own texts are not translated.
namespace platform {

// False when Qt has no translation for the locale; its texts then stay English.
bool installQtTranslations(const QLocale& locale);

} // namespace platform
