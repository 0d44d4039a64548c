#pragma once
// What the printouts hand to the report engine, and the files they use:
// the issuer block, the filter description, the template and output paths,
// and whether a word processor still holds the previous output.

#include "environment.h"
#include "formatting.h"

#include <QString>

namespace print {

enum class PrintoutKind { Note, Register };

struct PrintoutFiles {
    QString templatePath;  // in the program folder
    QString outputPath;    // in the print folder
};

PrintoutFiles printoutFiles(PrintoutKind kind, const app::Environment &env);

// NAZWA1 NAZWA2, then street, number, postcode and town, then "NIP: …"
// when the company has one; no country.
QString issuerBlock(const app::CompanyDetails &company);

// "Filtr zestawienia: " and a line for each condition that narrows the
// list; `counterpartyName` names the filter's recipient.
QString filterDescription(const app::FilterState &filter, const QString &counterpartyName,
                          const app::FormatSettings &settings = app::formatSettings());

// True when LibreOffice has `document` open: its lock file beside the
// document names this machine, and a LibreOffice with the user profile it
// names still runs here. A lock left by a LibreOffice that has ended does
// not count; a lock made on another machine does (it cannot be checked
// from here).
bool isOpenInWordProcessor(const QString &document);

// Why the program does not write `path`, when it is a symbolic link: in a
// folder others may write to, someone else's link could lead to any of the
// user's files. Empty for anything else.
QString linkRefusal(const QString &path);

// A note's display number made fit for a file name: "5/11/2021" -> "5-11-2021".
QString fileNameOf(const QString &displayNumber);

} // namespace print
