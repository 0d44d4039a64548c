// The pick list window: the lines of its file, choosing the text before a
// colon, adding, correcting and deleting lines with the file kept in step,
// the search, the keys, the full edit handed to the desktop, and the
// messages when the file cannot be read or written.
#include "listawyboru.h"
#include "modaldialog.h"
#include "recordingshell.h"
#include "scriptedprompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace masterdata;
using app::MessageAnswer;

namespace {

const QString kGreek = QStringLiteral("Alfa\r\nBeta\r\nGamma\r\nDelta\r\n");

class PickList : public ::testing::Test {
protected:
    void writeList(const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray stored() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The window shown and active, as the keys need it.
    void show(TfrmListaWyboru &window)
    {
        window.show();
        QApplication::setActiveWindow(&window);
    }

    // The one message shown so far is the error `text`.
    void expectOnlyError(const QString &text)
    {
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(prompts.shown[0].text, text);
        EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
        EXPECT_EQ(prompts.shown[0].icon, app::MessageIcon::Error);
    }

    QTemporaryDir dir;
    QString path = dir.filePath("Opisy.txt");
    testsupport::ScriptedPrompts prompts;
    testsupport::RecordingShell shell;
    app::Environment env;
    app::TDataModule1 data{env};
    ui::Context context{env, data, prompts, shell};
};

QStringList buttonRow(const TfrmListaWyboru &window)
{
    QStringList texts;
    const QLayout *row = window.layout()->itemAt(1)->layout();
    for (int i = 0; i < row->count(); ++i) {
        const QWidget *widget = row->itemAt(i)->widget();
        texts << (widget ? qobject_cast<const QPushButton *>(widget)->text() : QStringLiteral("|"));
    }
    return texts;
}

QStringList texts(const QList<QAction *> &actions)
{
    QStringList result;
    for (const QAction *action : actions)
        result << action->text();
    return result;
}

} // namespace

TEST_F(PickList, ShowsTheFileLinesInOrderWithNothingSelected)
{
    writeList(QStringLiteral("Zeta\r\nAlfa\r\nKoszt:\tŁódź\r\n\r\nŻółw\r\n").toUtf8());
    onNextDialog<TfrmListaWyboru>([this](TfrmListaWyboru &window) {
        EXPECT_EQ(window.windowTitle(), "Opisy");
        EXPECT_EQ(window.size(), QSize(600, 400));
        EXPECT_EQ(window.lines(), QStringList({"Zeta", "Alfa", "Koszt:\tŁódź", "", "Żółw"}));
        EXPECT_EQ(window.selectedRow(), -1);
        EXPECT_EQ(window.lbLista->font().pointSize(), 10);
        EXPECT_EQ(buttonRow(window),
                  QStringList({"Dodaj", "Popraw", "Kasuj", "Szukaj", "Edycja listy", "|", "Wybierz", "Zamknij"}));
        EXPECT_EQ(texts(window.lbLista->actions()), QStringList({"Dodaj", "Popraw", "Kasuj"}));
        EXPECT_EQ(window.lbLista->contextMenuPolicy(), Qt::ActionsContextMenu);
        EXPECT_TRUE(prompts.shown.isEmpty());
    });
    EXPECT_EQ(ShowPickList(context, "Opisy", path, 600, 400), "");

    // The keyboard alone: the first Down selects the first line, the next
    // one the second, Enter chooses it.
    onNextDialog<TfrmListaWyboru>([](TfrmListaWyboru &window) {
        window.lbLista->setFocus();
        QTest::keyClick(window.lbLista, Qt::Key_Down);
        EXPECT_EQ(window.selectedRow(), 0);
        QTest::keyClick(window.lbLista, Qt::Key_Down);
        EXPECT_EQ(window.selectedRow(), 1);
        QTest::keyClick(window.lbLista, Qt::Key_Return);
    });
    EXPECT_EQ(ShowPickList(context, "Opisy", path, 600, 400), "Alfa");
}

TEST_F(PickList, ChoosingReturnsTheTextBeforeTheFirstColon)
{
    writeList(QStringLiteral("słowo:uwaga: druga\r\n:x\r\nCała linia\r\n").toUtf8());
    struct Case {
        const char *how;
        int row;
        std::function<void(TfrmListaWyboru &, int row)> choose;
        QString chosen;
    };
    const auto doubleClick = [](TfrmListaWyboru &window, int row) {
        // What a real double click delivers: a click, then the double click.
        const QPoint centre = window.lbLista->visualItemRect(window.lbLista->item(row)).center();
        QTest::mouseClick(window.lbLista->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(window.lbLista->viewport(), Qt::LeftButton, {}, centre);
    };
    const auto enter = [](TfrmListaWyboru &window, int row) {
        window.selectRow(row);
        window.lbLista->setFocus();
        QTest::keyClick(window.lbLista, Qt::Key_Return);
    };
    const auto button = [](TfrmListaWyboru &window, int row) {
        window.selectRow(row);
        for (QPushButton *wybierz : window.findChildren<QPushButton *>())
            if (wybierz->text() == "Wybierz")
                wybierz->click();
    };
    const auto escape = [](TfrmListaWyboru &window, int row) {
        window.selectRow(row);
        QTest::keyClick(window.lbLista, Qt::Key_Escape);
    };
    const auto zamknij = [](TfrmListaWyboru &window, int row) {
        window.selectRow(row);
        window.actZamknij->trigger();
    };
    const Case cases[] = {
        {"double click", 0, doubleClick, "słowo"},
        {"Enter", 2, enter, "Cała linia"},
        {"Wybierz", 1, button, ""},
        {"Wybierz", 2, button, "Cała linia"},
        {"Escape", 0, escape, ""},
        {"Zamknij", 0, zamknij, ""},
    };
    for (const Case &c : cases) {
        bool closed = false;
        onNextDialog<TfrmListaWyboru>([&c, &closed](TfrmListaWyboru &window) {
            c.choose(window, c.row);
            closed = !window.isVisible();
        });
        EXPECT_EQ(ShowPickList(context, "Opisy", path, 600, 400), c.chosen) << c.how << " on " << c.row;
        EXPECT_TRUE(closed) << c.how;
    }
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(PickList, ChoosingWithoutASelectedLineSaysSoAndStaysOpen)
{
    writeList("Alfa\r\n");
    onNextDialog<TfrmListaWyboru>([this](TfrmListaWyboru &window) {
        // The line with the focus frame is current but not selected.
        window.lbLista->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        window.actWybierz->trigger();
        EXPECT_TRUE(window.isVisible());
        expectOnlyError("Nie został zaznaczony żaden wiersz do wyboru.");
    });
    EXPECT_EQ(ShowPickList(context, "Opisy", path, 600, 400), "");
}

TEST_F(PickList, DodajAppendsSelectsAndSavesAndCreatesAMissingFile)
{
    TfrmListaWyboru window(context, "Opisy", path);
    EXPECT_TRUE(window.lines().isEmpty());

    prompts.inputAnswers = {std::nullopt};
    window.actNowy->trigger();
    ASSERT_EQ(prompts.inputs.size(), 1);
    EXPECT_EQ(prompts.inputs[0].title, "Nowa pozycja");
    EXPECT_EQ(prompts.inputs[0].prompt, "Wprowadź nową pozycję:");
    EXPECT_EQ(prompts.inputs[0].value, "");
    EXPECT_FALSE(QFile::exists(path)) << "Cancel wrote the file";

    prompts.inputAnswers = {QStringLiteral("Usługa księgowa: marzec")};
    window.actNowy->trigger();
    EXPECT_EQ(stored(), QStringLiteral("Usługa księgowa: marzec\r\n").toUtf8());
    EXPECT_EQ(window.selectedRow(), 0);

    window.selectRow(0);
    prompts.inputAnswers = {QString()};  // an empty line is a line too
    window.actNowy->trigger();
    EXPECT_EQ(window.lines(), QStringList({"Usługa księgowa: marzec", ""}));
    EXPECT_EQ(window.selectedRow(), 1);
    EXPECT_EQ(stored(), QStringLiteral("Usługa księgowa: marzec\r\n\r\n").toUtf8());
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(PickList, AChangeKeepsTheUtf8Mark)
{
    const QByteArray mark("\xEF\xBB\xBF");
    writeList(mark + "Alfa\r\n");
    TfrmListaWyboru window(context, "Opisy", path);
    window.selectRow(0);
    prompts.inputAnswers = {QStringLiteral("Łódź")};
    window.actPopraw->trigger();
    EXPECT_EQ(stored(), mark + QStringLiteral("Łódź\r\n").toUtf8());
}

TEST_F(PickList, PoprawReplacesTheSelectedLine)
{
    writeList(kGreek.toUtf8());
    TfrmListaWyboru window(context, "Opisy", path);
    window.actPopraw->trigger();
    expectOnlyError("Proszę wybrać wiersz do edycji.");
    EXPECT_TRUE(prompts.inputs.isEmpty());

    window.selectRow(2);
    prompts.inputAnswers = {std::nullopt, QStringLiteral("Gamma: trzecia")};
    window.actPopraw->trigger();
    EXPECT_EQ(stored(), kGreek.toUtf8());
    window.actPopraw->trigger();
    ASSERT_EQ(prompts.inputs.size(), 2);
    EXPECT_EQ(prompts.inputs[1].title, "Edycja");
    EXPECT_EQ(prompts.inputs[1].prompt, "Popraw wybraną linię");
    EXPECT_EQ(prompts.inputs[1].value, "Gamma");
    EXPECT_EQ(window.lines(), QStringList({"Alfa", "Beta", "Gamma: trzecia", "Delta"}));
    EXPECT_EQ(stored(), "Alfa\r\nBeta\r\nGamma: trzecia\r\nDelta\r\n");
}

TEST_F(PickList, KasujAsksWithNoPreselectedThenRemovesTheLine)
{
    writeList(kGreek.toUtf8());
    TfrmListaWyboru window(context, "Opisy", path);
    window.actusun->trigger();
    expectOnlyError("Proszę wybrać wiersz do usunięcia.");

    window.selectRow(1);
    prompts.answers = {MessageAnswer::No, MessageAnswer::Yes};
    window.actusun->trigger();
    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(prompts.shown[1].text, "Czy usunąć wskazaną pozycję ?");
    EXPECT_EQ(prompts.shown[1].caption, " PYTANIE");
    EXPECT_EQ(prompts.shown[1].buttons, app::MessageButtons::YesNo);
    EXPECT_EQ(prompts.shown[1].defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(window.lines().size(), 4);
    EXPECT_EQ(stored(), kGreek.toUtf8());

    window.actusun->trigger();
    EXPECT_EQ(window.lines(), QStringList({"Alfa", "Gamma", "Delta"}));
    EXPECT_EQ(stored(), "Alfa\r\nGamma\r\nDelta\r\n");
    EXPECT_EQ(window.selectedRow(), -1);
}

TEST_F(PickList, SzukajStepsOnFromTheSelectionAndWrapsFromTheLastLine)
{
    writeList(kGreek.toUtf8());
    TfrmListaWyboru window(context, "Opisy", path);
    window.selectRow(0);
    prompts.inputAnswers = {QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("mm"), std::nullopt};
    QList<int> selected;
    for (int i = 0; i < 4; ++i) {
        window.bbtnSzukaj->click();
        selected << window.selectedRow();
    }
    EXPECT_EQ(selected, QList<int>({2, 3, 2, 2}));
    ASSERT_EQ(prompts.inputs.size(), 4);
    EXPECT_EQ(prompts.inputs[0].title, "Szukaj pozycję");
    EXPECT_EQ(prompts.inputs[0].prompt, "Wpisz szukaną frazę");
    EXPECT_EQ(prompts.inputs[0].value, "");
    EXPECT_EQ(prompts.inputs[3].value, "mm");
    EXPECT_EQ(window.lokSzukane, "mm");

    // Each opening starts with no phrase.
    TfrmListaWyboru next(context, "Opisy", path);
    prompts.inputAnswers = {QStringLiteral("ELT")};
    next.bbtnSzukaj->click();
    EXPECT_EQ(prompts.inputs[4].value, "");
    EXPECT_EQ(next.selectedRow(), 3);
}

TEST_F(PickList, SzukajInAnEmptyListDoesNothing)
{
    TfrmListaWyboru window(context, "Opisy", path);
    prompts.inputAnswers = {QStringLiteral("x")};
    window.bbtnSzukaj->click();
    EXPECT_EQ(window.selectedRow(), -1);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(PickList, KeysOfTheActions)
{
    writeList(kGreek.toUtf8());
    TfrmListaWyboru window(context, "Opisy", path);
    show(window);
    window.selectRow(0);

    prompts.inputAnswers = {std::nullopt, std::nullopt};
    QTest::keyClick(window.lbLista, Qt::Key_Insert);
    QTest::keyClick(window.lbLista, Qt::Key_F5);
    ASSERT_EQ(prompts.inputs.size(), 2);
    EXPECT_EQ(prompts.inputs[0].title, "Nowa pozycja");
    EXPECT_EQ(prompts.inputs[1].title, "Edycja");

    prompts.answers = {MessageAnswer::No};
    QTest::keyClick(window.lbLista, Qt::Key_Delete);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Czy usunąć wskazaną pozycję ?");

    QTest::keyClick(window.lbLista, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_EQ(window.Wybrany, "");
}

TEST_F(PickList, EdycjaListyHandsTheFileToTheDesktopAndDoesNotWait)
{
    writeList(kGreek.toUtf8());
    TfrmListaWyboru window(context, "Opisy", path);
    window.actPelnaEdycja->trigger();
    ASSERT_EQ(shell.requests.size(), 1);
    EXPECT_EQ(shell.requests[0].target, path);
    EXPECT_EQ(shell.requests[0].verb, app::ShellVerb::Open);
    EXPECT_EQ(shell.requests[0].state, app::WindowState::Normal);
    EXPECT_EQ(window.lines().size(), 4);
}

// A desktop without a text editor for it: the user hears which file could
// not be opened, to edit it otherwise.
TEST_F(PickList, EdycjaListyThatTheDesktopCannotOpenSaysWhichFile)
{
    writeList(kGreek.toUtf8());
    TfrmListaWyboru window(context, "Opisy", path);
    shell.result = app::kShellNoProgram;
    window.actPelnaEdycja->trigger();
    expectOnlyError("Nie udało się otworzyć pliku " + path
                    + ":\r\nnie ma programu, który by go otworzył (xdg-open z pakietu xdg-utils).");
}

// The lines run to 200 characters and more: the box that asks for a new
// one, or corrects one, is as wide as the list at least.
TEST_F(PickList, TheInputBoxesAreAsWideAsTheList)
{
    writeList(kGreek.toUtf8());
    ui::QtPrompts boxes;
    ui::Context asked{env, data, boxes, shell};
    TfrmListaWyboru window(asked, "Opisy", path);
    window.resize(600, 400);
    window.selectRow(1);
    for (QAction *action : {window.actNowy, window.actPopraw}) {
        SCOPED_TRACE(action->text().toStdString());
        show(window);  // active again after the box before
        bool shown = false;
        onNextDialog<QInputDialog>([&](QInputDialog &box) {
            shown = true;
            EXPECT_GE(box.findChild<QLineEdit *>()->width(), window.lbLista->width());
        });
        action->trigger();
        EXPECT_TRUE(shown);
    }
    EXPECT_EQ(window.lines().size(), 4);
}

TEST_F(PickList, AFailedSaveIsReportedAndTheListKeepsTheChange)
{
    const QString unreachable = dir.filePath("brak/Opisy.txt");
    TfrmListaWyboru window(context, "Opisy", unreachable);
    prompts.inputAnswers = {QStringLiteral("Nowa")};
    window.actNowy->trigger();

    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith("Nie udało się zapisać listy w pliku\n" + unreachable + "\n\n"))
        << prompts.shown[0].text.toStdString();
    EXPECT_GT(prompts.shown[0].text.size(), ("Nie udało się zapisać listy w pliku\n" + unreachable + "\n\n").size())
        << "no reason given";
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_EQ(window.lines(), QStringList{"Nowa"});
    EXPECT_EQ(window.selectedRow(), 0);
    EXPECT_FALSE(QFile::exists(unreachable));
}

TEST_F(PickList, AFileThatCannotBeReadIsReportedAndNeverReplaced)
{
    // A folder where the file should be.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Opisy.txt"));
    TfrmListaWyboru window(context, "Opisy", path);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith("Nie udało się wczytać listy z pliku\n" + path + "\n\n"))
        << prompts.shown[0].text.toStdString();
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
    EXPECT_TRUE(window.lines().isEmpty());

    prompts.inputAnswers = {QStringLiteral("Nowa")};
    window.actNowy->trigger();
    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_TRUE(prompts.shown[1].text.startsWith("Nie udało się zapisać listy w pliku\n"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}
