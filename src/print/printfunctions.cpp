#include "printfunctions.h"

#include "amountwords.h"
#include "rpbasereport.h"
#include "rperrors.h"

#include <cmath>

using namespace rtfreport;

namespace print {

namespace {

const QString FunctionSuffix = QStringLiteral(". Function \"SLOWNIE\"");

bool IsAmountField(const TRpArgument &argument)
{
    if (!argument.IsField())
        return false;
    const TRpFieldType type = argument.dataSet()->FieldType(argument.fieldIndex());
    return type == TRpFieldType::Currency || type == TRpFieldType::BCD;
}

// The argument in ten-thousandths, or nothing beyond the amounts the
// database holds. Amount fields are read exactly; everything else as the
// engine reads a number.
std::optional<qint64> TenThousandths(TRpBaseReport &report, const TRpArgument &argument)
{
    if (IsAmountField(argument))
        return argument.dataSet()->AsCurrency(argument.fieldIndex());
    switch (argument.DataType()) {
    case rpdtNumber:
    case rpdtString: break;
    case rpdtUnknown: throw ERpError(u"Operand type unknown"_qs + FunctionSuffix);
    default: throw ERpError(u"Operand of numeric type expected"_qs + FunctionSuffix);
    }
    const TRpFloat scaled = argument.Value(&report).AsFloat() * 10000;
    constexpr TRpFloat TwoToThe63 = 9223372036854775808.0L;
    if (!(scaled >= -TwoToThe63 && scaled < TwoToThe63))  // also NaN
        return std::nullopt;
    return std::llround(scaled);
}

void CalculateSlownie(TRpBaseReport *report, TRpUDFArgs &args, int, TRpArgument &result)
{
    const TRpArgument &amount = args.at(0);
    const std::optional<qint64> tenThousandths = TenThousandths(*report, amount);
    if (!tenThousandths)
        throw ERpError(u"Amount out of range"_qs + FunctionSuffix + u", amount "_qs + amount.Value(report).ValueText()
                       + u" (words are written from -922337203685477.58 to 922337203685477.58)"_qs);
    result.variable()->SetAsString(amountInWords(*tenThousandths));
}

} // namespace

void registerPrintoutFunctions(TRpUDFList &list)
{
    TRpUDF &slownie = list.Functions().Add();
    slownie.SetName(QStringLiteral("SLOWNIE"));
    slownie.SetArgMaxCount(1);
    slownie.SetArgMinCount(1);
    slownie.SetResultType(udfrTRpReportVariable);
    slownie.SetOnCalculate(CalculateSlownie);
}

TRpUDFList &printoutFunctions()
{
    static TRpUDFList list;
    if (list.Functions().Count() == 0)
        registerPrintoutFunctions(list);
    return list;
}

} // namespace print
