// Fuzzes compiling and running arbitrary templates with a few variables and
// a small data set: every failure must be an engine or conversion error,
// never a crash, a hang or a leak. Templates that loop for ever (a scan
// while a condition holds) are their author's business: the run is bounded
// by an output limit and a number of scanned records.

#include "rpdataset.h"
#include "rperrors.h"
#include "rprtf.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

using namespace rtfreport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TRpMemoryDataSet *notes = [] {
        auto *dataSet = new TRpMemoryDataSet("NOTY", {{"NUMER", TRpFieldType::Integer},
                                                      {"OPIS", TRpFieldType::String},
                                                      {"KWOTA", TRpFieldType::Currency},
                                                      {"DATA", TRpFieldType::Date}},
                                             TRpFormatSettings::Polish());
        dataSet->AppendRow({1, "Usługa", 12.5, 44530.0});
        dataSet->AppendRow({2, QVariant(), -3.25, QVariant()});
        return dataSet;
    }();
    // Templates must begin as RTF; let the fuzzer spend its bytes on the rest.
    const QByteArray bytes = QByteArray("{\\rtf1 ") + QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    TRpRTF report(TRpFormatSettings::Polish());
    report.CreateVar("NUMER", QStringLiteral("7/2021"));
    report.CreateVar("N", 2.5);
    report.CreateVar("B", true);
    report.SetOptions(report.Options() | eoProcessLists);
    report.SetTemplateBuffer(bytes, int(bytes.size()));
    report.SetMaxOutputSize(1 << 20);
    int records = 0;
    report.OnScanRecord = [&](TRpRTF *, TRpScanInfo &) {
        if (++records > 10000)
            throw EIOError(QStringLiteral("too many records"));
    };
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    try {
        report.ExecuteStream({notes}, &out);
    } catch (const ETextError &) {
    }
    return 0;
}
