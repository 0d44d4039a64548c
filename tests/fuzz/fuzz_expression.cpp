// Fuzzes the infix converter and the call parser on arbitrary command text:
// they may refuse it with an engine error, never crash or hang.

#include "rperrors.h"
#include "rpexpression.h"
#include "rpfunc.h"

#include <QString>

#include <cstddef>
#include <cstdint>

using namespace rtfreport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TRpUDFList *udfList = [] {
        auto *list = new TRpUDFList;
        TRpUDF &trim = list->Functions().Add();
        trim.SetName("TRIM");
        trim.SetArgMaxCount(3);
        return list;
    }();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (bool dotAsColon : {false, true}) {
        try {
            const QString call = ParseInfix(text, dotAsColon);
            // What the converter emits must parse as a call again.
            ParseFunctionCall(call, udfList);
        } catch (const ERpError &) {
        }
    }
    try {
        ParseFunctionCall(text, udfList);
    } catch (const ERpError &) {
    }
    SplitArguments(text);
    ClassifyToken(text, true);
    return 0;
}
