#include "rpformat.h"

#include "rpbasereport.h"
#include "rperrors.h"
#include "rpexpression.h"
#include "rpfunc.h"

#include <algorithm>
#include <cmath>

namespace rtfreport {

int FormatKeywordOf(const QString &text)
{
    int letters = 0;
    while (letters < text.size() && TRpBaseReport::Letter(text.at(letters)))
        ++letters;
    const bool callShape = letters < text.size() && text.at(letters) == u'(' && text.size() - letters > 2
                           && text.endsWith(u')');
    if (!callShape)
        return fmtNoFormat;
    const QString name = text.left(letters).toUpper();
    for (int number = 1; number < FormatKeywordCount; ++number)
        if (name == QLatin1String(RpFormatKeywords[number].keyword))
            return number;
    return fmtNoFormat;
}

namespace {

[[noreturn]] void RefuseParameter(const QString &fieldText, const QString &parameter)
{
    throw EIllegalFunctionUse(u"Illegal use of format function "_qs + fieldText + u" - cannot understand argument "_qs
                              + parameter);
}

// "D" or "W:D": digits and blanks around at most one inner ":".
struct NumericParameter {
    std::optional<int> width;
    int decimals = 0;
};

NumericParameter ReadNumericParameter(const QString &fieldText, const QString &parameter)
{
    for (QChar c : parameter)
        if (!TRpBaseReport::Digit(c) && c != u' ' && c != u':')
            RefuseParameter(fieldText, parameter);
    if (parameter.startsWith(u':') || parameter.endsWith(u':'))
        RefuseParameter(fieldText, parameter);
    const auto readInteger = [&](const QString &text) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (!ok)
            RefuseParameter(fieldText, parameter);
        return value;
    };
    const int colon = parameter.indexOf(u':');
    NumericParameter result;
    if (colon < 0) {
        result.decimals = readInteger(parameter);
    } else {
        result.width = readInteger(parameter.left(colon));
        result.decimals = readInteger(parameter.mid(colon + 1));
    }
    return result;
}

// The result kind of the expression when it is a single call; -1 otherwise.
int CalledResultKind(const QString &expression, const TRpUDFList *udfList)
{
    const TRpToken token = ClassifyToken(expression, false);
    if (token.kind != tkFunctionCall || !token.rest.isEmpty())
        return -1;
    const std::optional<int> id = LookupFunction(token.token.left(token.token.indexOf(u'(')), udfList);
    return id ? FunctionResultKind(*id, udfList) : -1;
}

bool KeywordAccepts(const TRpFormatKeyword &keyword, int resultKind)
{
    return keyword.acceptsAny || (resultKind == udfrTRpReportVariable && keyword.acceptsValue)
           || (resultKind == udfrPicture && keyword.acceptsPicture);
}

// FFIXR and FNUMR: the decimal separator becomes DecimalRSeparator; a zero
// fraction becomes DecimalRTerminator, and so does a missing one.
QString ApplyRSeparators(const QString &text, const TRpBaseReport &report)
{
    const int point = text.indexOf(report.FormatSettings().DecimalSeparator);
    if (point < 0)
        return text + report.DecimalRTerminator();
    const QString fraction = text.mid(point + 1);
    bool ok = false;
    const qint64 value = fraction.toLongLong(&ok);
    if (!fraction.isEmpty() && ok && value == 0)
        return text.left(point) + report.DecimalRTerminator();
    return text.left(point) + report.DecimalRSeparator() + fraction;
}

QString NumericText(const QString &valueText, const TRpFieldFormat &format, const TRpBaseReport &report)
{
    const TRpFormatSettings &settings = report.FormatSettings();
    QString text = valueText.trimmed();
    if (text.isEmpty())
        return text;
    const int point = text.indexOf(u'.');
    if (point >= 0)
        text[point] = settings.DecimalSeparator;
    const std::optional<TRpFloat> value = TryTextToFloat(text, settings.DecimalSeparator, settings.ThousandSeparator);
    if (!value)
        return valueText;
    const TRpFloatFormat floatFormat = *RpFormatKeywords[format.fmtnumber].floatFormat;
    QString result = FloatToTextF(*value, floatFormat, format.precision, format.decimals, settings).trimmed();
    if (report.Options().testFlag(eoNumericFormatClearZero) && TRpBaseReport::ZeroOut(result))
        return QString();
    if (format.fmtnumber == fmtFFixR || format.fmtnumber == fmtFNumR)
        result = ApplyRSeparators(result, report);
    return result;
}

bool IsQuotedString(const QString &text)
{
    if (text.size() <= 2)
        return false;
    const QChar closing = ClosingQuote(text.at(0));
    return !closing.isNull() && text.endsWith(closing) && text.indexOf(closing, 1) == text.size() - 1;
}

// FDTM's picture: a quoted string, or the name of a variable holding it.
QString DateTimePicture(const TRpFieldFormat &format, const TRpBaseReport &report, const QStringList &stringTable)
{
    const QString entry = stringTable.value(format.NDtStr()).trimmed();
    if (entry.isEmpty())
        return QString();
    if (IsQuotedString(entry))
        return entry.mid(1, entry.size() - 2);
    // A named variable object only reads the list here.
    TRpReportVariable variable(const_cast<TRpBaseReport *>(&report));
    variable.SetVarName(entry);
    return variable.AsString();
}

QString DateTimeText(TRpDateTime value, const TRpFieldFormat &format, const TRpBaseReport &report,
                     const QStringList &stringTable)
{
    const QString picture = DateTimePicture(format, report, stringTable);
    // An empty picture writes the date and time as the locale does.
    return FormatDateTimePicture(picture.isEmpty() ? u"c"_qs : picture, value, report.FormatSettings());
}

QString BooleanValueText(const QString &valueText, const TRpBaseReport &report)
{
    const bool isTrue = valueText == report.TrueValue() || valueText.toUpper() == u"TRUE";
    return isTrue ? report.TrueValue() : report.FalseValue();
}

bool IsNumericFormat(const TRpFieldFormat &format)
{
    return RpFormatKeywords[format.fmtnumber].floatFormat.has_value();
}

} // namespace

TRpParsedFormat ParseFormatFunction(const QString &fieldText, const TRpFormatSettings &settings,
                                    QStringList &stringTable, const TRpUDFList *udfList)
{
    TRpParsedFormat parsed;
    parsed.expression = fieldText;
    const int number = FormatKeywordOf(fieldText);
    if (number == fmtNoFormat)
        return parsed;
    const TRpFormatKeyword &keyword = RpFormatKeywords[number];
    const int open = fieldText.indexOf(u'(');
    const TRpArguments split = SplitArguments(fieldText.mid(open + 1, fieldText.size() - open - 2));
    if (!split.balanced)
        throw EIllegalFunctionUse(u"Brackets balance violation in format function "_qs + fieldText);
    if (split.arguments.size() < keyword.minArgs)
        throw EIllegalFunctionUse(u"Illegal format function use: "_qs + fieldText
                                  + u" - number of arguments is less than minimum required"_qs);
    if (split.arguments.size() > keyword.maxArgs)
        throw EIllegalFunctionUse(u"Illegal format function use: "_qs + fieldText
                                  + u" - number of arguments is more than maximum allowed"_qs);
    TRpFieldFormat &format = parsed.format;
    format.fmtnumber = number;
    parsed.expression = split.arguments.at(0);
    const bool hasParameter = split.arguments.size() > 1;
    const QString parameter = hasParameter ? split.arguments.at(1) : QString();

    if (keyword.floatFormat.has_value() || number == fmtFImg) {
        const NumericParameter p = hasParameter ? ReadNumericParameter(fieldText, parameter) : NumericParameter();
        if (number == fmtFImg) {
            format.precision = 0;
            if (hasParameter)
                format.precision = p.width.value_or(0) > 0 ? *p.width : p.decimals;
        } else {
            if (hasParameter)
                format.decimals = p.decimals;
            else if (number == fmtFCur)
                format.decimals = settings.CurrencyDecimals;
            if (p.width.value_or(0) > 0)
                format.precision = *p.width;
        }
    } else if (number == fmtFDtm) {
        format.precision = int(stringTable.size());
        stringTable << parameter;
    }

    const int resultKind = CalledResultKind(parsed.expression, udfList);
    if (resultKind >= 0 && !KeywordAccepts(keyword, resultKind))
        throw EIllegalFunctionUse(u"Format function "_qs + QLatin1String(keyword.keyword)
                                  + u" doesn't conform to it's expression: "_qs + parsed.expression);
    return parsed;
}

QString FormatValueText(const QString &valueText, const TRpFieldFormat &format, const TRpBaseReport &report,
                        const QStringList &stringTable)
{
    if (IsNumericFormat(format))
        return NumericText(valueText, format, report);
    switch (format.fmtnumber) {
    case fmtFDtm:
        return DateTimeText(StrToDateTime(valueText, report.FormatSettings()), format, report, stringTable);
    case fmtFBool:
        return BooleanValueText(valueText, report);
    default:
        return valueText;  // NOFORMAT; FLNK, FIMG and FRTF are written by the run
    }
}

// A date field's text without its time part: the text is cut at a blank
// after the 8th character.
static QStringView DateWithoutTime(QStringView text)
{
    const qsizetype blank = text.indexOf(u' ');
    return blank >= 8 ? text.left(blank) : text;
}

QString FieldValueText(const TRpDataSet &dataSet, int field, const TRpFieldFormat &format,
                       const TRpBaseReport &report, const QStringList &stringTable)
{
    const int number = format.fmtnumber;
    const TRpFieldType type = dataSet.FieldType(field);
    const bool writtenAsIs = number == fmtFImg || number == fmtFLnk || number == fmtFRtf;
    if (writtenAsIs)
        return dataSet.DisplayText(field);
    if (type == TRpFieldType::Boolean)
        return dataSet.AsBoolean(field) ? report.TrueValue() : report.FalseValue();
    if (type == TRpFieldType::Date || type == TRpFieldType::DateTime) {
        if (number == fmtFDtm)
            return DateTimeText(dataSet.AsDateTime(field), format, report, stringTable);
        const QString text = dataSet.DisplayText(field);
        const QStringView date = DateWithoutTime(text);
        return date.size() == text.size() ? text : date.toString();
    }
    QString text = dataSet.DisplayText(field);
    while (text.endsWith(u' '))
        text.chop(1);
    return FormatValueText(text, format, report, stringTable);
}

std::optional<QStringView> FieldValueView(const TRpDataSet &dataSet, int field, const TRpFieldFormat &format,
                                          TRpTextScratch &scratch)
{
    const int number = format.fmtnumber;
    if (number == fmtFImg || number == fmtFLnk || number == fmtFRtf || number == fmtFDtm || number == fmtFBool
        || IsNumericFormat(format))
        return std::nullopt;
    const TRpFieldType type = dataSet.FieldType(field);
    QStringView text;
    if (type == TRpFieldType::Boolean || !dataSet.DisplayTextView(field, text, scratch))
        return std::nullopt;
    if (type == TRpFieldType::Date || type == TRpFieldType::DateTime)
        return DateWithoutTime(text);
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

TRpLinkText SplitLinkText(const QString &text)
{
    const int bar = text.indexOf(u'|');
    if (bar < 0)
        return {text, text};
    if (bar == 0)
        return {};
    return {text.left(bar), text.mid(bar + 1)};
}

// --- TRpImageFormat ---------------------------------------------------------------

namespace {

// Nearest integer, halves to even, kept within 16 bits.
quint16 Round16(double value)
{
    return quint16(std::clamp(std::nearbyint(value), 0.0, 65535.0));
}

// The factor from an old to a new value; an old value of 0 counts as 1.
double Factor(double newValue, double oldValue)
{
    return newValue / (oldValue > 0 ? oldValue : 1.0);
}

} // namespace

void TRpImageFormat::SetSizeXY(int sizeX, int sizeY)
{
    SizeX = quint16(std::clamp(sizeX, 0, 65535));
    SizeY = quint16(std::clamp(sizeY, 0, 65535));
    ScaleX = ScaleY = 100;
    SizeXmm = SizeX * MillimetresPerPixel;
    SizeYmm = SizeY * MillimetresPerPixel;
}

namespace {

// One direction of a picture: pixels, percent and millimetres.
struct Axis {
    quint16 &size;
    quint16 &scale;
    double &millimetres;
};

void ScaleAxes(Axis main, Axis other, bool proportional, int scale)
{
    const int v = std::clamp(scale == 0 ? 1 : scale, 1, 65535);
    const double f = Factor(v, main.scale);
    main.scale = quint16(v);
    main.size = Round16(main.size * f);
    main.millimetres *= f;
    if (proportional) {
        other.scale = Round16(other.scale * f);
        other.size = Round16(other.size * f);
        other.millimetres *= f;
    }
}

void SizeAxesInMillimetres(Axis main, Axis other, bool proportional, double millimetres)
{
    if (!(millimetres > 0) || millimetres == main.millimetres)
        return;
    const double f = main.millimetres > 0 ? millimetres / main.millimetres : 1.0;
    main.millimetres = millimetres;
    main.size = Round16(main.size * f);
    main.scale = Round16(main.scale * f);
    if (proportional) {
        other.millimetres = std::nearbyint(other.millimetres * f);  // whole millimetres
        other.size = Round16(other.size * f);
        other.scale = Round16(other.scale * f);
    }
}

// The scale is taken against the picture's own size (the size at scale
// 100), so fitting an already scaled picture gives the asked size too.
int FittingScale(int pixels, const Axis &axis)
{
    const double wanted = pixels == 0 ? 1 : pixels;
    return int(std::clamp(std::nearbyint(wanted * axis.scale / (axis.size > 0 ? axis.size : 1)), 1.0, 65535.0));
}

} // namespace

void TRpImageFormat::SetScaleX(int scale)
{
    ScaleAxes({SizeX, ScaleX, SizeXmm}, {SizeY, ScaleY, SizeYmm}, Proportional, scale);
}

void TRpImageFormat::SetScaleY(int scale)
{
    ScaleAxes({SizeY, ScaleY, SizeYmm}, {SizeX, ScaleX, SizeXmm}, Proportional, scale);
}

void TRpImageFormat::SetSizeXmm(double millimetres)
{
    SizeAxesInMillimetres({SizeX, ScaleX, SizeXmm}, {SizeY, ScaleY, SizeYmm}, Proportional, millimetres);
}

void TRpImageFormat::SetSizeYmm(double millimetres)
{
    SizeAxesInMillimetres({SizeY, ScaleY, SizeYmm}, {SizeX, ScaleX, SizeXmm}, Proportional, millimetres);
}

void TRpImageFormat::FitScaleToX(int pixels)
{
    SetScaleX(FittingScale(pixels, {SizeX, ScaleX, SizeXmm}));
}

void TRpImageFormat::FitScaleToY(int pixels)
{
    SetScaleY(FittingScale(pixels, {SizeY, ScaleY, SizeYmm}));
}

void TRpImageFormat::SetBorderType(int brType, int colorIndex, double brWidth)
{
    const double width = std::min(brWidth, 3.5);
    const int twips = int(std::clamp(std::nearbyint(width * 20), 0.0, 75.0));
    Border.BrType = twips == 0 ? 0 : quint8(std::clamp(brType, 0, 6));
    Border.Width = float(width);
    Border.ColorIndex = quint16(std::clamp(colorIndex, 0, 65535));
    BorderWidthTwips = quint8(twips);
}

} // namespace rtfreport
