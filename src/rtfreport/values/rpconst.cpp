#include "rpconst.h"

#include "rperrors.h"

namespace rtfreport {

const std::array<TRpFunctionInfo, BuiltInFunctionCount> RpFunctions = {{
    {-1, "SUM", 2, 3, 0},           {-2, "CTN", 2, 3, 0},
    {-3, "CTS", 2, 3, 0},           {-4, "VAR", 1, 10000, 0},
    {-5, "SYS_AND", 2, 2, 1},       {-6, "SYS_OR", 2, 2, 1},
    {-7, "SYS_LTEQ", 2, 2, 1},      {-8, "SYS_GTEQ", 2, 2, 1},
    {-9, "SYS_NOTEQ", 2, 2, 1},     {-10, "SYS_UMINUS", 1, 1, 1},
    {-11, "SYS_UPLUS", 1, 1, 1},    {-12, "SYS_NOT", 1, 1, 1},
    {-13, "SYS_MULT", 2, 2, 1},     {-14, "SYS_DIV", 2, 2, 1},
    {-15, "SYS_PERCENT", 2, 2, 1},  {-16, "SYS_ADD", 2, 2, 1},
    {-17, "SYS_SUB", 2, 2, 1},      {-18, "SYS_GT", 2, 2, 1},
    {-19, "SYS_LT", 2, 2, 1},       {-20, "IF", 1, 1, 1},
    {-21, "WHILE", 1, 1, 1},        {-22, "", 1, 1, 1},
    {-23, "SYS_EQ", 2, 2, 1},       {-24, "SET", 2, 2, 0},
    {-25, "TRIM", 1, 1, 1},         {-26, "MID", 2, 3, 1},
    {-27, "SUBSTR", 2, 3, 1},       {-28, "COPY", 2, 3, 1},
    {-29, "UPPER", 1, 1, 1},        {-30, "LOWER", 1, 1, 1},
    {-31, "STR", 1, 3, 1},          {-32, "VAL", 1, 1, 1},
    {-33, "EOF", 1, 1, 1},          {-34, "BOF", 1, 1, 1},
    {-35, "NEXT", 1, 1, 0},         {-36, "PRIOR", 1, 1, 0},
    {-37, "FIRST", 1, 1, 0},        {-38, "LAST", 1, 1, 0},
    {-39, "INT", 1, 1, 1},          {-40, "FRAC", 1, 1, 1},
    {-41, "ROUND", 1, 2, 1},        {-42, "NOW", 0, 0, 1},
    {-43, "DATE", 0, 0, 1},         {-44, "TIME", 0, 0, 1},
    {-45, "DATETOSTR", 1, 1, 1},    {-46, "DATETIMETOSTR", 1, 1, 1},
    {-47, "TIMETOSTR", 1, 1, 1},    {-48, "STRTODATE", 1, 1, 1},
    {-49, "STRTODATETIME", 1, 1, 1}, {-50, "STRTOTIME", 1, 1, 1},
    {-51, "YEAR", 1, 1, 1},         {-52, "MONTH", 1, 1, 1},
    {-53, "DAY", 1, 1, 1},          {-54, "SYEAR", 1, 1, 1},
    {-55, "SMONTH", 1, 1, 1},       {-56, "SDAY", 1, 1, 1},
    {-57, "DTOS", 1, 1, 1},         {-58, "STOD", 1, 1, 1},
    {-59, "FORMATFLOAT", 2, 2, 1},  {-60, "POWER", 2, 2, 1},
    {-61, "INTPOWER", 2, 2, 1},     {-62, "IIF", 3, 3, 1},
    {-63, "ELSIF", 1, 1, 1},        {-64, "POS", 2, 2, 1},
    {-65, "SYS_LET", 2, 2, 0},      {-66, "SYS_IIF_TEST", 1, 1, 1},
    {-67, "SYS_IIF_TRUE", 1, 1, 1}, {-68, "SYS_IIF_FALSE", 1, 1, 1},
}};

const TRpFunctionInfo &BuiltInFunction(int id)
{
    if (id >= 0 || id < -BuiltInFunctionCount)
        throw EIllegalFunctionUse(u"Function not found: built-in function "_qs + QString::number(id));
    return RpFunctions[-id - 1];
}

const std::array<TRpOperatorInfo, OperatorCount> RpOperators = {{
    {"u-", fnSysUMinus, 1, 8, false, false, false},
    {"u+", fnSysUPlus, 1, 8, false, false, false},
    {"!", fnSysNot, 1, 8, true, true, true},
    {"*", fnSysMult, 2, 7, false, false, false},
    {"/", fnSysDiv, 2, 7, false, false, false},
    {"%", fnSysPercent, 2, 7, false, false, false},
    {"+", fnSysAdd, 2, 6, false, false, false},
    {"-", fnSysSub, 2, 6, false, false, false},
    {"<", fnSysLt, 2, 5, false, false, true},
    {">", fnSysGt, 2, 5, false, false, true},
    {"<=", fnSysLtEq, 2, 5, false, false, true},
    {">=", fnSysGtEq, 2, 5, false, false, true},
    {"=", fnSysEq, 2, 4, false, true, true},
    {"<>", fnSysNotEq, 2, 4, false, true, true},
    {"!=", fnSysNotEq, 2, 4, false, true, true},
    {"&&", fnSysAnd, 2, 3, true, true, true},
    {"||", fnSysOr, 2, 3, true, true, true},
    {":=", fnSysLet, 2, 2, false, true, false},
    {")", 0, 0, 1, false, false, false},
    {"(", 0, 0, 0, false, false, false},
}};

const TRpOperatorInfo *FindOperator(const QString &symbol)
{
    for (const TRpOperatorInfo &op : RpOperators)
        if (symbol == QLatin1String(op.symbol))
            return &op;
    return nullptr;
}

const std::array<TRpFormatKeyword, FormatKeywordCount> RpFormatKeywords = {{
    {"NOFORMAT", 1, 1, true, true, true, std::nullopt},
    {"FEXP", 1, 2, true, false, false, TRpFloatFormat::Exponent},
    {"FFIX", 1, 2, true, false, false, TRpFloatFormat::Fixed},
    {"FNUM", 1, 2, true, false, false, TRpFloatFormat::Number},
    {"FCUR", 1, 2, true, false, false, TRpFloatFormat::Currency},
    {"FIMG", 1, 2, true, true, false, std::nullopt},
    {"FLNK", 1, 1, true, false, false, std::nullopt},
    {"FFIXR", 1, 2, true, false, false, TRpFloatFormat::Fixed},
    {"FNUMR", 1, 2, true, false, false, TRpFloatFormat::Number},
    {"FDTM", 2, 2, true, false, false, std::nullopt},
    {"FBOOL", 1, 1, true, false, false, std::nullopt},
    {"FRTF", 1, 1, true, false, false, std::nullopt},
}};

} // namespace rtfreport
