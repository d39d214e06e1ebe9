#include "dialogs/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {
namespace {
// The translator is a child of the application: found again by this name, and gone with it.
constexpr char kTranslatorName[] = "vexilo-qtbase-ja";
} // namespace

bool loadQtTranslations()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (app->findChild<QTranslator*>(QLatin1String(kTranslatorName), Qt::FindDirectChildrenOnly))
        return true;
    auto* translator = new QTranslator(app);
    translator->setObjectName(QLatin1String(kTranslatorName));
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    // The file dialogs name file types in the default locale's language.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    return true;
}

} // namespace ui
