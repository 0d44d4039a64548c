#include "application.h"

#include "dberror.h"
#include "prompts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

namespace ui {

namespace {
std::function<void(const db::DbError &)> &lostConnectionHandler()
{
    static std::function<void(const db::DbError &)> handler;
    return handler;
}
} // namespace

void setLostConnectionHandler(std::function<void(const db::DbError &)> handler)
{
    lostConnectionHandler() = std::move(handler);
}

void reportUncaught(const std::exception &error)
{
    // Put back whatever busy cursors the failed work left behind.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    const auto *databaseError = dynamic_cast<const db::DbError *>(&error);
    if (databaseError && databaseError->isConnectionLost() && lostConnectionHandler()) {
        lostConnectionHandler()(*databaseError);
        return;
    }
    prompts().error(databaseError ? databaseError->message() : QString::fromUtf8(error.what()));
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        reportUncaught(error);
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
