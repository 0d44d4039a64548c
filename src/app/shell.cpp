#include "shell.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace app {

bool isWebAddress(const QString &target)
{
    // Two letters at least before the colon, so that "C:" stays a path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

QString shellArgument(const QString &target)
{
    QString text = target.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    if (text.isEmpty() || isWebAddress(text))
        return text;
    return QFileInfo(text).absoluteFilePath();
}

QString shellFailureReason(const QString &target, ShellVerb verb, int result)
{
    if (result == kShellFileNotFound)
        return QStringLiteral("nie ma takiego pliku ani folderu.");
    if (verb == ShellVerb::Print)
        return QStringLiteral("nie ma programu, który by go wydrukował (LibreOffice).");
    if (isWebAddress(shellArgument(target)))
        return QStringLiteral("nie ma przeglądarki, która by ją otworzyła (xdg-open z pakietu xdg-utils).");
    return QStringLiteral("nie ma programu, który by go otworzył (xdg-open z pakietu xdg-utils).");
}

QString shellFailureMessage(const QString &target, ShellVerb verb, int result)
{
    const QString argument = shellArgument(target);
    QString what;
    if (isWebAddress(argument))
        what = QStringLiteral("Nie udało się otworzyć strony ");
    else if (verb == ShellVerb::Print)
        what = QStringLiteral("Nie udało się wydrukować pliku ");
    else if (QFileInfo(argument).isDir())
        what = QStringLiteral("Nie udało się otworzyć folderu ");
    else
        what = QStringLiteral("Nie udało się otworzyć pliku ");
    return what + QDir::toNativeSeparators(argument) + QStringLiteral(":\r\n")
           + shellFailureReason(target, verb, result);
}

int requestOrTell(Shell &shell, Messenger &messenger, const QString &target, ShellVerb verb, WindowState state)
{
    const int result = shell.request(target, verb, state);
    if (result < kShellSucceeded)
        messenger.error(shellFailureMessage(target, verb, result));
    return result;
}

int openOrTell(Shell &shell, Messenger &messenger, const QString &target, WindowState state)
{
    return requestOrTell(shell, messenger, target, ShellVerb::Open, state);
}

} // namespace app
