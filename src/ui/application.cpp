#include "application.h"

#include "prompts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

namespace ui {

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        // Put back whatever busy cursors the failed work left behind.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        prompts().error(QString::fromUtf8(error.what()));
    }
    return false;
}

bool installPolishTranslations(QCoreApplication &application)
{
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    QLocale::setDefault(polish);
    auto *translator = new QTranslator(&application);
    if (!translator->load(polish, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace ui
