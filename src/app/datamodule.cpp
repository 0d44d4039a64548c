#include "datamodule.h"

#include "daynumber.h"
#include "dberror.h"
#include "formatting.h"

#include <QFile>

#include <algorithm>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

QString databasePassword() { return QStringLiteral("quorbelin"); }

QString groupHint(const QString &folder)
{
    struct stat info;
    if (folder.isEmpty() || ::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return {};
    // The package's folders belong to the group whose members may use the
    // program; Firebird only says "Permission denied".
    const gid_t owners = info.st_gid;
    if (info.st_uid == ::geteuid() || owners == ::getegid() || (info.st_mode & S_IRWXO) == S_IRWXO)
        return {};
    std::vector<gid_t> groups(std::max(::getgroups(0, nullptr), 0));
    if (::getgroups(int(groups.size()), groups.data()) >= 0
        && std::find(groups.begin(), groups.end(), owners) != groups.end())
        return {};
    const struct group *entry = ::getgrgid(owners);
    const passwd *user = ::getpwuid(::geteuid());
    const QString groupName = entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(info.st_gid);
    const QString userName = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::geteuid());
    return QStringLiteral("Użytkownik ") + userName + QStringLiteral(" nie należy do grupy ") + groupName
           + QStringLiteral(", której członkowie mogą pracować w programie na bazie danych w folderze ") + folder
           + QStringLiteral(".\r\nAdministrator komputera dodaje go do niej poleceniem:\r\n    adduser ") + userName
           + QLatin1Char(' ') + groupName
           + QStringLiteral("\r\nPotem trzeba się wylogować i zalogować ponownie.\r\n\r\nKomunikat bazy danych:\r\n");
}

TDataModule1::TDataModule1(Environment &env) : m_env(env) {}

TDataModule1::~TDataModule1() { DataModuleDestroy(); }

void TDataModule1::connect()
{
    const QString user = m_env.sharedDatabaseUser.isEmpty() ? QStringLiteral("sysdba") : m_env.sharedDatabaseUser;
    const QString password =
        m_env.sharedDatabasePassword.isEmpty() ? databasePassword() : m_env.sharedDatabasePassword;
    IBDatabase1.open({m_env.databaseName(), user, password, {}});
    // A damaged file, or someone else's database, may attach and fail at the
    // first read: read once now, while the user can be told.
    IBTransaction1.start();
    db::Statement probe(IBTransaction1, QStringLiteral("select first 1 IDFIRMA from FIRMA"));
    probe.open();
    probe.next();
    probe.close();
    IBTransaction1.commit();
}

void TDataModule1::reconnect()
{
    DataModuleDestroy();
    try {
        connect();
    } catch (const db::DbError &) {
        DataModuleDestroy();
        throw;
    }
}

bool TDataModule1::DataModuleCreate(Messenger &messenger)
{
    try {
        connect();
        return true;
    } catch (const db::DbError &error) {
        DataModuleDestroy();
        messenger.error(QStringLiteral("Połączenie z bazą zakończone niepowodzeniem.\r\n\r\n")
                        + groupHint(m_env.isSharedInstallation() ? QString() : m_env.databaseFolder)
                        + error.message());
        return false;
    }
}

void TDataModule1::DataModuleDestroy() noexcept
{
    ibqFirma.close();
    ibqKontrahent.close();
    ibqNota.close();
    if (IBTransaction1.isActive()) {
        try {
            IBTransaction1.commit();
        } catch (const db::DbError &) {
        }
    }
    IBDatabase1.close();
}

bool TDataModule1::locate(db::Statement &query, const QString &parameter, int id)
{
    IBTransaction1.commitIfActive();
    IBTransaction1.start();
    query.setInt(parameter, id);
    query.open();
    return query.next();
}

bool TDataModule1::ReadCompany(int idFirma)
{
    CompanyDetails &company = m_env.company;
    const bool found = locate(ibqFirma, QStringLiteral("idfirma"), idFirma);
    if (found) {
        company.nazwa1 = ibqFirma.toText("NAZWA1");
        company.nazwa2 = ibqFirma.toText("NAZWA2");
        company.ulica = ibqFirma.toText("ULICA");
        company.numerDomu = ibqFirma.toText("NUMERDOMU");
        company.miejscowosc = ibqFirma.toText("MIEJSCOWOSC");
        company.kodPocztowy = ibqFirma.toText("KODPOCZTOWY");
        company.nip = ibqFirma.toText("NIP");
        company.systemNumeracji = ibqFirma.toText("SYSTEMNUMERACJI");
        company.nrMiesieczna = FlagFromText(ibqFirma.toText("NRMIESIECZNA"));
    } else {
        // The flag keeps its value: only the texts describe "no company".
        const bool monthly = company.nrMiesieczna;
        company = CompanyDetails{};
        company.nrMiesieczna = monthly;
    }
    ibqFirma.close();
    IBTransaction1.commit();
    return found;
}

QString TDataModule1::CounterpartyName(int idKontrahent)
{
    QString name;
    if (locate(ibqKontrahent, QStringLiteral("idkontrahent"), idKontrahent))
        name = ibqKontrahent.toText("NAZWA1") + QLatin1Char(' ') + ibqKontrahent.toText("NAZWA2");
    ibqKontrahent.close();
    IBTransaction1.commit();
    return name;
}

QString TDataModule1::CounterpartyAddress(int idKontrahent)
{
    QString address;
    if (locate(ibqKontrahent, QStringLiteral("idkontrahent"), idKontrahent)) {
        const auto field = [this](const char *name) { return ibqKontrahent.toText(QString::fromLatin1(name)); };
        address = field("NAZWA1") + QLatin1Char(' ') + field("NAZWA2") + QStringLiteral("\r\n") + field("ULICA")
                  + QLatin1Char(' ') + field("NUMERDOMU") + QStringLiteral(", ") + field("KODPOCZTOWY")
                  + QLatin1Char(' ') + field("MIEJSCOWOSC") + QStringLiteral(". ") + field("KRAJ");
        if (!field("NIP").isEmpty())
            address += QStringLiteral("\r\nNIP: ") + field("NIP");
    }
    ibqKontrahent.close();
    IBTransaction1.commit();
    return address;
}

int TDataModule1::maxNumber(int idFirma, int firstDay, int lastDay)
{
    IBTransaction1.commitIfActive();
    IBTransaction1.start();
    ibqNota.setInt(QStringLiteral("idfirma"), idFirma);
    ibqNota.setInt(QStringLiteral("dataod"), firstDay);
    ibqNota.setInt(QStringLiteral("datado"), lastDay);
    ibqNota.open();
    const int value = ibqNota.next() ? ibqNota.toInt(0) : 0;
    ibqNota.close();
    IBTransaction1.commit();
    return value;
}

int TDataModule1::MaxNumberInMonth(int idFirma, int day)
{
    return maxNumber(idFirma, firstDayOfMonth(day), lastDayOfMonth(day));
}

int TDataModule1::MaxNumberInYear(int idFirma, int day)
{
    return maxNumber(idFirma, firstDayOfYear(day), lastDayOfYear(day));
}

int TDataModule1::NextNoteNumber(int day)
{
    const int company = m_env.currentCompany;
    return (m_env.company.nrMiesieczna ? MaxNumberInMonth(company, day) : MaxNumberInYear(company, day)) + 1;
}

} // namespace app
