// The note and the register through the report engine: the question, the
// data set and variables the template sees, the shell request, the list
// brought back, the filter description, and a previous printout still open.
#include "fullfilesystem.h"
#include "localusers.h"
#include "notesfixture.h"
#include "notesquery.h"
#include "printouts.h"
#include "pytaniewydruk.h"
#include "modaldialog.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QScopeGuard>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

using print::TfrmPytanieWydruk;

namespace {

const QString nb = QString(QChar(0x00A0));

// Every variable and, per position of the data set, its text and number.
const QByteArray kTemplate =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0 Arial;}}\r\n"
    "NUMER=\\\\NUMER\\\\;DATA=\\\\DATADOKUM\\\\;MIEJSCE=\\\\MIEJSCE\\\\;ODB=\\\\ODBIORCA\\\\;"
    "FILTR=\\\\FILTR\\\\;WYST=\\\\WYSTAWIAJACY\\\\;\\par\r\n"
    "\\\\SCAN(IBQNOTA)\\\\[\\\\IBQNOTA:TRESC\\\\/\\\\A:sNumer\\\\]\\\\ENDSCAN\\\\\\par}\r\n";

class Printouts : public NotesFixture {
protected:
    void SetUp() override
    {
        NotesFixture::SetUp();
        env.programFolder = program.path() + QLatin1Char('/');
        env.printFolder = work.path() + QStringLiteral("/Wydruki");
        QDir().mkpath(env.printFolder);
        for (const char *name : {"szablonnota.rtf", "szablonrejestr.rtf"})
            testsupport::write(program.filePath(QLatin1String(name)), kTemplate);
        app::resetFilter(env.filter, QDate(2022, 6, 1));
        company = testsupport::insertCompany(transaction, "Biuro", "NN/MM/RRRR", "Y");
        db::Statement(transaction, QStringLiteral("update FIRMA set NIP='725-000-11-22', MIEJSCOWOSC='Lodz' "
                                                  "where IDFIRMA=%1").arg(company))
            .execute();
        alfa = addCounterparty(company, "Alfa");
        env.currentCompany = company;
    }

    // Answers the print question with `button` of the dialog.
    static void answer(QPushButton *TfrmPytanieWydruk::*button)
    {
        onNextDialog<TfrmPytanieWydruk>([button](TfrmPytanieWydruk &d) { (d.*button)->click(); });
    }

    // The output as text, without the language marks the engine writes before values.
    QString output(const char *name) const
    {
        return QString::fromLatin1(testsupport::contents(env.printFolder + QLatin1Char('/') + QLatin1String(name)))
            .remove(QStringLiteral("\\lang1045 "));
    }

    QStringList texts() const
    {
        QStringList result;
        for (const notes::NoteRow &row : window->notesModel()->rows())
            result << row.tresc;
        return result;
    }

    // The one message said is the refusal of `link`, which still leads to
    // `victim`, whose text is as the test wrote it.
    void expectLinkRefused(const QString &link, const QString &victim) const
    {
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
        EXPECT_EQ(prompts.shown[0].text, "Nie zapisano pliku " + link
                                             + ": jest dowiązaniem symbolicznym, a program nie zapisuje plików "
                                               "przez dowiązania.\r\nProszę usunąć to dowiązanie.");
        EXPECT_EQ(testsupport::contents(victim), "cudza praca");
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), victim);
    }

    QTemporaryDir program;
    int company = 0, alfa = 0;
};

// A process named as LibreOffice's, working in the profile of `home`, so
// that a lock file naming that profile names a live LibreOffice.
class FakeLibreOffice {
public:
    explicit FakeLibreOffice(const QString &home)
    {
        const QString binary = m_dir.filePath(QStringLiteral("soffice.bin"));
        QFile::copy(QStandardPaths::findExecutable(QStringLiteral("sleep")), binary);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        m_process.setProcessEnvironment(environment);
        m_process.start(binary, {QStringLiteral("60")});
        m_process.waitForStarted();
    }
    ~FakeLibreOffice()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

QString localHost()
{
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return QString::fromLocal8Bit(name);
}

QString login() { return QString::fromLocal8Bit(getpwuid(getuid())->pw_name); }

// The lock LibreOffice leaves beside a document it has open.
void writeLock(const QString &document, const QString &host, const QString &home)
{
    const QFileInfo info(document);
    testsupport::write(info.absolutePath() + "/.~lock." + info.fileName() + "#",
                       ("Jan Kowalski," + login() + "," + host + ",10.12.2026 14:36,file://" + home
                        + "/.config/libreoffice/4;")
                           .toUtf8());
}

} // namespace

TEST(PrintoutTexts, IssuerBlockHasNoCountryAndNipOnlyWhenThereIsOne)
{
    app::CompanyDetails company;
    company.nazwa1 = " Biuro Ćma ";
    company.nazwa2 = "Sp. z o.o.";
    company.ulica = "Długa";
    company.numerDomu = "5";
    company.kodPocztowy = "90-001";
    company.miejscowosc = "Łódź";
    EXPECT_EQ(print::issuerBlock(company), "Biuro Ćma Sp. z o.o.\r\nDługa 5, 90-001 Łódź");
    company.nip = "725-000-11-22";
    EXPECT_EQ(print::issuerBlock(company), "Biuro Ćma Sp. z o.o.\r\nDługa 5, 90-001 Łódź\r\nNIP: 725-000-11-22");
}

TEST(PrintoutTexts, FilterDescriptionNamesWhatNarrowsTheList)
{
    app::FormatSettings polish;
    app::FilterState filter;
    app::resetFilter(filter, QDate(2022, 6, 1));
    const QString dates = "Data (od - do): 01.04.2022 - 01.06.2022\r\n";
    EXPECT_EQ(print::filterDescription(filter, {}, polish), "Filtr zestawienia: \r\n" + dates);

    filter.debitFrom = 1000000;
    filter.creditTo = 12345675000;
    filter.idKontrahent = 7;
    filter.text = "  ABC ";
    EXPECT_EQ(print::filterDescription(filter, "Alfa ", polish),
              "Filtr zestawienia: \r\nOdbiorca: Alfa \r\nObciążyliśmy (od - do): 100,00 - 999" + nb + "999" + nb
                  + "999,00\r\nUznaliśmy (od - do): 0,00 - 1" + nb + "234" + nb + "567,50\r\n" + dates
                  + "Szukana fraza: ABC");
}

TEST(PrintoutTexts, FileNamesFromDisplayNumbers)
{
    EXPECT_EQ(print::fileNameOf("5/11/2021"), "5-11-2021");
    EXPECT_EQ(print::fileNameOf("A:B*C?\"D\""), "A-B-C-D-");
    EXPECT_EQ(print::fileNameOf("../x"), "x");
    EXPECT_EQ(print::fileNameOf("///"), "nota");
}

TEST(PrintoutTexts, OnlyALiveLibreOfficeHoldsADocument)
{
    QTemporaryDir dir;
    const QString document = dir.filePath("nota.rtf");
    const QString home = dir.filePath("dom");
    EXPECT_FALSE(print::isOpenInWordProcessor(document));  // no lock at all
    writeLock(document, localHost(), home);
    EXPECT_FALSE(print::isOpenInWordProcessor(document)) << "a lock left by a LibreOffice that ended";
    {
        FakeLibreOffice running(home);
        EXPECT_TRUE(print::isOpenInWordProcessor(document));
    }
    {
        // A LibreOffice of another profile (a conversion, another user) does not hold it.
        FakeLibreOffice other(dir.filePath("ktos-inny"));
        EXPECT_FALSE(print::isOpenInWordProcessor(document));
    }
    writeLock(document, "inny-komputer", home);
    EXPECT_TRUE(print::isOpenInWordProcessor(document)) << "another machine's lock cannot be checked";
}

TEST_F(Printouts, ANotePrintsItsPositionsOnlyAndTheListComesBack)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "x1");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "n1");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 200, 0, "n2");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 300, 0, "n3");
    addNote(company, alfa, QDate(2022, 3, 9), 3, 100, 0, "y1");
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(2);

    onNextDialog<TfrmPytanieWydruk>([](TfrmPytanieWydruk &d) {
        EXPECT_EQ(d.windowTitle(), "Drukowanie");
        EXPECT_EQ(d.lblPytanie->text(), "Czy drukować notę księgową\r\nnr 2/03/2022 ?");
        d.bbtnPodglad->click();
    });
    w.actDrukuj->trigger();
    const QString rtf = output("nota.rtf");
    EXPECT_TRUE(rtf.contains("[n1/2/03/2022][n2/2/03/2022][n3/2/03/2022]")) << rtf.toStdString();
    EXPECT_FALSE(rtf.contains("x1"));
    EXPECT_FALSE(rtf.contains("y1"));
    EXPECT_TRUE(rtf.contains("NUMER=2/03/2022;DATA=02.03.2022;MIEJSCE=Lodz;ODB=Alfa")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("FILTR=;"));
    EXPECT_TRUE(rtf.contains("WYST=Biuro")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("NIP: 725-000-11-22"));

    ASSERT_EQ(shell.requests.size(), 1);
    EXPECT_EQ(shell.requests[0].target, "\"" + env.printFolder + "/nota.rtf\"");
    EXPECT_EQ(shell.requests[0].verb, app::ShellVerb::Open);
    EXPECT_EQ(shell.requests[0].state, app::WindowState::Maximized);
    EXPECT_FALSE(env.directPrint);
    EXPECT_EQ(texts().size(), 5);
    EXPECT_EQ(w.XDBGrid1->currentRow(), 2);
    EXPECT_TRUE(prompts.shown.isEmpty());

    // Straight to the printer, and the choice is remembered.
    answer(&TfrmPytanieWydruk::bbtnBezposredni);
    w.actDrukuj->trigger();
    ASSERT_EQ(shell.requests.size(), 2);
    EXPECT_EQ(shell.requests[1].verb, app::ShellVerb::Print);
    EXPECT_TRUE(env.directPrint);
    // Cancelled: nothing printed, the choice kept.
    answer(&TfrmPytanieWydruk::bbtnAnuluj);
    w.actDrukuj->trigger();
    EXPECT_EQ(shell.requests.size(), 2);
    EXPECT_TRUE(env.directPrint);
}

// An own note template that formats the list's amounts: below a thousand,
// above it, negative and above a million, the field's text with its
// thousands reads as the amount under FFIX and FNUM alike.
TEST_F(Printouts, NumberFormatsTakeTheListsAmountsOfEverySize)
{
    testsupport::write(program.filePath("szablonnota.rtf"),
                       "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0 Arial;}}\r\n"
                       "\\\\SCAN(IBQNOTA)\\\\[\\\\FFIX(IBQNOTA.OBCIAZYLISMY,0)\\\\|\\\\FNUM(IBQNOTA.OBCIAZYLISMY,1)\\\\|"
                       "\\\\FFIX(IBQNOTA.UZNALISMY)\\\\|\\\\FNUM(IBQNOTA.UZNALISMY,0)\\\\]\\\\ENDSCAN\\\\\\par}\r\n");
    struct AmountCase {
        qint64 tenThousandths;
        QString ffix0, fnum1, ffix, fnum0;
    };
    const std::vector<AmountCase> cases = {
        {200'0000, "200", "200,0", "200,00", "200"},
        {1'234'5600, "1235", "1" + nb + "234,6", "1234,56", "1" + nb + "235"},
        {-1'234'5600, "-1235", "-1" + nb + "234,6", "-1234,56", "-1" + nb + "235"},
        {1'234'567'8900, "1234568", "1" + nb + "234" + nb + "567,9", "1234567,89", "1" + nb + "234" + nb + "568"},
    };
    QString expected;
    for (const AmountCase &c : cases) {
        addNote(company, alfa, QDate(2022, 3, 2), 1, c.tenThousandths, c.tenThousandths);
        expected += "[" + c.ffix0 + "|" + c.fnum1 + "|" + c.ffix + "|" + c.fnum0 + "]";
    }
    notes::TfrmMain &w = openWindow();
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actDrukuj->trigger();
    ASSERT_TRUE(prompts.shown.isEmpty()) << prompts.shown[0].text.toStdString();
    const QString rtf = output("nota.rtf");
    EXPECT_TRUE(rtf.contains(expected)) << expected.toStdString() << "\n" << rtf.toStdString();
}

// A note of miliardy prints with its amount in words, through the shipped
// note template as the program runs it.
TEST_F(Printouts, ANoteOfMiliardyPrintsItsAmountInWords)
{
    QFile::remove(program.filePath("szablonnota.rtf"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MIRELO_TEMPLATES) + "/szablonnota.rtf", program.filePath("szablonnota.rtf")));
    addNote(company, alfa, QDate(2022, 3, 2), 1, 1'500'000'000'0000, 0, "Refaktura");
    addNote(company, alfa, QDate(2022, 3, 2), 1, 20'500'000'000'0000, 0, "Kara umowna");
    notes::TfrmMain &w = openWindow();
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actDrukuj->trigger();
    ASSERT_TRUE(prompts.shown.isEmpty()) << prompts.shown[0].text.toStdString();

    QStringDecoder windows1250("windows-1250");
    const QString rtf = windows1250(testsupport::contents(env.printFolder + "/nota.rtf"));
    for (const QString &expected : {"1" + nb + "500" + nb + "000" + nb + "000,00", "22" + nb + "000" + nb + "000" + nb + "000,00",
                                    QString("dwadzieścia dwa miliardy złotych zero groszy")})
        EXPECT_TRUE(rtf.contains(expected)) << expected.toStdString() << "\n" << rtf.toStdString();
    ASSERT_EQ(shell.requests.size(), 1);
}

TEST_F(Printouts, EnterChoosesThePreview)
{
    bool direct = true;
    onNextDialog<TfrmPytanieWydruk>([](TfrmPytanieWydruk &d) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        QTest::keyClick(&d, Qt::Key_Return);
    });
    EXPECT_TRUE(print::AskPrintMode("?", direct));
    EXPECT_FALSE(direct);
    onNextDialog<TfrmPytanieWydruk>([](TfrmPytanieWydruk &d) { QTest::keyClick(&d, Qt::Key_Escape); });
    direct = true;
    EXPECT_FALSE(print::AskPrintMode("?", direct));
    EXPECT_TRUE(direct);
}

TEST_F(Printouts, ALongRegisterWarnsAndAFilteredOneDescribesItsFilter)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "marzec");
    addNote(company, alfa, QDate(2022, 5, 10), 2, 100, 0, "maj 10");
    addNote(company, alfa, QDate(2022, 5, 13), 3, 100, 0, "maj 13");
    notes::TfrmMain &w = openWindow();
    const auto questionOfRegister = [&] {
        QString question;
        onNextDialog<TfrmPytanieWydruk>([&question](TfrmPytanieWydruk &d) {
            question = d.lblPytanie->text();
            d.bbtnPodglad->click();
        });
        w.actRejestrNot->trigger();
        return question;
    };
    EXPECT_EQ(questionOfRegister(), "Wydruk tego zestawienia będzie zawierał\r\nnoty z przedziału czasu aż 73 dni !"
                                    "\r\nMożna ograniczyć - przycisk dolny FILTRUJ.");
    const QString register73 = output("RejestrNot.rtf");
    EXPECT_TRUE(register73.contains("[marzec/1/03/2022][maj 10/2/05/2022][maj 13/3/05/2022]"))
        << register73.toStdString();

    // 70 days is no warning.
    transaction.start();
    db::Statement(transaction, QStringLiteral("delete from NOTA where TRESC='marzec'")).execute();
    addNote(company, alfa, QDate(2022, 3, 4), 1, 100, 0, "marzec 4");
    transaction.commit();
    w.OpenNotesList();
    EXPECT_EQ(questionOfRegister(), "Czy na pewno wydrukować zestawienie ?");

    // Filtered: no warning whatever the span, and the filter described.
    env.filter.dateFrom = app::dayNumber(QDate(2022, 1, 1));
    env.filter.dateTo = app::dayNumber(QDate(2022, 12, 31));
    env.listQueryText = app::filteredNotesQuery(env.filter);
    w.OpenNotesList();
    EXPECT_EQ(questionOfRegister(), "Czy na pewno wydrukować zestawienie ?");
    const QString filtered = output("RejestrNot.rtf");
    EXPECT_TRUE(filtered.contains("FILTR=Filtr zestawienia: \\par")) << filtered.toStdString();
    EXPECT_TRUE(filtered.contains("Data (od - do): 01.01.2022 - 31.12.2022")) << filtered.toStdString();
    EXPECT_TRUE(app::IsFilterActive(env.listQueryText));
}

TEST_F(Printouts, AnEmptyRegisterStillRuns)
{
    notes::TfrmMain &w = openWindow();
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actRejestrNot->trigger();
    const QString rtf = output("RejestrNot.rtf");
    EXPECT_TRUE(rtf.contains("NUMER=;DATA=;MIEJSCE=Lodz;ODB=;")) << rtf.toStdString();
    EXPECT_EQ(shell.requests.size(), 1);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(Printouts, APreviousPrintoutStillOpenIsSaidAndNothingIsPrinted)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a");
    notes::TfrmMain &w = openWindow();
    const QString previous = env.printFolder + "/nota.rtf";
    testsupport::write(previous, "{\\rtf1 poprzednia}");
    writeLock(previous, localHost(), work.path());
    {
        FakeLibreOffice running(work.path());
        answer(&TfrmPytanieWydruk::bbtnPodglad);
        w.actDrukuj->trigger();
    }
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Poprzedni wydruk nie został jeszcze zamknięty. Proszę zamknąć poprzedni wydruk.");
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_TRUE(shell.requests.isEmpty());
    EXPECT_EQ(testsupport::contents(previous), "{\\rtf1 poprzednia}");
    EXPECT_EQ(texts(), QStringList{"a"});

    // The LibreOffice that held it has ended: its lock does not stop printing.
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actDrukuj->trigger();
    EXPECT_EQ(shell.requests.size(), 1);
    EXPECT_TRUE(output("nota.rtf").contains("[a/"));
}

// A print folder others may write to, with another user's link where a
// printout goes: the printout is refused in Polish, nothing is printed,
// and the file the link leads to stays as it was.
TEST_F(Printouts, ALinkPlantedAsThePrintoutIsNotWrittenThrough)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a");
    notes::TfrmMain &w = openWindow();
    env.printFolder = testsupport::stickyFolder(work.path() + "/wspólne wydruki");
    const QString victim = work.path() + "/ważne.odt";
    testsupport::write(victim, "cudza praca");
    const struct {
        QAction *action;
        const char *output;
    } printouts[] = {{w.actDrukuj, "nota.rtf"}, {w.actRejestrNot, "RejestrNot.rtf"}};
    for (const auto &printout : printouts) {
        SCOPED_TRACE(printout.output);
        const QString output = env.printFolder + "/" + printout.output;
        ASSERT_TRUE(testsupport::plantLink(victim, output));
        prompts.shown.clear();
        answer(&TfrmPytanieWydruk::bbtnPodglad);
        printout.action->trigger();
        expectLinkRefused(output, victim);
        EXPECT_TRUE(shell.requests.isEmpty());
        EXPECT_EQ(texts(), QStringList{"a"});
    }
    EXPECT_EQ(QDir(env.printFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList({"nota.rtf", "RejestrNot.rtf"}));
}

TEST_F(Printouts, ATemplateThatFailsIsReportedAfterTheListIsBack)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a");
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "b");
    addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "c");
    QFile::remove(program.filePath("szablonnota.rtf"));
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(0);
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actDrukuj->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_TRUE(shell.requests.isEmpty());
    EXPECT_EQ(texts().size(), 3);
    EXPECT_EQ(w.XDBGrid1->currentRow(), 0);
    // A missing template is no field's fault: no place is given.
    EXPECT_FALSE(prompts.shown[0].text.contains("Miejsce")) << prompts.shown[0].text.toStdString();
}

TEST_F(Printouts, AFieldThatFailsIsShownUnderTheMessage)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a");
    const QByteArray broken = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0 Arial;}}\r\n"
                              "Nota nr \\\\NUMER\\\\,\\par kwota s\\'b3ownie: \\\\IF(KWOTAX>0)\\\\x\\\\ENDIF\\\\\\par}\r\n";
    testsupport::write(program.filePath("szablonnota.rtf"), broken);
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(0);
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actDrukuj->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_EQ(prompts.shown[0].text, "Nie udało się przygotować wydruku.\r\n"
                                     "Get variable: report variable not found: KWOTAX\r\n"
                                     "Miejsce w szablonie: pole nr 2 „\\IF(KWOTAX>0)\\” (bajt "
                                         + QString::number(broken.indexOf("\\\\IF"))
                                         + "), po tekście „Nota nr NUMER, kwota słownie:”");
    EXPECT_TRUE(shell.requests.isEmpty());
}

TEST_F(Printouts, ANoteSavedAsPdfLandsWhereTheUserSaid)
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "n1");
    addNote(company, alfa, QDate(2022, 3, 9), 3, 100, 0, "y1");
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(0);
    const QString target = work.path() + "/wysłane/nota 2.pdf";
    QDir().mkpath(work.path() + "/wysłane");
    testsupport::write(target, "stara zawartość");
    prompts.fileAnswers = {target};
    w.actZapiszPdf->trigger();
    ASSERT_EQ(prompts.inputs.size(), 1);
    EXPECT_EQ(prompts.inputs[0].title, "Zapisz notę jako PDF");
    EXPECT_EQ(prompts.inputs[0].value, env.printFolder + "/Nota 2-03-2022.pdf");
    EXPECT_TRUE(testsupport::contents(target).startsWith("%PDF-"));
    EXPECT_FALSE(QFile::exists(target + ".part"));
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].caption, " INFORMACJA");
    EXPECT_TRUE(shell.requests.isEmpty());  // nothing opened or printed
    EXPECT_EQ(texts().size(), 2);
    EXPECT_EQ(w.XDBGrid1->currentRow(), 0);

    // Cancelled: nothing written, nothing said.
    prompts.fileAnswers = {std::nullopt};
    w.actZapiszPdf->trigger();
    EXPECT_EQ(prompts.shown.size(), 1);
}

// The PDF's file chosen in a folder others may write to, where another
// user's link stands under that name: refused as a printout is.
TEST_F(Printouts, ALinkPlantedAsThePdfIsNotWrittenThrough)
{
    addNote(company, alfa, QDate(2022, 3, 2), 2, 100, 0, "n1");
    notes::TfrmMain &w = openWindow();
    const QString target = testsupport::stickyFolder(work.path() + "/wspólny") + "/nota 2.pdf";
    const QString victim = work.path() + "/ważne.odt";
    testsupport::write(victim, "cudza praca");
    ASSERT_TRUE(testsupport::plantLink(victim, target));
    prompts.fileAnswers = {target};
    w.actZapiszPdf->trigger();
    expectLinkRefused(target, victim);
    EXPECT_EQ(texts(), QStringList{"n1"});
}

namespace {

// LibreOffice's reading of an RTF document: its text, a paragraph or a
// table cell a line.
QString readByLibreOffice(const QString &document, const QString &profileFolder)
{
    const QString office = QStandardPaths::findExecutable("soffice");
    QProcess process;
    process.start(office, {"-env:UserInstallation=file://" + profileFolder + "/profil", "--headless",
                           "--convert-to", "txt:Text (encoded):UTF8", "--outdir", profileFolder, document});
    process.waitForFinished(300000);
    QStringDecoder utf8(QStringDecoder::Utf8);
    return utf8(testsupport::contents(profileFolder + "/" + QFileInfo(document).completeBaseName() + ".txt"));
}

} // namespace

TEST_F(Printouts, TheShippedTemplatesMakeDocumentsLibreOfficeReads)
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    for (const char *name : {"szablonnota.rtf", "szablonrejestr.rtf"}) {
        QFile::remove(program.filePath(name));
        ASSERT_TRUE(QFile::copy(QStringLiteral(MIRELO_TEMPLATES) + "/" + name, program.filePath(name)));
    }
    const int zabka = addCounterparty(company, "Żabka Polska");
    addNote(company, zabka, QDate(2022, 3, 2), 1, 12345678900, 0, "Refaktura energii");
    addNote(company, zabka, QDate(2022, 3, 2), 1, 0, 5000000, "Korekta - zwrot");
    addNote(company, zabka, QDate(2022, 3, 2), 1, -10000, 0, "Rabat");
    addNote(company, alfa, QDate(2022, 3, 20), 2, 990000, 0, "Inna nota");
    notes::TfrmMain &w = openWindow();
    w.XDBGrid1->setCurrentRow(0);
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actDrukuj->trigger();
    ASSERT_TRUE(prompts.shown.isEmpty()) << prompts.shown[0].text.toStdString();

    const QString note = readByLibreOffice(env.printFolder + "/nota.rtf", work.path());
    const QStringList noteLines = {"Biuro", "NIP: 725-000-11-22", "Żabka Polska", "1/03/2022", "02.03.2022",
                                   "Refaktura energii", "Korekta - zwrot", "Rabat", "1" + nb + "234" + nb + "567,89",
                                   "-1,00", "500,00", "1" + nb + "234" + nb + "066,89",
                                   "milion dwieście trzydzieści cztery tysiące sześćdziesiąt sześć złotych "
                                   "osiemdziesiąt dziewięć groszy"};
    for (const QString &expected : noteLines)
        EXPECT_TRUE(note.contains(expected)) << expected.toStdString() << "\n" << note.toStdString();
    EXPECT_FALSE(note.contains("Inna nota"));

    env.filter.dateFrom = app::dayNumber(QDate(2022, 1, 1));
    env.filter.dateTo = app::dayNumber(QDate(2022, 12, 31));
    env.listQueryText = app::filteredNotesQuery(env.filter);
    w.OpenNotesList();
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actRejestrNot->trigger();
    const QString book = readByLibreOffice(env.printFolder + "/RejestrNot.rtf", work.path());
    for (const QString &expected : {QString("Filtr zestawienia:"), QString("Data (od - do): 01.01.2022 - 31.12.2022"),
                                    QString("Refaktura energii"), QString("Inna nota"), QString("2/03/2022"),
                                    QString("1/03/2022")})
        EXPECT_TRUE(book.contains(expected)) << expected.toStdString() << "\n" << book.toStdString();
}

TEST_F(Printouts, WithoutAProgramToOpenItTheUserHearsWhereThePrintoutIs)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a");
    notes::TfrmMain &w = openWindow();
    shell.result = app::kShellNoProgram;
    answer(&TfrmPytanieWydruk::bbtnPodglad);
    w.actDrukuj->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith("Wydruk zapisano w pliku " + env.printFolder + "/nota.rtf"))
        << prompts.shown[0].text.toStdString();
    EXPECT_TRUE(output("nota.rtf").contains("[a/"));
}

// A printout that cannot be written for want of space, in the print folder
// or in the scratch folder the engine assembles it in: the previous
// nota.rtf stays exactly as it was, no scratch file is left in either, and
// the user hears the system's reason.
TEST_F(Printouts, AFullDiskLeavesThePreviousDocumentAndSaysWhy)
{
    addNote(company, alfa, QDate(2022, 3, 1), 1, 100, 0, "a");
    notes::TfrmMain &w = openWindow();
    const QByteArray previousDocument = "{\\rtf1 poprzednia}";
    const QString ownPrintFolder = env.printFolder;
    const std::optional<QByteArray> tmpdir =
        qEnvironmentVariableIsSet("TMPDIR") ? std::optional(qgetenv("TMPDIR")) : std::nullopt;
    const auto restoreTmpdir = qScopeGuard([&] { tmpdir ? qputenv("TMPDIR", *tmpdir) : qunsetenv("TMPDIR"); });

    const struct {
        const char *full;
        bool printFolderFull;
    } cases[] = {{"the print folder's file system", true}, {"the scratch folder's file system", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.full);
        testsupport::FullFileSystem disk(1024 * 1024);
        if (disk.ranInChild())
            return;
        QTemporaryDir otherFolder;
        env.printFolder = c.printFolderFull ? disk.path() : otherFolder.path();
        qputenv("TMPDIR", QFile::encodeName(c.printFolderFull ? otherFolder.path() : disk.path()));
        const QString previous = env.printFolder + "/nota.rtf";
        testsupport::write(previous, previousDocument);
        disk.fill();
        prompts.shown.clear();
        shell.requests.clear();

        answer(&TfrmPytanieWydruk::bbtnPodglad);
        w.actDrukuj->trigger();
        ASSERT_EQ(prompts.shown.size(), 1) << "a printout that did not fit was reported as made";
        EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
        EXPECT_TRUE(prompts.shown[0].text.startsWith("Nie udało się przygotować wydruku."));
        EXPECT_TRUE(prompts.shown[0].text.contains("No space left on device")) << prompts.shown[0].text.toStdString();
        EXPECT_TRUE(shell.requests.isEmpty());
        EXPECT_EQ(testsupport::contents(previous), previousDocument);
        const auto files = QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot;
        EXPECT_EQ(QDir(otherFolder.path()).entryList(files),
                  QStringList(c.printFolderFull ? QStringList{} : QStringList{"nota.rtf"}))
            << "scratch files left behind";
        EXPECT_EQ(QDir(disk.path()).entryList(files, QDir::Name),
                  QStringList(c.printFolderFull ? QStringList{".filler", "nota.rtf"} : QStringList{".filler"}));
        EXPECT_EQ(texts(), QStringList{"a"});

        // Space again: the note prints over the previous document.
        disk.release();
        answer(&TfrmPytanieWydruk::bbtnPodglad);
        w.actDrukuj->trigger();
        EXPECT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(shell.requests.size(), 1);
        EXPECT_TRUE(QString::fromLatin1(testsupport::contents(previous)).remove("\\lang1045 ").contains("[a/"));
        env.printFolder = ownPrintFolder;
    }
}
