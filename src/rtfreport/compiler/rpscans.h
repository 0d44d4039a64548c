#pragma once
// Blocks of a template: scans over data sets (or while a condition holds)
// and the parts of IF chains, numbered in template order and kept on one
// stack while the template compiles.

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

namespace rtfreport {

class TRpDataSet;
class TRpRTF;

enum TRpBlockKind { bkScan = 0, bkIf = 4, bkElse = 5, bkElsIf = 7 };

class TRpScanInfo {
public:
    TRpRTF *OwnerReport() const { return FOwnerReport; }
    int Number() const { return FNumber; }
    int ScanLevel() const { return FLevel; }
    int RpLngId() const { return FrplngId; }
    TRpDataSet *DataSet() const { return FDataSet; }
    int CmPosition() const { return FCmPosition; }
    int EntryCmPosition() const { return FEntryCmPosition; }
    bool NewPage() const { return FNewPage; }
    bool NoEof() const { return FNoEof; }
    bool IsCompleted() const { return FIsCompleted; }
    bool IsEntry() const { return FIsEntry; }
    bool IsFooter() const { return FIsFooter; }
    bool IsWhile() const { return FIsWhile; }
    QString WhileString() const { return m_scan ? m_scan->whileString : QString(); }
    bool ScanManageResult() const { return FScanManageResult; }
    bool FirstPass() const { return FFirstPass; }
    bool Balance() const { return FBalance; }
    int FullBalance() const { return m_scan ? m_scan->fullBalance : 0; }
    QString EmptyBalance() const { return m_scan ? m_scan->emptyBalance : QString(); }
    bool UseSelectedRows() const { return m_scan && m_scan->useBookMarks; }
    void SetUseSelectedRows(bool use) { ScanPart().useBookMarks = use; }
    const QList<QByteArray> &SelectedRows() const;
    // An empty list also stops using selected rows.
    void SetSelectedRows(const QList<QByteArray> &rows);
    void ClearSelectedRows();

    bool IsScan() const { return FrplngId == bkScan; }

    // What some scans have beyond an IF block (and what a block passed over
    // keeps of its braces): apart, as a template may make blocks by the
    // hundred thousand and most of them need none of it.
    struct TRpScanPart {
        QString whileString;
        QList<QByteArray> bookMarks;
        QString emptyBalance;
        int bookMarkPos = 0;
        int footerCmPosition = 0;
        int fullBalance = 0;
        bool useBookMarks = false;
    };
    TRpScanPart &ScanPart();

    TRpRTF *FOwnerReport = nullptr;
    TRpDataSet *FDataSet = nullptr;
    int FNumber = 0;
    int FLevel = 0;
    int FCmPosition = 0;
    int FEntryCmPosition = 0;
    int FEndCmPosition = -1;  // the block's end record
    qint8 FrplngId = bkScan;
    bool FIsEntry = false;
    bool FIsFooter = false;
    bool FNewPage = false;
    bool FNoEof = false;
    bool FIsWhile = false;
    bool FIsCompleted = false;
    bool FFirstPass = true;
    bool FScanManageResult = false;
    // Worked out when first needed: the full balance when a scan repeats,
    // the empty balance when a block is passed over.
    bool FBalance = false;
    bool FEmptyBalanceDone = false;

private:
    std::unique_ptr<TRpScanPart> m_scan;
};

class TRpScans {
public:
    explicit TRpScans(TRpRTF *owner) : FOwnerReport(owner) {}

    int ScCount() const { return FScCount; }

    TRpScanInfo &EnterScan(int cmPos, int rplngId, const QString &whileText, bool isWhile, bool noEof, bool page,
                           TRpDataSet *dataSet);
    // Closes the innermost block, whose end record is at cmPos.
    void ExitScan(int cmPos);
    void SetScanEntry(int cmPos);
    void SetScanFooter(int cmPos);

    // The innermost open block of the compile pass, or none.
    TRpScanInfo *InnermostScanInfo();
    int InnermostScanNum() const { return FScLevel > 0 ? FScanNum[FScLevel - 1] : 0; }

    TRpScanInfo &Block(int number) { return FArrScanInfo.at(size_t(number - 1)); }
    void SetCurrentScan(int number);
    int CurrentScanNum() const { return FNum; }
    TRpScanInfo *CurrentScanInfo() { return FNum > 0 ? &Block(FNum) : nullptr; }

    // Navigation of the current block.
    void GoFirst();
    void GoNext();
    bool NotDataSetEof();
    bool NotEof(bool manageResult);

private:
    TRpRTF *FOwnerReport;
    std::deque<TRpScanInfo> FArrScanInfo;  // a deque: blocks stay where they are
    int FScCount = 0;
    int FScLevel = 0;
    std::vector<int> FScanNum;
    int FNum = 0;
};

// Data sets given here are kept by the application only; a template finds
// data sets through the array handed to the Execute family.
class TRpReportDataCollection {
public:
    int Add(TRpDataSet *Source, const QString &Alias)
    {
        Q_UNUSED(Source);
        Q_UNUSED(Alias);
        return 0;
    }
};

} // namespace rtfreport
