// mirelo-rtf: runs a report template from the command line with variables
// and JSON data sets, for scripts.
//
//   mirelo-rtf [options] TEMPLATE OUTPUT      OUTPUT "-" writes to standard output
//
// Exit codes: 0 success; 1 the run failed (one line "mirelo-rtf: " and the
// engine's message on standard error, no output file); 2 bad arguments or an
// unreadable data file (a usage message).

#include "qimagedecoder.h"
#include "rpdataset.h"
#include "rperrors.h"
#include "rprtf.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace rtfreport;
using json = nlohmann::json;

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
    "  --locale pl_PL|en_US|system   format settings (default: pl_PL)\n";

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
int DigitsAt(const QString &text, qsizetype at, int length)
{
    if (at + length > text.size())
        return -1;
    int number = 0;
    for (qsizetype i = at; i < at + length; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            return -1;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

// YYYY-MM-DD as a day count.
std::optional<TRpDateTime> IsoDate(const QString &text)
{
    const int y = DigitsAt(text, 0, 4), m = DigitsAt(text, 5, 2), d = DigitsAt(text, 8, 2);
    if (text.size() != 10 || text.at(4) != u'-' || text.at(7) != u'-' || y < 0 || m < 0 || d < 0
        || !IsValidDate(y, m, d))
        return std::nullopt;
    return EncodeDate(y, m, d);
}

// HH:MM or HH:MM:SS as a fraction of a day.
std::optional<TRpDateTime> IsoTime(const QString &text)
{
    const int h = DigitsAt(text, 0, 2), m = DigitsAt(text, 3, 2);
    const bool withSeconds = text.size() == 8;
    const int s = withSeconds ? DigitsAt(text, 6, 2) : 0;
    if ((text.size() != 5 && !withSeconds) || text.at(2) != u':' || (withSeconds && text.at(5) != u':') || h < 0
        || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return std::nullopt;
    return EncodeTime(h, m, s, 0);
}

// ISO 8601 date, time or date-time text as a day count.
std::optional<TRpDateTime> IsoDateTime(const QString &text, bool withDate, bool withTime)
{
    if (!withTime)
        return IsoDate(text);
    if (!withDate)
        return IsoTime(text);
    const qsizetype t = text.indexOf(u'T');
    const auto date = t < 0 ? std::nullopt : IsoDate(text.left(t));
    const auto time = t < 0 ? std::nullopt : IsoTime(text.mid(t + 1));
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
    const auto [name, value] = NameAndValue(option, argument);
    Variable v{Variable::Kind::Text, name, value};
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
        const auto date = IsoDateTime(value, true, withTime);
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
        if (option == u"--var" || option == u"--number" || option == u"--bool" || option == u"--date") {
            args.variables.push_back(ReadVariable(option, next()));
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

QString Text(const json &value)
{
    const std::string &s = value.get_ref<const std::string &>();
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Where a value stands, for the message about it.
struct ValuePlace {
    const std::string &file;
    std::size_t row;
    const QString &field;
};

QVariant FieldValue(const json &value, TRpFieldType type, const ValuePlace &place)
{
    if (value.is_null())
        return {};
    const auto wrong = [&](const char *expected) {
        return UsageError("data file " + place.file + ", row " + std::to_string(place.row) + ", field "
                          + place.field.toStdString() + ": " + expected + " expected, got " + value.dump());
    };
    switch (type) {
    case TRpFieldType::String:
    case TRpFieldType::Memo:
        if (!value.is_string())
            throw wrong("a text");
        return Text(value);
    case TRpFieldType::Integer:
    case TRpFieldType::LargeInt:
        if (!value.is_number_integer())
            throw wrong("an integer");
        return QVariant(qint64(value.get<std::int64_t>()));
    case TRpFieldType::Float:
        if (!value.is_number())
            throw wrong("a number");
        return value.get<double>();
    case TRpFieldType::Currency:
    case TRpFieldType::BCD: {
        if (value.is_number())
            return value.get<double>();
        const auto number = value.is_string() ? TryTextToFloat(Text(value), u'.') : std::nullopt;
        if (!number)
            throw wrong("a number or decimal text");
        return double(*number);
    }
    case TRpFieldType::Boolean:
        if (!value.is_boolean())
            throw wrong("true or false");
        return value.get<bool>();
    case TRpFieldType::Date:
    case TRpFieldType::Time:
    case TRpFieldType::DateTime: {
        const auto date = value.is_string() ? IsoDateTime(Text(value), type != TRpFieldType::Time,
                                                          type != TRpFieldType::Date)
                                            : std::nullopt;
        if (!date)
            throw wrong("an ISO 8601 date or time");
        return *date;
    }
    case TRpFieldType::Graphic: {
        if (!value.is_string())
            throw wrong("base64 text");
        const auto decoded = QByteArray::fromBase64Encoding(Text(value).toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            throw wrong("base64 text");
        return *decoded;
    }
    default:
        throw wrong("a value");
    }
}

// Reads a data file as a stream of JSON events, converting each row's values
// as they come, so that no document tree of the whole file is built. Files
// that give "rows" before "fields" are read as a whole (ReadByTree).
class DataSetReader : public nlohmann::json_sax<json> {
public:
    struct RowsBeforeFields {};

    DataSetReader(const std::string &file, const TRpFormatSettings &settings) : m_file(file), m_settings(settings) {}

    std::unique_ptr<TRpMemoryDataSet> Result()
    {
        if (!m_dataSet || !m_rowsSeen)
            throw UsageError("data file " + m_file + " needs \"name\", \"fields\" and \"rows\"");
        m_dataSet->First();
        return std::move(m_dataSet);
    }

    bool null() override { return Scalar(json()); }
    bool boolean(bool value) override { return Scalar(json(value)); }
    bool number_integer(number_integer_t value) override { return Scalar(json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Scalar(json(value)); }
    bool number_float(number_float_t value, const string_t &) override { return Scalar(json(value)); }
    bool string(string_t &value) override { return Scalar(json(std::move(value))); }
    bool binary(binary_t &) override { return Scalar(json()); }

    bool key(string_t &name) override
    {
        if (m_depth == 1)
            m_key = name;
        else if (m_depth == 3 && m_section == Section::Fields)
            m_fieldKey = name;
        return true;
    }

    bool start_object(std::size_t) override { return Open(true); }
    bool start_array(std::size_t) override { return Open(false); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &error) override
    {
        throw UsageError("data file " + m_file + " is not JSON: " + error.what());
    }

private:
    enum class Section { None, Fields, Rows, Skipped };

    [[noreturn]] void FieldsError() const
    {
        throw UsageError("data file " + m_file + ": every field needs \"name\" and \"type\"");
    }
    [[noreturn]] void RowError() const
    {
        throw UsageError("data file " + m_file + ": row " + std::to_string(m_rowNumber) + " needs "
                         + std::to_string(m_fields.size()) + " values");
    }

    bool Open(bool object)
    {
        ++m_depth;
        if (m_depth == 1 && !object)
            throw UsageError("data file " + m_file + " needs \"name\", \"fields\" and \"rows\"");
        if (m_depth == 2) {
            m_section = Section::Skipped;
            if (m_key == "fields" && !object) {
                m_section = Section::Fields;
                m_fields.clear();
            } else if (m_key == "rows" && !object) {
                if (!m_fieldsDone || m_name.isNull())
                    throw RowsBeforeFields();
                m_section = Section::Rows;
                m_rowsSeen = true;
                m_dataSet = std::make_unique<TRpMemoryDataSet>(m_name, m_fields, m_settings);
            } else if (m_key == "name") {
                throw UsageError("data file " + m_file + " needs \"name\", \"fields\" and \"rows\"");
            }
        } else if (m_depth == 3 && m_section == Section::Fields) {
            if (!object)
                FieldsError();
            m_fieldName.clear();
            m_fieldType.clear();
            m_fieldNameSeen = m_fieldTypeSeen = false;
        } else if (m_depth == 3 && m_section == Section::Rows) {
            if (object)
                RowError();
            ++m_rowNumber;
            m_values.clear();
            m_values.reserve(m_fields.size());
        } else if (m_depth > 3 && m_section != Section::Skipped) {
            if (m_section == Section::Rows)
                RowError();
            FieldsError();
        }
        return true;
    }

    bool Close()
    {
        if (m_depth == 3 && m_section == Section::Fields) {
            if (!m_fieldNameSeen || !m_fieldTypeSeen)
                FieldsError();
            m_fields.push_back({m_fieldName, FieldTypeByName(m_fieldType)});
        } else if (m_depth == 3 && m_section == Section::Rows) {
            if (m_values.size() != m_fields.size())
                RowError();
            m_dataSet->AppendRow(std::move(m_values));
            m_values = {};
        } else if (m_depth == 2) {
            if (m_section == Section::Fields)
                m_fieldsDone = true;
            m_section = Section::None;
        }
        --m_depth;
        return true;
    }

    bool Scalar(const json &value)
    {
        if (m_depth == 1) {
            if (m_key == "name") {
                if (!value.is_string())
                    throw UsageError("data file " + m_file + " needs \"name\", \"fields\" and \"rows\"");
                m_name = Text(value);
            } else if (m_key == "fields" || m_key == "rows") {
                throw UsageError("data file " + m_file + " needs \"name\", \"fields\" and \"rows\"");
            }
        } else if (m_depth == 2 && m_section == Section::Fields) {
            FieldsError();
        } else if (m_depth == 2 && m_section == Section::Rows) {
            ++m_rowNumber;
            RowError();
        } else if (m_depth == 3 && m_section == Section::Fields) {
            if (m_fieldKey == "name" || m_fieldKey == "type") {
                if (!value.is_string())
                    FieldsError();
                if (m_fieldKey == "name") {
                    m_fieldName = Text(value);
                    m_fieldNameSeen = true;
                } else {
                    m_fieldType = value.get<std::string>();
                    m_fieldTypeSeen = true;
                }
            }
        } else if (m_depth == 3 && m_section == Section::Rows) {
            const std::size_t column = m_values.size();
            if (column >= m_fields.size())
                RowError();
            m_values.push_back(FieldValue(value, m_fields[column].type, {m_file, m_rowNumber, m_fields[column].name}));
        }
        return true;
    }

    const std::string &m_file;
    const TRpFormatSettings &m_settings;
    int m_depth = 0;
    std::string m_key;
    std::string m_fieldKey;
    Section m_section = Section::None;
    QString m_name;
    std::vector<TRpMemoryDataSet::Field> m_fields;
    bool m_fieldsDone = false;
    QString m_fieldName;
    std::string m_fieldType;
    bool m_fieldNameSeen = false;
    bool m_fieldTypeSeen = false;
    std::unique_ptr<TRpMemoryDataSet> m_dataSet;
    bool m_rowsSeen = false;
    std::size_t m_rowNumber = 0;
    std::vector<QVariant> m_values;
};

// The whole file as a document tree: any order of its members.
std::unique_ptr<TRpMemoryDataSet> ReadByTree(const std::string &file, const QByteArray &text,
                                             const TRpFormatSettings &settings)
{
    json document;
    try {
        document = json::parse(text.constBegin(), text.constEnd());
    } catch (const json::exception &error) {
        throw UsageError("data file " + file + " is not JSON: " + error.what());
    }
    if (!document.is_object() || !document.value("name", json()).is_string()
        || !document.value("fields", json()).is_array() || !document.value("rows", json()).is_array())
        throw UsageError("data file " + file + " needs \"name\", \"fields\" and \"rows\"");
    std::vector<TRpMemoryDataSet::Field> fields;
    for (const json &field : document["fields"]) {
        if (!field.is_object() || !field.value("name", json()).is_string() || !field.value("type", json()).is_string())
            throw UsageError("data file " + file + ": every field needs \"name\" and \"type\"");
        fields.push_back({Text(field.at("name")), FieldTypeByName(field.at("type").get<std::string>())});
    }
    auto dataSet = std::make_unique<TRpMemoryDataSet>(Text(document["name"]), fields, settings);
    std::size_t rowNumber = 0;
    for (const json &row : document["rows"]) {
        ++rowNumber;
        if (!row.is_array() || row.size() != fields.size())
            throw UsageError("data file " + file + ": row " + std::to_string(rowNumber) + " needs "
                             + std::to_string(fields.size()) + " values");
        std::vector<QVariant> values;
        values.reserve(fields.size());
        for (std::size_t i = 0; i < fields.size(); ++i)
            values.push_back(FieldValue(row[i], fields[i].type, {file, rowNumber, fields[i].name}));
        dataSet->AppendRow(std::move(values));
    }
    dataSet->First();
    return dataSet;
}

std::unique_ptr<TRpMemoryDataSet> LoadDataSet(const QString &fileName, const TRpFormatSettings &settings)
{
    const std::string file = fileName.toStdString();
    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly))
        throw UsageError("cannot read data file " + file);
    const QByteArray text = in.readAll();
    try {
        DataSetReader reader(file, settings);
        json::sax_parse(text.constBegin(), text.constEnd(), &reader);
        return reader.Result();
    } catch (const DataSetReader::RowsBeforeFields &) {
        return ReadByTree(file, text, settings);
    }
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
}

int Run(const Arguments &args, const std::vector<TRpDataSet *> &dataSets, const TRpFormatSettings &settings)
{
    TRpRTF report(settings);
    Configure(report, args);
    const bool toStandardOutput = args.outputFile == u"-";
    try {
        if (toStandardOutput) {
            QBuffer document;
            document.open(QIODevice::ReadWrite);
            report.ExecuteStream(dataSets, &document);
            const QByteArray &bytes = document.data();
            std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
            std::fflush(stdout);
        } else {
            report.SetOutFile(args.outputFile);
            report.Execute(dataSets);
        }
    } catch (const std::exception &) {
        if (!toStandardOutput)
            TRpRTF::RemoveOutputFile(args.outputFile);
        std::fprintf(stderr, "mirelo-rtf: %s\n", report.LastErrMsg().toUtf8().constData());
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
        args = ParseArguments(argc, argv);
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
}
