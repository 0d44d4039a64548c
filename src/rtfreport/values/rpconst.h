#pragma once
// Constant tables of the expression language: the built-in functions, the
// operators and the format keywords.

#include "rpformatsettings.h"

#include <QString>

#include <array>
#include <optional>

namespace rtfreport {

struct TRpFunctionInfo {
    int id;              // -1 .. -68, in table order
    const char *name;    // upper case; "" is the bracket function
    int minArgs;
    int maxArgs;
    int resultKind;      // 0 none, 1 a value (as TRpUDFResultType)
};

// Identifiers of the built-in functions the engine treats specially.
enum TRpBuiltIn {
    fnSum = -1, fnCtn = -2, fnCts = -3, fnVar = -4,
    fnSysAnd = -5, fnSysOr = -6, fnSysLtEq = -7, fnSysGtEq = -8, fnSysNotEq = -9,
    fnSysUMinus = -10, fnSysUPlus = -11, fnSysNot = -12, fnSysMult = -13, fnSysDiv = -14,
    fnSysPercent = -15, fnSysAdd = -16, fnSysSub = -17, fnSysGt = -18, fnSysLt = -19,
    fnIf = -20, fnWhile = -21, fnBrackets = -22, fnSysEq = -23, fnSet = -24,
    fnTrim = -25, fnMid = -26, fnSubstr = -27, fnCopy = -28, fnUpper = -29, fnLower = -30,
    fnStr = -31, fnVal = -32, fnEof = -33, fnBof = -34, fnNext = -35, fnPrior = -36,
    fnFirst = -37, fnLast = -38, fnInt = -39, fnFrac = -40, fnRound = -41, fnNow = -42,
    fnDate = -43, fnTime = -44, fnDateToStr = -45, fnDateTimeToStr = -46, fnTimeToStr = -47,
    fnStrToDate = -48, fnStrToDateTime = -49, fnStrToTime = -50, fnYear = -51, fnMonth = -52,
    fnDay = -53, fnSYear = -54, fnSMonth = -55, fnSDay = -56, fnDtoS = -57, fnStoD = -58,
    fnFormatFloat = -59, fnPower = -60, fnIntPower = -61, fnIif = -62, fnElsIf = -63,
    fnPos = -64, fnSysLet = -65, fnSysIifTest = -66, fnSysIifTrue = -67, fnSysIifFalse = -68,
};

constexpr int BuiltInFunctionCount = 68;
extern const std::array<TRpFunctionInfo, BuiltInFunctionCount> RpFunctions;
// The entry of a built-in identifier (-1 .. -68).
const TRpFunctionInfo &BuiltInFunction(int id);

struct TRpOperatorInfo {
    const char *symbol;      // "u-" and "u+" are the unary signs
    int functionId;          // 0 for the brackets
    int operands;
    int priority;
    bool reqBoolArg;
    bool allowBoolArg;
    bool retBoolRes;
};

constexpr int OperatorCount = 20;
extern const std::array<TRpOperatorInfo, OperatorCount> RpOperators;
// The operator of a symbol, or nullptr.
const TRpOperatorInfo *FindOperator(const QString &symbol);

// Format keywords; the number is the row index.
enum TRpFormatNumber {
    fmtNoFormat = 0, fmtFExp, fmtFFix, fmtFNum, fmtFCur, fmtFImg, fmtFLnk,
    fmtFFixR, fmtFNumR, fmtFDtm, fmtFBool, fmtFRtf,
};

struct TRpFormatKeyword {
    const char *keyword;
    int minArgs;
    int maxArgs;
    bool acceptsValue;     // results of kind udfrTRpReportVariable
    bool acceptsPicture;   // results of kind udfrPicture
    bool acceptsAny;       // NOFORMAT: every kind
    std::optional<TRpFloatFormat> floatFormat;  // set for the numeric formats
};

constexpr int FormatKeywordCount = 12;
extern const std::array<TRpFormatKeyword, FormatKeywordCount> RpFormatKeywords;

} // namespace rtfreport
