#include "connectionloss.h"

#include "dberror.h"

namespace ui {

namespace {

const QString kLost = QStringLiteral(
    "Utracono połączenie z bazą danych.\r\n\r\n"
    "Serwer bazy danych przestał odpowiadać: mógł zostać zatrzymany albo przerwano połączenie sieciowe. "
    "To, co zapisano wcześniej, jest bezpieczne w bazie; zmiana, której zapisywanie przerwano, "
    "mogła nie zostać zapisana.");
const QString kStillUnreachable = QStringLiteral("Nadal nie można połączyć się z bazą danych.");
const QString kQuestion = QStringLiteral("Czy połączyć się ponownie ?");
const QString kRestored = QStringLiteral("Połączenie z bazą danych zostało przywrócone.");

bool askToRetry(const Context &context, const QString &what, const QString &reason)
{
    const QString text = what + QStringLiteral("\r\n\r\nPrzyczyna: ") + reason + QStringLiteral("\r\n\r\n") + kQuestion;
    return context.prompts.message(text, app::kCaptionError, app::MessageIcon::Warning, app::MessageButtons::YesNo,
                                   app::MessageAnswer::Yes)
           == app::MessageAnswer::Yes;
}

} // namespace

bool offerReconnect(const Context &context, const db::DbError &error)
{
    QString what = kLost;
    QString reason = error.message();
    while (askToRetry(context, what, reason)) {
        try {
            context.data.reconnect();
            context.prompts.information(kRestored);
            return true;
        } catch (const db::DbError &again) {
            what = kStillUnreachable;
            reason = again.message();
        }
    }
    return false;
}

} // namespace ui
