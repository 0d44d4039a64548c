#pragma once
// Shared by the engine's tests: readable QStrings in failure messages, the
// text of an expected error, and a template run into memory.

#include "rprtf.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include "test_casenames.h"

#include <ostream>

// One row of a table of cases: a text in, the text expected out.
struct TextCase {
    const char16_t *input;
    const char16_t *expected;
};

inline void PrintTo(const TextCase &c, std::ostream *os)
{
    *os << QString::fromUtf16(c.input).toStdString();
}

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

// The message of the error E that call throws, or "<no error>".
template <typename E, typename F>
QString MessageOf(F &&call)
{
    try {
        call();
    } catch (const E &error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

// The document a template makes over the data sets, written to memory.
inline QByteArray RunTemplate(rtfreport::TRpRTF &report, const QByteArray &templateBytes,
                              const std::vector<rtfreport::TRpDataSet *> &dataSets = {})
{
    report.SetTemplateBuffer(templateBytes, int(templateBytes.size()));
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    report.ExecuteStream(dataSets, &out);
    return out.data();
}
