#include "archive.h"

#include "dberror.h"
#include "services.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStorageInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace service {

namespace {

const QString kSaveTitle = QStringLiteral(" Zapisz plik - archiwum danych");
const QString kOpenTitle = QStringLiteral(" Otwórz plik - archiwum danych");
const QString kExtension = QStringLiteral("gbk_mr");
const QString kRestoreQuestion =
    QStringLiteral("Uwaga: aktualne dane zostaną usunięte. Czy wykonać dearchiwizację ?");
const QString kArchiveDone = QStringLiteral("Archiwizacja zakończona !");
const QString kRestoreDone = QStringLiteral("Dearchiwizacja zakończona !");
const QString kArchiveFailed = QStringLiteral("Archiwizacja zakończona niepowodzeniem!\r\nPlik archiwum nie został zapisany.");
const QString kRestoreFailed =
    QStringLiteral("Dearchiwizacja zakończona niepowodzeniem!\r\nDotychczasowe dane pozostały bez zmian.");
const QString kArchiveIncomplete =
    QStringLiteral("Plik archiwum jest niepełny: kończy się, zanim odtworzono całą bazę danych.\r\n"
                   "Może został ucięty przy kopiowaniu lub zapisywaniu. Proszę wybrać pełny plik archiwum.");
const QString kArchiveOverDatabase =
    QStringLiteral("Archiwum nie może zastąpić pliku bazy danych.\r\nProszę wybrać inną nazwę pliku archiwum.");
const QString kReconnectFailed =
    QStringLiteral("Dearchiwizacja została wykonana, lecz ponowne połączenie z bazą danych nie powiodło się.\r\n"
                   "Proszę uruchomić program ponownie.");

// The restore target beside the live file: the rename that puts it in
// place stays within one folder, so it is atomic.
QString scratchOf(const QString &path) { return path + QLatin1Char('_'); }

QString withDetail(const QString &headline, const QString &detail)
{
    return detail.isEmpty() ? headline : headline + QStringLiteral("\r\n\r\n") + detail;
}

// Less than the largest database page free: the engine cannot write on.
constexpr qint64 kTooLittleSpace = 64 * 1024;

// The engine's message about a failed backup or restore, headed by a word
// on the file system of `file` when that has run out of space: gbak does
// not always say so itself, as a restore stopped by a failed write may end
// with a later error that hides it.
QString serviceFailure(const QString &file, const QString &message)
{
    const QString folder = QFileInfo(file).absolutePath();
    const QStorageInfo storage(folder);
    if (!storage.isValid() || storage.bytesAvailable() >= kTooLittleSpace)
        return message;
    return QStringLiteral("Zabrakło miejsca na dysku (folder %1).\r\n").arg(QDir::toNativeSeparators(folder))
           + message;
}

// Other attachments would go on writing to a file the restore replaces, or
// miss from an archive what they have not committed yet.
QString othersAttachedMessage(const QString &command, int others)
{
    return QStringLiteral("Nie można wykonać %1, ponieważ z bazą danych pracują inne programy.\r\n"
                          "Liczba innych otwartych połączeń z bazą danych: %2.\r\n"
                          "Proszę zamknąć pozostałe kopie programu Mirelo i spróbować ponownie.")
        .arg(command)
        .arg(others);
}

// Empty when this is the only attachment; else the message for the user.
QString othersAttached(const ui::Context &context, const QString &command)
{
    try {
        const int others = db::otherAttachmentCount(context.data.IBDatabase1);
        return others == 0 ? QString() : othersAttachedMessage(command, others);
    } catch (const db::DbError &error) {
        return error.message();
    }
}

std::filesystem::path nativePath(const QString &path) { return QFile::encodeName(path).toStdString(); }

// The same file, by any name or link.
bool sameFile(const QString &first, const QString &second)
{
    std::error_code error;
    return std::filesystem::equivalent(nativePath(first), nativePath(second), error);
}

// Replaces `target` by `source` in one step: whoever looks sees the old
// file or the new one, never a part. Empty on success, else the reason.
QString renameOver(const QString &source, const QString &target)
{
    std::error_code error;
    std::filesystem::rename(nativePath(source), nativePath(target), error);
    return error ? QString::fromLocal8Bit(error.message()) : QString();
}

// The log over the list and the busy cursor for the life of a run. The
// window keeps being painted between lines, but takes no input: no other
// command can start, and closing the window waits for the end.
class RunDisplay : public QObject {
public:
    explicit RunDisplay(QPlainTextEdit *log) : m_log(log)
    {
        m_log->clear();
        m_log->show();
        m_log->raise();
        m_log->window()->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        keepPainted();
    }
    ~RunDisplay() override
    {
        QApplication::restoreOverrideCursor();
        m_log->window()->removeEventFilter(this);
        m_log->hide();
    }

    db::ServiceProgress progress()
    {
        return {[this](const QString &line) {
                    m_log->appendPlainText(line);
                    keepPainted();
                },
                [] { keepPainted(); }};
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void keepPainted() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

    QPlainTextEdit *m_log;
};

db::ConnectionParameters connectionParameters(const ui::Context &context)
{
    return context.data.IBDatabase1.parameters();
}

// The backup opens its file by name and would follow a link planted there
// into the file it leads to: the scratch archive is made new first, by
// this process, and the backup writes into it. A scratch file left by an
// earlier run goes, and so does a link (not what it leads to). Empty on
// success, else the system's reason.
QString createScratch(const QString &scratch)
{
    QFile::remove(scratch);
    const int descriptor = ::open(QFile::encodeName(scratch).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(descriptor);
    return {};
}

// Writes the archive under a scratch name and gives it the chosen name
// when complete. Empty on success, else the message for the user.
QString writeArchive(const ui::Context &context, RunDisplay &display, const QString &path)
{
    const QString scratch = scratchOf(path);
    QString failure = createScratch(scratch);
    if (!failure.isEmpty())
        return withDetail(kArchiveFailed, QStringLiteral("Nie można utworzyć pliku ") + scratch + QStringLiteral(": ")
                                              + failure);
    try {
        db::ServiceManager(connectionParameters(context)).backup(scratch, display.progress());
        failure = renameOver(scratch, path);
    } catch (const db::DbError &error) {
        failure = serviceFailure(scratch, error.message());
    }
    QFile::remove(scratch);
    return failure.isEmpty() ? failure : withDetail(kArchiveFailed, failure);
}

// Restores the archive into the scratch file beside the live database.
QString restoreToScratch(const ui::Context &context, RunDisplay &display, const QString &archive,
                         const QString &scratch)
{
    try {
        db::ServiceManager(connectionParameters(context)).restore(archive, scratch, display.progress());
        return {};
    } catch (const db::ArchiveEndsEarly &) {
        return withDetail(kRestoreFailed, serviceFailure(scratch, kArchiveIncomplete));
    } catch (const db::DbError &error) {
        return withDetail(kRestoreFailed, serviceFailure(scratch, error.message()));
    }
}

// Closes the connection, renames the restored file over the live one and
// connects again: to the new database, or to the old one when the rename
// failed. Empty on success, else the message for the user.
QString swapIn(const ui::Context &context, const ArchiveWindow &window, const QString &scratch, const QString &live)
{
    // The restored file takes the place of the live one with its permissions.
    QFile::setPermissions(scratch, QFile::permissions(live));
    window.releaseConnection();
    context.data.DataModuleDestroy();
    const QString renameFailure = renameOver(scratch, live);
    // A failed connection is reported by the data module itself.
    if (!context.data.DataModuleCreate(context.prompts))
        return renameFailure.isEmpty() ? kReconnectFailed : withDetail(kRestoreFailed, renameFailure);
    window.resumeConnection();
    return renameFailure.isEmpty()
               ? renameFailure
               : withDetail(kRestoreFailed, QStringLiteral("Nie można zastąpić pliku bazy danych: ") + renameFailure);
}

} // namespace

QString defaultArchiveName(const QDate &day)
{
    return QStringLiteral("ArchiwumMirelo_") + day.toString(QStringLiteral("dd_MM_yyyy")) + QLatin1Char('.')
           + kExtension;
}

void ArchiveDatabase(const ui::Context &context, const ArchiveWindow &window)
{
    const std::optional<QString> chosen = context.prompts.saveFileName(
        kSaveTitle, context.env.workingFolder + QLatin1Char('/') + defaultArchiveName(QDate::currentDate()),
        kArchiveFilter);
    if (!chosen)
        return;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + kExtension;
    // The archive takes the place of the chosen file when complete.
    if (sameFile(path, context.env.databaseName())) {
        context.prompts.error(kArchiveOverDatabase);
        return;
    }

    const QString others = othersAttached(context, QStringLiteral("archiwizacji"));
    if (!others.isEmpty()) {
        context.prompts.error(others);
        return;
    }
    QString failure;
    {
        RunDisplay display(window.log);
        failure = writeArchive(context, display, path);
        window.refreshList();
    }
    if (failure.isEmpty())
        context.prompts.information(kArchiveDone);
    else
        context.prompts.error(failure);
}

void RestoreDatabase(const ui::Context &context, const ArchiveWindow &window)
{
    if (!context.prompts.question(kRestoreQuestion, true))
        return;
    const std::optional<QString> archive = context.prompts.openFileName(kOpenTitle, context.env.workingFolder,
                                                                        kArchiveFilter);
    if (!archive)
        return;
    const QString others = othersAttached(context, QStringLiteral("dearchiwizacji"));
    if (!others.isEmpty()) {
        context.prompts.error(others);
        return;
    }
    const QString live = context.env.databaseName();
    const QString scratch = scratchOf(live);
    QString failure;
    {
        RunDisplay display(window.log);
        failure = restoreToScratch(context, display, *archive, scratch);
        // Someone may have attached while the restore ran.
        if (failure.isEmpty()) {
            const QString othersNow = othersAttached(context, QStringLiteral("dearchiwizacji"));
            if (!othersNow.isEmpty())
                failure = withDetail(kRestoreFailed, othersNow);
        }
        if (failure.isEmpty())
            failure = swapIn(context, window, scratch, live);
        else
            window.refreshList();
    }
    QFile::remove(scratch);
    if (failure.isEmpty())
        context.prompts.information(kRestoreDone);
    else
        context.prompts.error(failure);
}

} // namespace service
