#pragma once
// The process-wide working environment: folders, version texts, the current
// company and its details, the double-row setting, the last note date, the
// notes list query text and the filter state. Prepared once at start,
// before any window exists.

#include "messages.h"

#include <QDate>
#include <QString>

#include <functional>

namespace app {

struct CompanyDetails {
    QString nazwa1, nazwa2, ulica, numerDomu, miejscowosc, kodPocztowy, nip;
    QString systemNumeracji;    // the numbering pattern
    bool nrMiesieczna = false;  // numbers restart every month
};

struct FilterState {
    int idKontrahent = 0;
    int dateFrom = 0;  // day numbers
    int dateTo = 0;
    qint64 debitFrom = 0;  // ten-thousandths
    qint64 debitTo = 9'999'999'990'000;
    qint64 creditFrom = 0;
    qint64 creditTo = 9'999'999'990'000;
    QString text;
};

// The vendor's web site when Config.ini names none: a reserved name that
// reaches nobody's server.
inline const QString kDefaultVendorUrl = QStringLiteral("https://www.vorlane.example");

struct Environment {
    QString programFolder;   // ends with "/"
    QString workingFolder;   // no trailing "/"
    QString printFolder;
    QString dataFolder;
    QString databaseFolder;
    QString sharedDatabaseLine;  // first line of fnet.cfg; non-blank: shared installation
    // The user the program signs in to the server as, and that user's
    // password: fnet.cfg's third and second lines, trimmed, in a shared
    // installation. Empty: SYSDBA, and the program's own password.
    QString sharedDatabaseUser;
    QString sharedDatabasePassword;
    // The template database to delete once the installed one has opened;
    // empty when there is nothing to delete.
    QString templateToDelete;

    QString shortVersion;  // ver.2022.01
    QString fullVersion;   // 2022.01.01
    QString release;       // 01

    int currentCompany = 0;
    bool doubleRow = true;
    int lastNoteDate = 0;
    QString listQueryText;
    bool directPrint = false;  // the last answer to the print question
    CompanyDetails company;
    FilterState filter;
    QString vendorUrl = kDefaultVendorUrl;  // scheme and host, no trailing "/"
    // Today's date, asked each time: the program may run past midnight.
    std::function<QDate()> today = &QDate::currentDate;

    QString databaseName() const { return databaseFolder + QStringLiteral("/mr.fdb"); }
    bool isSharedInstallation() const { return !sharedDatabaseLine.trimmed().isEmpty(); }
    // A page of the vendor's site: the base address followed by `path` ("/kontakt.htm").
    QString vendorPage(const QString &path = {}) const { return vendorUrl + path; }
    // The address as people read it: without its scheme.
    QString vendorAddress() const;
};

// The one environment of the running program.
Environment &environment();

struct VersionNumbers {
    int major = 0, minor = 0, release = 0, build = 0;
};

// The version the program was built as.
VersionNumbers programVersion();

// Short version, full version and release text.
void setVersionTexts(Environment &env, const VersionNumbers &version);

// Resets the filter to its defaults for `today`: the last 61 days, every amount.
void resetFilter(FilterState &filter, const QDate &today);

// What start-up needs of the platform, so that tests can supply it.
struct StartupContext {
    QString programFolder;        // folder of the executable
    QString firstArgument;        // empty when none
    QString homeFolder;           // holds the default working folder
    QString commonDataFolder;     // machine-wide application data (/var/lib)
    QString userDataFolder;       // the user's application data (~/.local/share)
    uint userId = 0;              // who runs the program (effective user id)
    std::function<int()> colourDepth;  // bits per pixel of the desktop
    QDate today;
    VersionNumbers version;
    Messenger *messenger = nullptr;
};

enum class StartupResult { Continue, Stop };

// Prepares the environment in the fixed order of start-up: version texts,
// list query, dates and filter, formats, folders, the guards, the data
// folder, the shared-installation files, the template database and the
// settings. Stop means a guard refused to run; the process ends with 0.
// The program changes its own folder (the template, erasemb.cfg) only where
// that folder is the user's: an installed program's folder is root's.
// The data folder is the machine's (/var/lib/Vorlane/Mirelo/Dane) when it
// exists, else the user's (~/.local/share/Vorlane/Mirelo/Dane); a database
// that an earlier version kept in "dane" beside the program moves there.
StartupResult InitEnvironment(Environment &env, const StartupContext &context);

// The context of this process: its executable, arguments, home and screen.
StartupContext processStartupContext(const QStringList &arguments, Messenger *messenger,
                                     std::function<int()> colourDepth);

} // namespace app
