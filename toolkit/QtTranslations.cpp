#include "toolkit/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace tarnwick {

bool installQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    // "qt" pulls in qtbase and the other modules' catalogues that are installed.
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), u"qt"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace tarnwick
