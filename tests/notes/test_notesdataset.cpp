// The notes list as the report engine's data set.
#include "notesdataset.h"
#include "notesfixture.h"

using MainWindowDataSet = NotesFixture;

TEST_F(MainWindowDataSet, ReadsStoredAndCalculatedFieldsAndMovesTheGrid)
{
    const int company = addCompany("A", "NNN/RR");
    const int k = addCounterparty(company, "Kowalski");
    env.currentCompany = company;
    addNote(company, k, QDate(2021, 11, 30), 5, 12345600, 0, "pierwsza");
    addNote(company, k, QDate(2021, 12, 1), 6, 0, 5000, "druga");
    notes::TfrmMain &w = openWindow();

    notes::NotesDataSet set = w.listDataSet();
    EXPECT_EQ(set.RecNo(), 1) << "starts on the grid's row";
    set.First();
    EXPECT_EQ(w.XDBGrid1->currentRow(), 0);
    EXPECT_FALSE(set.Eof());
    EXPECT_EQ(set.AsString(set.FindField("sNumer")), "005/21");
    EXPECT_EQ(set.AsString(set.FindField("tresc")), "pierwsza");
    EXPECT_EQ(set.AsCurrency(set.FindField("OBCIAZYLISMY")), 12345600);
    EXPECT_EQ(set.AsString(set.FindField("sUznalismy")), "---");
    EXPECT_EQ(set.AsDateTime(set.FindField("sData")), app::dayNumber(QDate(2021, 11, 30)));
    EXPECT_EQ(set.AsInteger(set.FindField("NUMER")), 5);
    EXPECT_EQ(set.FieldType(set.FindField("sData")), rtfreport::TRpFieldType::Date);
    for (const int bad : {-1, set.FieldCount()}) {
        EXPECT_THROW(set.FieldName(bad), std::out_of_range);
        EXPECT_THROW(set.AsString(bad), std::out_of_range);
        EXPECT_THROW(set.AsInteger(bad), std::out_of_range);
    }

    set.Next();
    EXPECT_EQ(w.XDBGrid1->currentRow(), 1);
    EXPECT_EQ(set.AsString(set.FindField("NAZWA1")), "Kowalski");
    set.Next();
    EXPECT_TRUE(set.Eof());
    EXPECT_EQ(set.RecNo(), 1);
    set.Prior();
    set.Prior();
    EXPECT_TRUE(set.Bof());
    EXPECT_EQ(set.RecNo(), 0);
}

TEST_F(MainWindowDataSet, HeldGridStaysStillUntilControlsComeBack)
{
    const int company = addCompany("A");
    const int k = addCounterparty(company, "K");
    env.currentCompany = company;
    for (int n = 1; n <= 3; ++n)
        addNote(company, k, QDate(2022, 1, n), n, 100, 0);
    notes::TfrmMain &w = openWindow();
    notes::NotesDataSet set = w.listDataSet();
    const QByteArray mark = set.Bookmark();

    set.DisableControls();
    set.DisableControls();
    set.First();
    set.Next();
    EXPECT_EQ(w.XDBGrid1->currentRow(), 2);
    set.EnableControls();
    EXPECT_TRUE(set.ControlsDisabled());
    set.GotoBookmark(mark);
    set.EnableControls();
    EXPECT_FALSE(set.ControlsDisabled());
    EXPECT_EQ(w.XDBGrid1->currentRow(), 2);
    EXPECT_EQ(set.RecNo(), 2);
}

TEST_F(MainWindowDataSet, EmptyListIsAtBothEnds)
{
    addCompany("A");
    notes::TfrmMain &w = openWindow();
    notes::NotesDataSet set = w.listDataSet();
    set.First();
    EXPECT_TRUE(set.Eof());
    EXPECT_TRUE(set.Bof());
    EXPECT_EQ(set.AsString(set.FindField("TRESC")), "");
}
