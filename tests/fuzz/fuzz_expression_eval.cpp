// Fuzzes the evaluation of arbitrary expression texts over a few variables
// and a small data set: every failure must be an engine or conversion
// error, never a crash or a hang.

#include "rpbasereport.h"
#include "rperrors.h"
#include "rpevaluate.h"

#include <QString>

#include <cstddef>
#include <cstdint>

using namespace rtfreport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TRpMemoryDataSet *orders = [] {
        auto *dataSet = new TRpMemoryDataSet("ORDERS", {{"NAME", TRpFieldType::String},
                                                        {"AMOUNT", TRpFieldType::Currency},
                                                        {"PAID", TRpFieldType::Boolean},
                                                        {"WHEN", TRpFieldType::Date}},
                                             TRpFormatSettings::Polish());
        dataSet->AppendRow({"Anna", 12.5, true, 44530.0});
        dataSet->AppendRow({"Bolek", -3.25, false, QVariant()});
        return dataSet;
    }();
    TRpBaseReport report(TRpFormatSettings::Polish());
    report.RegisterDataSet("ORDERS", orders);
    report.CreateVar("s", QString("abc"));
    report.CreateVar("n", 12.5);
    report.CreateVar("b", true);
    report.CreateVar("d", 44530.5, false);
    orders->First();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const TRpArgument value = EvaluateExpression(report, text);
        if (value.IsKnown())
            value.Value(&report).AsString();
    } catch (const ETextError &) {
    }
    return 0;
}
