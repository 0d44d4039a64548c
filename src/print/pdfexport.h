#pragma once
// A document turned into PDF by LibreOffice without a window.

#include <QString>

namespace print {

// Writes `document` as the PDF `target`, replacing it whole once the PDF
// is complete. Empty on success, else why it failed (in Polish, with the
// system's reason). Waits at most `timeoutMs` for LibreOffice.
QString convertToPdf(const QString &document, const QString &target, int timeoutMs = 120000);

} // namespace print
