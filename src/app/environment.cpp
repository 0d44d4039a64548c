#include "environment.h"

#include "daynumber.h"
#include "files.h"
#include "formatting.h"
#include "notesquery.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <unistd.h>

namespace app {

namespace {

const QString kTemplateName = QStringLiteral("mr");

// The first `count` lines of a text file without their line breaks; fewer
// when the file has fewer, none if it is unreadable.
QStringList firstLines(const QString &path, int count)
{
    QStringList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    QTextStream in(&file);
    while (lines.size() < count && !in.atEnd())
        lines.append(in.readLine());
    return lines;
}

bool distributionGuard(const Environment &env, Messenger &messenger)
{
    if (!env.programFolder.toUpper().contains(QStringLiteral("DYSTRYBUCJA")))
        return true;
    messenger.message(QStringLiteral("Nie można uruchamiac programu z katalogu DYSTRYBUCJA ! Usuń CONFIG.INI"),
                      QStringLiteral("UWAGA"), MessageIcon::None);
    return false;
}

// fnet.cfg with a password: the program's group may read it, no one else.
bool fnetModeGuard(const QString &fnet, const QStringList &lines, Messenger &messenger)
{
    if (lines.value(1).trimmed().isEmpty() || !(QFileInfo(fnet).permissions() & QFile::ReadOther))
        return true;
    messenger.error(QStringLiteral("Plik ") + fnet
                    + QStringLiteral(" może odczytać każdy użytkownik komputera, a zawiera hasło do bazy danych.\r\n"
                                     "Administrator komputera ustawia mu właściciela root, grupę mirelo "
                                     "i prawa 0640 poleceniami:\r\n    chown root:mirelo ")
                    + fnet + QStringLiteral("\r\n    chmod 0640 ") + fnet
                    + QStringLiteral("\r\nDo tego czasu program się nie uruchomi."));
    return false;
}

bool colourGuard(const StartupContext &context, Messenger &messenger)
{
    if (context.firstArgument.toUpper() == QStringLiteral("NC") || !context.colourDepth
        || context.colourDepth() >= 8)
        return true;
    messenger.message(QStringLiteral("Program może działać jedynie w trybie 256 kolorów (lub więcej).\r\n"
                                     "Proszę zmienić ustawienia karty graficznej i ponownie uruchomić program"),
                      QStringLiteral("Nieprawidłowe ustawienie dla karty graficznej"), MessageIcon::Information);
    return false;
}

// The program deletes files of its own folder only where that folder is the
// user's, as a build's is. An installed program's folder is root's, and root
// running the program must not take what the package owns.
bool mayChangeProgramFolder(const Environment &env, const StartupContext &context)
{
    return context.userId != 0 && QFileInfo(env.programFolder).ownerId() == context.userId;
}

// Only for an installation of its own: the database then lives in the data
// folder. The template goes only after the database has opened (the caller's
// part): a damaged database must leave the user a way back.
void installTemplateDatabase(Environment &env, const StartupContext &context, Messenger &messenger)
{
    const QString database = env.databaseName();
    const QString templatePath = env.programFolder + kTemplateName;
    if (QFile::exists(database)) {
        if (QFile::exists(templatePath) && mayChangeProgramFolder(env, context))
            env.templateToDelete = templatePath;
    } else if (QFile::exists(templatePath)) {
        // A failed copy shows as the connection failure that follows.
        CopyFileWaiting(templatePath, database);
    } else {
        messenger.error(QStringLiteral("Brak szablonu bazy. Proszę o kontakt z VORLANE."));
    }
}

// Earlier versions kept the database in "dane" beside the program, where a
// clean rebuild deletes it: it moves once to the data folder.
void moveDatabaseFromProgramFolder(const Environment &env)
{
    const QString old = env.programFolder + QStringLiteral("dane/mr.fdb");
    const QString database = env.databaseName();
    if (!QFile::exists(old) || QFile::exists(database) || QFileInfo(old) == QFileInfo(database))
        return;
    if (QFile::rename(old, database))
        return;
    // Another file system: a whole copy first, the old file only then.
    if (CopyFileWaiting(old, database))
        QFile::remove(old);
}

// Without the package the records are the user's alone: the data folder
// 0700, the database 0600. Earlier versions left them 0755 and 0644.
void keepUsersDataPrivate(const Environment &env)
{
    QFile::setPermissions(env.dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QFile::exists(env.databaseName()))
        QFile::setPermissions(env.databaseName(), QFile::ReadOwner | QFile::WriteOwner);
}

// Deletes the files erasemb.cfg names, relative to the program folder. Names
// that lead out of the program folder are passed over.
void eraseListedFiles(const Environment &env)
{
    QFile list(env.programFolder + QStringLiteral("erasemb.cfg"));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QString root = QDir::cleanPath(env.programFolder);
    QTextStream in(&list);
    while (!in.atEnd()) {
        QString line = in.readLine();
        line.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (line.trimmed().isEmpty())
            continue;
        const QString path = QDir::cleanPath(env.programFolder + line);
        if (!path.startsWith(root + QLatin1Char('/')))
            continue;
        QFile file(path);
        if (QFileInfo(path).isFile()) {
            file.setPermissions(file.permissions() | QFile::WriteOwner);
            file.remove();
        }
    }
}

} // namespace

QString Environment::vendorAddress() const
{
    const qsizetype schemeEnd = vendorUrl.indexOf(QStringLiteral("://"));
    return schemeEnd < 0 ? vendorUrl : vendorUrl.mid(schemeEnd + 3);
}

Environment &environment()
{
    static Environment env;
    return env;
}

VersionNumbers programVersion()
{
    return {MIRELO_VERSION_MAJOR, MIRELO_VERSION_MINOR, MIRELO_VERSION_RELEASE, MIRELO_VERSION_BUILD};
}

void setVersionTexts(Environment &env, const VersionNumbers &version)
{
    const QString major = QString::number(version.major);
    const QString minor = PadNumber(version.minor, 2);
    env.release = PadNumber(version.release, 2);
    env.shortVersion = QStringLiteral("ver.") + major + QLatin1Char('.') + minor;
    env.fullVersion = major + QLatin1Char('.') + minor + QLatin1Char('.') + env.release;
}

void resetFilter(FilterState &filter, const QDate &today)
{
    filter = FilterState{};
    filter.dateTo = dayNumber(today);
    filter.dateFrom = filter.dateTo - 61;
}

StartupResult InitEnvironment(Environment &env, const StartupContext &context)
{
    Messenger &messenger = *context.messenger;

    setVersionTexts(env, context.version);
    env.listQueryText = unfilteredNotesQuery();
    env.lastNoteDate = dayNumber(context.today);
    resetFilter(env.filter, context.today);
    ApplyFormatSettings();

    env.programFolder = QDir::cleanPath(context.programFolder) + QLatin1Char('/');
    env.workingFolder = context.firstArgument.isEmpty()
                            ? context.homeFolder + QStringLiteral("/Vorlane/Folder roboczy Mirelo")
                            : QDir::cleanPath(QDir::current().absoluteFilePath(context.firstArgument));
    env.printFolder = env.workingFolder + QStringLiteral("/Wydruki");

    if (!distributionGuard(env, messenger) || !colourGuard(context, messenger))
        return StartupResult::Stop;

    const QString commonData = context.commonDataFolder + QStringLiteral("/Vorlane/Mirelo/Dane");
    env.dataFolder = QDir(commonData).exists() ? commonData
                                               : context.userDataFolder + QStringLiteral("/Vorlane/Mirelo/Dane");

    // fnet.cfg: the server's folder, a password and the user it belongs to.
    // The password comes first, where files of earlier versions carry
    // SYSDBA's: those keep working, and an earlier copy of the program that
    // reads a newer file tries the password, never the user's name, as SYSDBA's.
    const QString fnet = env.programFolder + QStringLiteral("fnet.cfg");
    const QStringList fnetLines = firstLines(fnet, 3);
    env.sharedDatabaseLine = fnetLines.value(0);
    env.databaseFolder = env.isSharedInstallation() ? env.sharedDatabaseLine : env.dataFolder;
    if (env.isSharedInstallation()) {
        if (!fnetModeGuard(fnet, fnetLines, messenger))
            return StartupResult::Stop;
        // The program's own password is known to every copy of it: a server
        // on the office network has its own, given with the folder.
        env.sharedDatabasePassword = fnetLines.value(1).trimmed();
        env.sharedDatabaseUser = fnetLines.value(2).trimmed();
    }

    for (const QString &folder : {env.dataFolder, env.workingFolder, env.printFolder})
        QDir().mkpath(folder);

    if (!env.isSharedInstallation()) {
        moveDatabaseFromProgramFolder(env);
        installTemplateDatabase(env, context, messenger);
        // The package's folder is the group's, with modes of its own.
        if (env.dataFolder != commonData)
            keepUsersDataPrivate(env);
    } else if (mayChangeProgramFolder(env, context)) {
        eraseListedFiles(env);
    }

    ReadSettings(env);
    return StartupResult::Continue;
}

StartupContext processStartupContext(const QStringList &arguments, Messenger *messenger,
                                     std::function<int()> colourDepth)
{
    StartupContext context;
    context.programFolder = QCoreApplication::applicationDirPath();
    context.firstArgument = arguments.size() > 1 ? arguments.at(1) : QString();
    context.homeFolder = QDir::homePath();
    context.commonDataFolder = QStringLiteral("/var/lib");
    context.userDataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    context.userId = ::geteuid();
    context.colourDepth = std::move(colourDepth);
    context.today = QDate::currentDate();
    context.version = programVersion();
    context.messenger = messenger;
    return context;
}

} // namespace app
