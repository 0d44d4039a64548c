// mirelo-rtf: runs a report template from the command line with variables
// and JSON data sets, for scripts.
//
//   mirelo-rtf [options] TEMPLATE OUTPUT      OUTPUT "-" writes to standard output
//
// Exit codes: 0 success; 1 the run failed (one line "mirelo-rtf: " and the
// engine's message on standard error; an existing output file is left as it
// was, none is made; an OUTPUT that is a symbolic link fails so, never
// written through); 2 bad arguments, an unreadable data file or an OUTPUT
// that is one of the inputs (a usage message).

#include "printfunctions.h"
#include "qimagedecoder.h"
#include "rpdataset.h"
#include "rperrors.h"
#include "rphugepages.h"
#include "rprtf.h"
#include "rprtf_io.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>

#include <simdjson.h>

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace rtfreport;

namespace {

constexpr char Usage[] =
    "usage: mirelo-rtf [options] TEMPLATE OUTPUT          OUTPUT \"-\" writes to standard output\n"
    "  --var NAME=TEXT            text variable\n"
    "  --number NAME=NUMBER       number variable (\".\" is the decimal point)\n"
    "  --bool NAME=true|false     boolean variable\n"
    "  --date NAME=YYYY-MM-DD     date variable; NAME=YYYY-MM-DDTHH:MM:SS a date-time variable\n"
    "  --data FILE.json           a data set; repeatable, the order gives the aliases A, B, ...\n"
    "  --option NAME              switch an option on by its name (eoClearMissedFields, ...);"
    " --no-option NAME switches one off\n"
    "  --charset N  --lang N  --true TEXT  --false TEXT  --unicode   (defaults: --charset 238 --lang 1045)\n"
    "  --locale pl_PL|en_US|system   format settings (default: pl_PL)\n"
    "  --max-output SIZE          fail a run whose document would be larger (bytes, or with\n"
    "                             K, M or G for 1024, 1024^2, 1024^3 bytes; default: no limit)\n"
    "  --help                     this text\n"
    "A failed run prints the engine's message on one line of standard error; when a field\n"
    "of the template failed, a second line says where it stands:\n"
    "  mirelo-rtf: place: field N \"\\TEXT\\\" at byte B, after \"...\"\n"
    "N counts the template's fields from 1, TEXT is the field as typed, B the offset of its\n"
    "opening backslash in the file (from 0), and the quotation ends with the last 30\n"
    "characters of document text before the field (\"at the beginning of the document\"\n"
    "when there are none), to be searched for in the word processor.\n";

// A mistake in the arguments or a data file: exit 2 with the usage.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Variable {
    enum class Kind { Text, Number, Boolean, Date, DateTime } kind;
    QString name;
    QString text;
    TRpFloat number = 0;
    bool boolean = false;
    TRpDateTime date = 0;
};

struct Arguments {
    QString templateFile;
    QString outputFile;
    std::vector<Variable> variables;
    std::vector<QString> dataFiles;
    std::vector<std::pair<TRpRTFOption, bool>> options;
    // The program's own settings: the engine writes Windows-1250 bytes.
    int charset = 238;
    int lang = 1045;
    std::optional<QString> trueValue;
    std::optional<QString> falseValue;
    bool unicode = false;
    QString locale = QStringLiteral("pl_PL");
    qint64 maxOutput = 0;  // 0: no limit
    bool help = false;  // --help: the usage, and nothing run
};

std::optional<TRpRTFOption> OptionByName(const QString &name)
{
    static const std::map<QString, TRpRTFOption> options{
        {QStringLiteral("eoGraphicsWmfCompatible"), eoGraphicsWmfCompatible},
        {QStringLiteral("eoGraphicsBinary"), eoGraphicsBinary},
        {QStringLiteral("eoClearMissedFields"), eoClearMissedFields},
        {QStringLiteral("eoDotAsColon"), eoDotAsColon},
        {QStringLiteral("eoNumericFormatClearZero"), eoNumericFormatClearZero},
        {QStringLiteral("eoKeepFrtfPar"), eoKeepFrtfPar},
        {QStringLiteral("eoProcessFormFields"), eoProcessFormFields},
        {QStringLiteral("eoProcessLists"), eoProcessLists},
        {QStringLiteral("eoUniqueLists"), eoUniqueLists},
    };
    const auto found = options.find(name);
    return found == options.end() ? std::nullopt : std::optional(found->second);
}

// The number written with exactly `length` digits at `at`, or -1.
int DigitsAt(std::string_view text, std::size_t at, std::size_t length)
{
    if (at + length > text.size())
        return -1;
    int number = 0;
    for (std::size_t i = at; i < at + length; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

// YYYY-MM-DD as a day count.
std::optional<TRpDateTime> IsoDate(std::string_view text)
{
    const int y = DigitsAt(text, 0, 4), m = DigitsAt(text, 5, 2), d = DigitsAt(text, 8, 2);
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || y < 0 || m < 0 || d < 0 || !IsValidDate(y, m, d))
        return std::nullopt;
    return EncodeDate(y, m, d);
}

// HH:MM or HH:MM:SS as a fraction of a day.
std::optional<TRpDateTime> IsoTime(std::string_view text)
{
    const int h = DigitsAt(text, 0, 2), m = DigitsAt(text, 3, 2);
    const bool withSeconds = text.size() == 8;
    const int s = withSeconds ? DigitsAt(text, 6, 2) : 0;
    if ((text.size() != 5 && !withSeconds) || text[2] != ':' || (withSeconds && text[5] != ':') || h < 0 || h > 23
        || m < 0 || m > 59 || s < 0 || s > 59)
        return std::nullopt;
    return EncodeTime(h, m, s, 0);
}

// ISO 8601 date, time or date-time text (UTF-8) as a day count.
std::optional<TRpDateTime> IsoDateTime(std::string_view text, bool withDate, bool withTime)
{
    if (!withTime)
        return IsoDate(text);
    if (!withDate)
        return IsoTime(text);
    const std::size_t t = text.find('T');
    const auto date = t == text.npos ? std::nullopt : IsoDate(text.substr(0, t));
    const auto time = t == text.npos ? std::nullopt : IsoTime(text.substr(t + 1));
    if (!date || !time)
        return std::nullopt;
    return *date + *time;
}

std::pair<QString, QString> NameAndValue(const QString &option, const QString &argument)
{
    const qsizetype equals = argument.indexOf(u'=');
    if (equals <= 0)
        throw UsageError(option.toStdString() + " needs NAME=VALUE, got \"" + argument.toStdString() + "\"");
    return {argument.left(equals), argument.mid(equals + 1)};
}

Variable ReadVariable(const QString &option, const QString &argument)
{
    const auto nameAndValue = NameAndValue(option, argument);
    const QString &value = nameAndValue.second;
    Variable v{Variable::Kind::Text, nameAndValue.first, value};
    const auto bad = [&](const char *what) {
        return UsageError(option.toStdString() + ": \"" + value.toStdString() + "\" is not " + what);
    };
    if (option == u"--number") {
        v.kind = Variable::Kind::Number;
        const auto number = TryTextToFloat(value, u'.');
        if (!number)
            throw bad("a number");
        v.number = *number;
    } else if (option == u"--bool") {
        v.kind = Variable::Kind::Boolean;
        if (value != u"true" && value != u"false")
            throw bad("true or false");
        v.boolean = value == u"true";
    } else if (option == u"--date") {
        const bool withTime = value.contains(u'T');
        v.kind = withTime ? Variable::Kind::DateTime : Variable::Kind::Date;
        const QByteArray utf8 = value.toUtf8();
        const auto date = IsoDateTime(std::string_view(utf8.constData(), std::size_t(utf8.size())), true, withTime);
        if (!date)
            throw bad("a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS)");
        v.date = *date;
    }
    return v;
}

int ReadInteger(const QString &option, const QString &argument, int low, int high)
{
    bool ok = false;
    const int value = argument.toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError(option.toStdString() + ": \"" + argument.toStdString() + "\" is not a number from "
                         + std::to_string(low) + " to " + std::to_string(high));
    return value;
}

// A size in bytes: digits, then K, M or G for 1024, 1024^2 or 1024^3 bytes.
qint64 ReadSize(const QString &option, const QString &argument)
{
    static const std::map<QChar, int> shifts{{u'K', 10}, {u'M', 20}, {u'G', 30}};
    QString digits = argument;
    int shift = 0;
    if (const auto unit = shifts.find(argument.isEmpty() ? QChar() : argument.back().toUpper()); unit != shifts.end()) {
        shift = unit->second;
        digits.chop(1);
    }
    bool ok = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
    const qint64 number = ok ? digits.toLongLong(&ok) : 0;
    if (!ok || number <= 0 || number > (std::numeric_limits<qint64>::max() >> shift))
        throw UsageError(option.toStdString() + ": \"" + argument.toStdString()
                         + "\" is not a size (bytes, or a number with K, M or G)");
    return number << shift;
}

// An input named as OUTPUT, by any path or link, would be overwritten by
// the run that reads it.
void RefuseInputAsOutput(const QString &output, const QString &input, const std::string &what)
{
    if (output != u"-" && TRpRTF::IsSameFile(input, output))
        throw UsageError("OUTPUT " + output.toStdString() + " is " + what + " " + input.toStdString()
                         + " itself: the run would overwrite it");
}

Arguments ParseArguments(int argc, char *argv[])
{
    Arguments args;
    std::vector<QString> positional;
    for (int i = 1; i < argc; ++i) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        const auto next = [&]() {
            if (i + 1 >= argc)
                throw UsageError(option.toStdString() + " needs a value");
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (option == u"--help" || option == u"-h") {
            args.help = true;
            return args;
        }
        if (option == u"--var" || option == u"--number" || option == u"--bool" || option == u"--date") {
            Variable variable = ReadVariable(option, next());
            // The engine knows a variable by its name in any letter case.
            for (const Variable &given : args.variables)
                if (given.name.compare(variable.name, Qt::CaseInsensitive) == 0)
                    throw UsageError("variable " + variable.name.toStdString() + " is given twice");
            args.variables.push_back(std::move(variable));
        } else if (option == u"--data") {
            args.dataFiles.push_back(next());
        } else if (option == u"--option" || option == u"--no-option") {
            const QString name = next();
            const auto flag = OptionByName(name);
            if (!flag)
                throw UsageError("unknown option name \"" + name.toStdString() + "\"");
            args.options.emplace_back(*flag, option == u"--option");
        } else if (option == u"--charset") {
            args.charset = ReadInteger(option, next(), 0, 255);
        } else if (option == u"--lang") {
            args.lang = ReadInteger(option, next(), 0, 65535);
        } else if (option == u"--true") {
            args.trueValue = next();
        } else if (option == u"--false") {
            args.falseValue = next();
        } else if (option == u"--unicode") {
            args.unicode = true;
        } else if (option == u"--locale") {
            args.locale = next();
            if (args.locale != u"pl_PL" && args.locale != u"en_US" && args.locale != u"system")
                throw UsageError("unknown locale \"" + args.locale.toStdString() + "\"");
        } else if (option == u"--max-output") {
            args.maxOutput = ReadSize(option, next());
        } else if (option.startsWith(u"--")) {
            throw UsageError("unknown argument " + option.toStdString());
        } else {
            positional.push_back(option);
        }
    }
    if (positional.size() != 2)
        throw UsageError("TEMPLATE and OUTPUT are needed");
    args.templateFile = positional[0];
    args.outputFile = positional[1];
    RefuseInputAsOutput(args.outputFile, args.templateFile, "the template");
    for (const QString &dataFile : args.dataFiles)
        RefuseInputAsOutput(args.outputFile, dataFile, "the data file");
    return args;
}

// --- data sets ---------------------------------------------------------------------

TRpFieldType FieldTypeByName(const std::string &name)
{
    static const std::map<std::string, TRpFieldType> types{
        {"string", TRpFieldType::String},     {"memo", TRpFieldType::Memo},
        {"integer", TRpFieldType::Integer},   {"largeint", TRpFieldType::LargeInt},
        {"float", TRpFieldType::Float},       {"currency", TRpFieldType::Currency},
        {"bcd", TRpFieldType::BCD},           {"boolean", TRpFieldType::Boolean},
        {"date", TRpFieldType::Date},         {"time", TRpFieldType::Time},
        {"datetime", TRpFieldType::DateTime}, {"graphic", TRpFieldType::Graphic},
    };
    const auto found = types.find(name);
    if (found == types.end())
        throw UsageError("unknown field type \"" + name + "\"");
    return found->second;
}

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The largest amount in ten-thousandths (the smallest is its negative).
constexpr qint64 MaxTenThousandths = std::numeric_limits<qint64>::max();

// A number as ten-thousandths, rounded half away from zero as the data set
// rounds a double it was given; nullopt beyond the amounts.
std::optional<qint64> RoundedTenThousandths(double number)
{
    const double scaled = number * 10000.0;
    if (!(std::fabs(scaled) < 9223372036854775808.0))  // doubles below 2^63 round within range
        return std::nullopt;
    return std::llround(scaled);
}

std::optional<qint64> RoundedTenThousandths(TRpFloat number)
{
    const TRpFloat scaled = number * 10000;
    if (!(std::fabs(scaled) <= TRpFloat(MaxTenThousandths)))
        return std::nullopt;
    return std::llround(scaled);
}

bool IsAsciiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Decimal text (blanks around it, an optional sign, digits with an optional
// "." among them, no exponent) as ten-thousandths, exactly: digits past the
// fourth decimal round half away from zero. nullopt for any other text and
// for amounts out of range.
std::optional<qint64> DecimalTenThousandths(std::string_view text)
{
    std::size_t i = 0, n = text.size();
    while (i < n && IsAsciiBlank(text[i]))
        ++i;
    while (n > i && IsAsciiBlank(text[n - 1]))
        --n;
    const bool negative = i < n && text[i] == '-';
    if (i < n && (text[i] == '-' || text[i] == '+'))
        ++i;
    const auto isDigit = [&](std::size_t at) { return at < n && text[at] >= '0' && text[at] <= '9'; };
    constexpr quint64 maxUnits = quint64(MaxTenThousandths) / 10000;
    quint64 units = 0;
    bool anyDigit = false;
    for (; isDigit(i); ++i) {
        units = units * 10 + quint64(text[i] - '0');
        if (units > maxUnits)
            return std::nullopt;
        anyDigit = true;
    }
    quint64 fraction = 0;
    if (i < n && text[i] == '.') {
        ++i;
        int places = 0;
        bool roundUp = false;
        for (; isDigit(i); ++i, ++places) {
            if (places < 4)
                fraction = fraction * 10 + quint64(text[i] - '0');
            else if (places == 4)
                roundUp = text[i] >= '5';  // half of the last place or more
            anyDigit = true;
        }
        for (; places < 4; ++places)
            fraction *= 10;
        fraction += roundUp;
    }
    if (!anyDigit || i != n)
        return std::nullopt;
    const quint64 amount = units * 10000 + fraction;
    if (amount > quint64(MaxTenThousandths))
        return std::nullopt;
    return negative ? -qint64(amount) : qint64(amount);
}

// Where a value stands, for the message about it.
struct ValuePlace {
    const std::string &file;
    std::size_t row;
    const QString &field;
};

// The texts of one field already added to the data set, so that a text that
// repeats (a counterparty's name or address) is converted and held once. A
// field whose texts hardly repeat stops being looked up. The texts stay in
// the parsed document while the data set is built.
class RepeatedTexts {
public:
    void Add(TRpMemoryDataSet &dataSet, std::string_view text)
    {
        if (!m_on) {
            dataSet.AddTextUtf8(text);
            return;
        }
        ++m_seen;
        if (const auto found = m_numbers.find(text); found != m_numbers.end()) {
            dataSet.AddSameText(found->second);
            return;
        }
        const int number = dataSet.AddTextUtf8(text);
        if (m_numbers.size() < MaxTexts)
            m_numbers.emplace(text, number);
        if (m_seen >= Sample && m_numbers.size() * 2 > m_seen) {
            m_on = false;
            m_numbers = {};
        }
    }

private:
    static constexpr std::size_t Sample = 4096, MaxTexts = 65536;

    std::unordered_map<std::string_view, int> m_numbers;  // text -> its number in the data set
    std::size_t m_seen = 0;
    bool m_on = true;
};

// Adds the value to the row being built, as the field's type wants it.
void AddValue(TRpMemoryDataSet &dataSet, simdjson::dom::element value, TRpFieldType type, RepeatedTexts &texts,
              const ValuePlace &place)
{
    using simdjson::dom::element_type;
    const element_type kind = value.type();
    if (kind == element_type::NULL_VALUE) {
        dataSet.AddNull();
        return;
    }
    const auto wrong = [&](const char *expected) {
        return UsageError("data file " + place.file + ", row " + std::to_string(place.row) + ", field "
                          + place.field.toStdString() + ": " + expected + " expected, got "
                          + simdjson::minify(value));
    };
    std::string_view text;
    if (kind == element_type::STRING)
        text = value.get_string().value_unsafe();
    switch (type) {
    case TRpFieldType::String:
    case TRpFieldType::Memo:
        if (kind != element_type::STRING)
            throw wrong("a text");
        texts.Add(dataSet, text);
        return;
    case TRpFieldType::Integer:
    case TRpFieldType::LargeInt: {
        int64_t integer = 0;
        if (value.get_int64().get(integer) != simdjson::SUCCESS)
            throw wrong("an integer");
        dataSet.AddInteger(integer);
        return;
    }
    case TRpFieldType::Float: {
        double number = 0;
        if (value.get_double().get(number) != simdjson::SUCCESS)
            throw wrong("a number");
        dataSet.AddFloat(number);
        return;
    }
    case TRpFieldType::Currency:
    case TRpFieldType::BCD: {
        // Ten-thousandths: decimal text exactly, a JSON number rounded.
        std::optional<qint64> amount;
        double number = 0;  // the value, for a BCD beyond the amounts
        if (kind == element_type::STRING) {
            amount = DecimalTenThousandths(text);
            if (!amount) {
                // An exponent, blanks other than ASCII ones, or out of range: read as a float.
                const auto read = TryTextToFloat(Text(text), u'.');
                if (!read)
                    throw wrong("a number or decimal text");
                amount = RoundedTenThousandths(*read);
                number = double(*read);
            }
        } else if (kind == element_type::INT64) {
            const int64_t units = value.get_int64().value_unsafe();
            if (units >= -MaxTenThousandths / 10000 && units <= MaxTenThousandths / 10000)
                amount = units * 10000;
            number = double(units);
        } else if (value.get_double().get(number) == simdjson::SUCCESS) {
            amount = RoundedTenThousandths(number);
        } else {
            throw wrong("a number or decimal text");
        }
        if (amount)
            dataSet.AddCurrency(*amount);
        else if (type == TRpFieldType::BCD)
            dataSet.AddFloat(number);
        else
            throw wrong("an amount from -922337203685477.5807 to 922337203685477.5807");
        return;
    }
    case TRpFieldType::Boolean:
        if (kind != element_type::BOOL)
            throw wrong("true or false");
        dataSet.AddBoolean(value.get_bool().value_unsafe());
        return;
    case TRpFieldType::Date:
    case TRpFieldType::Time:
    case TRpFieldType::DateTime: {
        const auto date = kind == element_type::STRING
                              ? IsoDateTime(text, type != TRpFieldType::Time, type != TRpFieldType::Date)
                              : std::nullopt;
        if (!date)
            throw wrong("an ISO 8601 date or time");
        dataSet.AddDateTime(*date);
        return;
    }
    case TRpFieldType::Graphic: {
        if (kind != element_type::STRING)
            throw wrong("base64 text");
        auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromRawData(text.data(), qsizetype(text.size())),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            throw wrong("base64 text");
        dataSet.AddBytes(std::move(*decoded));
        return;
    }
    default:
        throw wrong("a value");
    }
}

// The number of values of an array (its size is kept only up to 0xFFFFFF).
std::size_t ArraySize(simdjson::dom::array array)
{
    std::size_t size = array.size();
    if (size >= 0xFFFFFF) {
        size = 0;
        for ([[maybe_unused]] simdjson::dom::element value : array)
            ++size;
    }
    return size;
}

// An object whose members all have different names: JSON readers would
// otherwise each take the first or the last of two, silently.
void CheckUniqueMembers(simdjson::dom::object object, const std::string &where)
{
    std::set<std::string_view> names;
    for (const auto member : object)
        if (!names.insert(member.key).second)
            throw UsageError(where + " has two members \"" + std::string(member.key) + "\"");
}

// The data set of a parsed data file, whose members may come in any order.
std::unique_ptr<TRpMemoryDataSet> DataSetOf(simdjson::dom::element root, std::size_t dataBytes,
                                            const std::string &file, const TRpFormatSettings &settings)
{
    simdjson::dom::object top;
    std::string_view name;
    simdjson::dom::array fieldList, rows;
    if (root.get_object().get(top) || top["name"].get_string().get(name) || top["fields"].get_array().get(fieldList)
        || top["rows"].get_array().get(rows))
        throw UsageError("data file " + file + " needs \"name\", \"fields\" and \"rows\"");
    CheckUniqueMembers(top, "data file " + file);
    std::vector<TRpMemoryDataSet::Field> fields;
    std::vector<RepeatedTexts> texts;
    std::set<QString> fieldNames;  // upper-cased, as templates find fields
    for (simdjson::dom::element field : fieldList) {
        simdjson::dom::object object;
        std::string_view fieldName, type;
        if (field.get_object().get(object) || object["name"].get_string().get(fieldName)
            || object["type"].get_string().get(type))
            throw UsageError("data file " + file + ": every field needs \"name\" and \"type\"");
        CheckUniqueMembers(object, "data file " + file + ": field " + std::string(fieldName));
        if (!fieldNames.insert(Text(fieldName).toUpper()).second)
            throw UsageError("data file " + file + " has two fields named " + std::string(fieldName));
        fields.push_back({Text(fieldName), FieldTypeByName(std::string(type))});
        texts.emplace_back();
    }
    auto dataSet = std::make_unique<TRpMemoryDataSet>(Text(name), fields, settings);
    dataSet->ReserveRows(ArraySize(rows));
    dataSet->ReserveTextUnits(dataBytes);
    std::size_t rowNumber = 0;
    for (simdjson::dom::element row : rows) {
        ++rowNumber;
        simdjson::dom::array values;
        if (row.get_array().get(values) || ArraySize(values) != fields.size())
            throw UsageError("data file " + file + ": row " + std::to_string(rowNumber) + " needs "
                             + std::to_string(fields.size()) + " values");
        std::size_t column = 0;
        for (simdjson::dom::element value : values) {
            const TRpMemoryDataSet::Field &field = fields[column];
            AddValue(*dataSet, value, field.type, texts[column], {file, rowNumber, field.name});
            ++column;
        }
        dataSet->EndRow();
    }
    dataSet->First();
    return dataSet;
}

// The parser's buffers for a file of that size, allocated now so that huge
// pages can be asked for over them (the parse fills them from the start).
// A failed allocation is left to the parse to report.
void AdviseParserHugePages(simdjson::dom::parser &parser, simdjson::dom::document &document, std::size_t size)
{
    if (parser.allocate(size) != simdjson::SUCCESS || document.allocate(size) != simdjson::SUCCESS)
        return;
    // The sizes simdjson gives these buffers for a document of that size.
    AdviseHugePages(document.tape.get(), (size + 3) * sizeof(uint64_t));
    AdviseHugePages(document.string_buf.get(), 5 * size / 3);
    AdviseHugePages(parser.implementation->structural_indexes.get(), (size + 3) * sizeof(uint32_t));
}

// Bytes with the padding the JSON parser may read past their end, in
// memory asked for in huge pages: a data file of many megabytes would
// otherwise be faulted in a page at a time, which costs more than reading it.
class DataBytes {
public:
    explicit DataBytes(std::size_t size) : m_size(size), m_capacity(size + simdjson::SIMDJSON_PADDING)
    {
        void *memory = ::mmap(nullptr, m_capacity, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            throw std::bad_alloc();
        AdviseHugePages(memory, m_capacity);
        m_data = static_cast<char *>(memory);
    }
    ~DataBytes() { ::munmap(m_data, m_capacity); }
    DataBytes(const DataBytes &) = delete;
    DataBytes &operator=(const DataBytes &) = delete;

    char *Data() const { return m_data; }
    void Shrink(std::size_t size) { m_size = std::min(size, m_size); }
    std::size_t Size() const { return m_size; }

private:
    char *m_data = nullptr;
    std::size_t m_size;
    std::size_t m_capacity;
};

// The data file's bytes. Read through QFile, so that a pipe serves as well
// as a file; an endless or huge input is refused at MaxInputFileSize.
std::unique_ptr<DataBytes> ReadDataFile(const QString &fileName, const std::string &file)
{
    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly))
        throw UsageError("cannot read data file " + file);
    const auto tooLarge = [&] { return UsageError("data file " + file + " is larger than 1 GiB"); };
    // A file is read straight into the parser's buffer; one that changes
    // meanwhile is read up to the size it had.
    if (!in.isSequential()) {
        if (in.size() > MaxInputFileSize)
            throw tooLarge();
        auto bytes = std::make_unique<DataBytes>(std::size_t(in.size()));
        qint64 done = 0;
        while (done < in.size()) {
            const qint64 read = in.read(bytes->Data() + done, in.size() - done);
            if (read < 0)
                throw UsageError("cannot read data file " + file);
            if (read == 0)
                break;
            done += read;
        }
        bytes->Shrink(std::size_t(done));
        return bytes;
    }
    QByteArray read;
    if (!ReadAtMost(in, MaxInputFileSize, read)) {
        if (in.error() != QFileDevice::NoError)
            throw UsageError("cannot read data file " + file);
        throw tooLarge();
    }
    auto bytes = std::make_unique<DataBytes>(std::size_t(read.size()));
    std::memcpy(bytes->Data(), read.constData(), std::size_t(read.size()));
    return bytes;
}

std::unique_ptr<TRpMemoryDataSet> LoadDataSet(const QString &fileName, const TRpFormatSettings &settings)
{
    const std::string file = fileName.toStdString();
    // The document tree outlives the parser and the file's bytes, so that
    // neither is held while the data set is built.
    simdjson::dom::document document;
    std::size_t dataBytes = 0;  // enough UTF-16 units for the texts the file holds
    {
        const std::unique_ptr<DataBytes> bytes = ReadDataFile(fileName, file);
        dataBytes = bytes->Size();
        simdjson::dom::parser parser;
        AdviseParserHugePages(parser, document, bytes->Size());
        simdjson::dom::element root;
        const auto error = parser.parse_into_document(document, bytes->Data(), bytes->Size(), false).get(root);
        if (error == simdjson::MEMALLOC)
            throw std::bad_alloc();
        if (error)
            throw UsageError("data file " + file + " is not JSON: " + simdjson::error_message(error));
    }
    return DataSetOf(document.root(), dataBytes, file, settings);
}

// --- the run --------------------------------------------------------------------------

TRpFormatSettings SettingsFor(const QString &locale)
{
    if (locale == u"en_US")
        return TRpFormatSettings::English();
    if (locale == u"system")
        return TRpFormatSettings::SystemDefault();
    return TRpFormatSettings::Polish();
}

void Configure(TRpRTF &report, const Arguments &args)
{
    TRpRTFOptions options = report.Options();
    for (const auto &[option, on] : args.options)
        options.setFlag(option, on);
    report.SetOptions(options);
    report.SetCharset(args.charset);
    report.SetLang(args.lang);
    if (args.trueValue)
        report.SetTrueValue(*args.trueValue);
    if (args.falseValue)
        report.SetFalseValue(*args.falseValue);
    report.SetUnicodeByDefault(args.unicode);
    for (const Variable &v : args.variables) {
        switch (v.kind) {
        case Variable::Kind::Text: report.CreateVar(v.name, v.text); break;
        case Variable::Kind::Number: report.CreateVar(v.name, v.number); break;
        case Variable::Kind::Boolean: report.CreateVar(v.name, v.boolean); break;
        case Variable::Kind::Date: report.CreateVar(v.name, v.date, true); break;
        case Variable::Kind::DateTime: report.CreateVar(v.name, v.date, false); break;
        }
    }
    report.SetInFile(args.templateFile);
    report.PictureDecoder = DecodeWithQImage;
    report.SetUDFList(&print::printoutFunctions());
}

// Writes the bytes to standard output and flushes it: false, with errno
// set, when the system refuses (a closed pipe, a full disk).
bool WriteStandardOutput(const char *bytes, std::size_t size)
{
    errno = 0;
    return std::fwrite(bytes, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

int Run(const Arguments &args, const std::vector<TRpDataSet *> &dataSets, const TRpFormatSettings &settings)
{
    TRpRTF report(settings);
    Configure(report, args);
    report.SetMaxOutputSize(args.maxOutput);
    const bool toStandardOutput = args.outputFile == u"-";
    try {
        if (toStandardOutput) {
            QBuffer document;
            document.open(QIODevice::ReadWrite);
            report.ExecuteStream(dataSets, &document);
            const QByteArray &bytes = document.data();
            if (!WriteStandardOutput(bytes.constData(), std::size_t(bytes.size()))) {
                std::fprintf(stderr, "mirelo-rtf: cannot write the document to standard output: %s\n",
                             std::strerror(errno));
                return 1;
            }
        } else {
            report.SetOutFile(args.outputFile);
            report.Execute(dataSets);
        }
    } catch (const std::exception &) {
        std::fprintf(stderr, "mirelo-rtf: %s\n", report.LastErrMsg().toUtf8().constData());
        if (report.LastErrPlace().IsKnown())
            std::fprintf(stderr, "mirelo-rtf: place: %s\n", report.LastErrPlace().Text().toUtf8().constData());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    Arguments args;
    std::vector<std::unique_ptr<TRpMemoryDataSet>> owned;
    TRpFormatSettings settings = TRpFormatSettings::Polish();
    try {
        try {
            args = ParseArguments(argc, argv);
            if (args.help)
                return WriteStandardOutput(Usage, std::strlen(Usage)) ? 0 : 1;
            settings = SettingsFor(args.locale);
            for (const QString &file : args.dataFiles)
                owned.push_back(LoadDataSet(file, settings));
        } catch (const UsageError &error) {
            std::fprintf(stderr, "mirelo-rtf: %s\n%s", error.what(), Usage);
            return 2;
        }
        std::vector<TRpDataSet *> dataSets;
        for (const auto &dataSet : owned)
            dataSets.push_back(dataSet.get());
        return Run(args, dataSets, settings);
    } catch (const std::bad_alloc &) {
        // Whatever ran out, the data sets and the document are gone with the stack.
        std::fputs("mirelo-rtf: not enough memory\n", stderr);
        return 1;
    }
}
