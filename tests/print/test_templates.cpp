// The printout templates the program ships, run by the real mirelo-rtf from
// the sample data sets, and read back by LibreOffice: what an accountant
// needs must be on the page (skipped only where LibreOffice is missing).

#include "mirelortf.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace {

using printtests::RunTool;

const QString Data = QStringLiteral(MIRELO_TEST_DATA);
const QString Sources = QStringLiteral(MIRELO_TEMPLATES);

const QString Issuer = QStringLiteral("Biuro Rachunkowe „Saldo” Anna Wiśniewska \r\nul. Długa 12/4, 30-072 Kraków\r\n"
                                      "NIP: 677-123-45-67");
const QString Recipient = QStringLiteral("Zakłady Mięsne „Łowicz-Pol” Sp. z o.o. \r\nul. Przemysłowa 8, 99-400 Łowicz. "
                                         "Polska\r\nNIP: 834-000-12-34");
const QString Filter = QStringLiteral("Filtr zestawienia: \r\nOdbiorca: Zakłady Mięsne „Łowicz-Pol” Sp. z o.o.\r\n"
                                      "Data (od - do): 01.11.2026 - 30.11.2026\r\nSzukana fraza: noty");

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The template beside mirelo-rtf, where the build copies it for the program.
QString Template(const QString &name)
{
    return QFileInfo(printtests::Tool).absolutePath() + u'/' + name;
}

// The amount as the printouts show it: blanks between thousands are no-break spaces.
QString Amount(QString text)
{
    return text.replace(u' ', QChar(0x00A0));
}

QJsonObject ReadDataSet(const QString &file)
{
    return QJsonDocument::fromJson(ReadFile(file)).object();
}

struct Printout {
    QString templateName;
    QString dataFile;
    QString filter;
};

// One run of each printout, made once for all tests, and its text as
// LibreOffice reads it.
class Templates : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        const auto emptied = [](const QString &name) {
            QJsonObject dataSet = ReadDataSet(Data + u'/' + name);
            dataSet[QStringLiteral("rows")] = QJsonArray();
            const QString path = folder->filePath(QStringLiteral("pusty_") + name);
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(QJsonDocument(dataSet).toJson());
            return path;
        };
        const std::map<QString, Printout> printouts = {
            {"nota", {"szablonnota.rtf", Data + "/nota.json", {}}},
            {"nota_pusta", {"szablonnota.rtf", emptied("nota.json"), {}}},
            {"rejestr", {"szablonrejestr.rtf", Data + "/rejestr.json", {}}},
            {"rejestr_filtr", {"szablonrejestr.rtf", Data + "/rejestr.json", Filter}},
            {"rejestr_pusty", {"szablonrejestr.rtf", emptied("rejestr.json"), {}}},
        };
        for (const auto &[name, printout] : printouts) {
            const QString output = folder->filePath(name + ".rtf");
            runs[name] = RunTool({"--var", "WYSTAWIAJACY=" + Issuer, "--var", "BIEZDATA=09.12.2026", "--var",
                                  "MIEJSCE=Kraków", "--var", "ODBIORCA=" + Recipient, "--var", "NUMER=5/11/2026",
                                  "--var", "DATADOKUM=30.11.2026", "--var", "FILTR=" + printout.filter, "--data",
                                  printout.dataFile, Template(printout.templateName), output});
        }
        soffice = QStandardPaths::findExecutable("soffice");
    }

    static void TearDownTestSuite() { folder.reset(); }

    // Has LibreOffice convert the printouts (NAME.rtf to NAME.txt or NAME.pdf)
    // it has not converted yet, in one run: each start of it takes seconds.
    static void ConvertByLibreOffice(const QString &filter, const QStringList &names)
    {
        const QString extension = filter.section(u':', 0, 0);
        QStringList files;
        for (const QString &name : names)
            if (!QFileInfo::exists(folder->filePath(name + u'.' + extension)))
                files << folder->filePath(name + ".rtf");
        if (files.isEmpty())
            return;
        QProcess process;
        process.start(soffice, QStringList{"-env:UserInstallation=file://" + folder->filePath("profile"), "--headless",
                                           "--convert-to", filter, "--outdir", folder->path()}
                                   + files);
        process.waitForFinished(300000);
    }

    static QByteArray Output(const QString &name) { return ReadFile(folder->filePath(name + ".rtf")); }

    // The printouts' texts as LibreOffice reads them.
    static void ReadByLibreOffice(const QStringList &names)
    {
        ConvertByLibreOffice("txt:Text (encoded):UTF8", names);
    }

    // A printout's lines as LibreOffice reads it: a paragraph or a table cell
    // a line, trimmed.
    static QStringList Lines(const QString &name)
    {
        QStringDecoder utf8(QStringDecoder::Utf8);  // drops the byte-order mark
        QStringList lines = QString(utf8(ReadFile(folder->filePath(name + ".txt")))).split(u'\n');
        for (QString &line : lines)
            line = line.trimmed();
        return lines;
    }

    void SkipWithoutLibreOffice()
    {
        if (soffice.isEmpty())
            GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }

    static std::unique_ptr<QTemporaryDir> folder;
    static std::map<QString, printtests::ToolResult> runs;
    static QString soffice;
};

std::unique_ptr<QTemporaryDir> Templates::folder;
std::map<QString, printtests::ToolResult> Templates::runs;
QString Templates::soffice;

// Each group of lines must stand in `lines` as consecutive lines, the groups
// in the order given.
void ExpectGroupsInOrder(const QStringList &lines, const QList<QStringList> &groups)
{
    qsizetype from = 0;
    for (const QStringList &group : groups) {
        qsizetype at = from;
        while (at + group.size() <= lines.size() && lines.mid(at, group.size()) != group)
            ++at;
        if (at + group.size() > lines.size()) {
            ADD_FAILURE() << "missing, or out of order: " << group.join(" | ").toStdString() << "\nin:\n"
                          << lines.join(u'\n').toStdString();
            return;
        }
        from = at + group.size();
    }
}

QString IsoToShortDate(const QString &iso)
{
    return QDate::fromString(iso, Qt::ISODate).toString("dd.MM.yyyy");
}

// The fields of each row of a data file, by name.
QList<QJsonObject> Rows(const QString &file)
{
    const QJsonObject dataSet = ReadDataSet(file);
    QStringList names;
    for (const QJsonValue field : dataSet["fields"].toArray())
        names << field["name"].toString();
    QList<QJsonObject> rows;
    for (const QJsonValue row : dataSet["rows"].toArray()) {
        QJsonObject fields;
        for (qsizetype i = 0; i < names.size(); ++i)
            fields[names[i]] = row.toArray().at(i);
        rows << fields;
    }
    return rows;
}

TEST_F(Templates, AreWriterDocumentsCopiedBesideTheProgram)
{
    for (const QString name : {"szablonnota.rtf", "szablonrejestr.rtf"}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray rtf = ReadFile(Template(name));
        EXPECT_EQ(rtf, ReadFile(Sources + u'/' + name));
        EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
        EXPECT_TRUE(rtf.contains("{\\*\\generator LibreOffice"));
        // The table heading, marked to repeat on every page.
        EXPECT_EQ(rtf.count("\\trhdr"), 1);
    }
}

TEST_F(Templates, RunWithEveryFieldFilled)
{
    ASSERT_EQ(runs.size(), 5u);
    for (const auto &[name, run] : runs) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty());
        const QByteArray rtf = Output(name);
        ASSERT_TRUE(rtf.startsWith("{\\rtf1"));
        // A field the engine could not read (split by formatting, a name it
        // does not know) would stay in the text between its backslashes.
        EXPECT_FALSE(rtf.contains("\\\\")) << rtf.toStdString();
        // The heading is written once, not with every position.
        EXPECT_EQ(rtf.count("\\trhdr"), 1);
    }
    EXPECT_TRUE(Output("rejestr").contains("{\\*\\fldinst") && Output("rejestr").contains("PAGE"))
        << "the register's footer numbers its pages";
}

TEST_F(Templates, NoteShowsWhatAReaderNeeds)
{
    SkipWithoutLibreOffice();
    QList<QStringList> expected = {
        {"Kraków, dnia 09.12.2026"},
        {"Wystawca", "Biuro Rachunkowe „Saldo” Anna Wiśniewska", "ul. Długa 12/4, 30-072 Kraków", "NIP: 677-123-45-67"},
        {"Odbiorca", "Zakłady Mięsne „Łowicz-Pol” Sp. z o.o.", "ul. Przemysłowa 8, 99-400 Łowicz. Polska",
         "NIP: 834-000-12-34"},
        {"NOTA KSIĘGOWA nr 5/11/2026", "z dnia 30.11.2026"},
        {"Lp.", "Treść", "Obciążyliśmy", "Uznaliśmy"},
    };
    int number = 0;
    for (const QJsonObject &row : Rows(Data + "/nota.json"))
        expected << QStringList{QString::number(++number), row["TRESC"].toString(), row["sObciazylismy"].toString(),
                                row["sUznalismy"].toString()};
    expected << QStringList{"Razem:", Amount("1 267 145,67"), Amount("2 500,50")}
             << QStringList{"Saldo noty (obciążenia minus uznania): " + Amount("1 264 645,17") + " zł",
                            "Słownie: jeden milion dwieście sześćdziesiąt cztery tysiące sześćset czterdzieści pięć "
                            "złotych siedemnaście groszy"}
             << QStringList{"podpis osoby upoważnionej do wystawienia noty"}
             << QStringList{"podpis osoby upoważnionej do odbioru noty"};
    ASSERT_EQ(number, 4);
    ReadByLibreOffice({"nota"});
    ExpectGroupsInOrder(Lines("nota"), expected);

    ConvertByLibreOffice("pdf", {"nota"});
    const QByteArray pdf = ReadFile(folder->filePath("nota.pdf"));
    EXPECT_EQ(pdf.count("/Type/Page/"), 1) << "the note takes one page";
    EXPECT_TRUE(pdf.contains("/MediaBox[0 0 595.3")) << "an A4 page";
}

TEST_F(Templates, RegisterShowsEveryPositionAndItsFilter)
{
    SkipWithoutLibreOffice();
    QList<QStringList> expected = {
        {"Kraków, dnia 09.12.2026", "ZESTAWIENIE NOT KSIĘGOWYCH"},
        {"Wystawca", "Biuro Rachunkowe „Saldo” Anna Wiśniewska", "ul. Długa 12/4, 30-072 Kraków", "NIP: 677-123-45-67"},
        {"Filtr zestawienia:", "Odbiorca: Zakłady Mięsne „Łowicz-Pol” Sp. z o.o.",
         "Data (od - do): 01.11.2026 - 30.11.2026", "Szukana fraza: noty"},
        {"Data", "Numer", "Odbiorca", "Treść", "Obciążyliśmy", "Uznaliśmy"},
    };
    const QList<QJsonObject> rows = Rows(Data + "/rejestr.json");
    for (const QJsonObject &row : rows)
        expected << QStringList{IsoToShortDate(row["sData"].toString()), row["sNumer"].toString(),
                                row["NAZWA1"].toString(), row["TRESC"].toString(), row["sObciazylismy"].toString(),
                                row["sUznalismy"].toString()};
    expected << QStringList{"Razem (pozycji: 12):", Amount("4 018 993,92"), Amount("1 003 580,25")}
             << QStringList{"Saldo zestawienia (obciążenia minus uznania): " + Amount("3 015 413,67") + " zł"};
    ASSERT_EQ(rows.size(), 12);
    ReadByLibreOffice({"rejestr_filtr", "rejestr"});
    ExpectGroupsInOrder(Lines("rejestr_filtr"), expected);

    // Without a filter the same register, and no word of one.
    const QStringList unfiltered = Lines("rejestr");
    expected.removeAt(2);
    ExpectGroupsInOrder(unfiltered, expected);
    EXPECT_FALSE(unfiltered.join(u'\n').contains("Filtr")) << unfiltered.join(u'\n').toStdString();
}

TEST_F(Templates, EmptyDataSetsStillPrint)
{
    SkipWithoutLibreOffice();
    ReadByLibreOffice({"nota_pusta", "rejestr_pusty"});
    const QStringList note = Lines("nota_pusta");
    ExpectGroupsInOrder(note, {{"Lp.", "Treść", "Obciążyliśmy", "Uznaliśmy"},
                               {"Razem:", "0,00", "0,00"},
                               {"Saldo noty (obciążenia minus uznania): 0,00 zł", "Słownie: zero złotych zero groszy"}});

    const QStringList register_ = Lines("rejestr_pusty");
    ExpectGroupsInOrder(register_, {{"Data", "Numer", "Odbiorca", "Treść", "Obciążyliśmy", "Uznaliśmy"},
                                    {"Razem (pozycji: 0):", "0,00", "0,00"},
                                    {"Zestawienie nie zawiera żadnej noty."}});
    EXPECT_FALSE(register_.join(u'\n').contains("Saldo zestawienia")) << register_.join(u'\n').toStdString();
}

} // namespace
