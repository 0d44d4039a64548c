#pragma once
// A run's state of the compiled template's blocks: for every block whether
// it is on its first pass, completed, and the condition result it keeps;
// for every scan the data set it goes over and which rows it takes; and
// which block the run is in. Made afresh for every run, so that the
// compiled template stays as the compile left it; a byte a block and a
// pointer a scan, as a template may hold hundreds of thousands of blocks.

#include "rpblocktable.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <unordered_map>
#include <vector>

namespace rtfreport {

class TRpDataSet;
class TRpRTF;
class TRpScans;

// The rows the program chose for a scan, and the one the scan stands on.
struct TRpScanRows {
    QList<QByteArray> bookMarks;
    int position = 0;
    bool use = false;
};

// A scan as the program's scan events see it: a view of the run's state of
// one scan, made when the run comes to the scan.
class TRpScanInfo {
public:
    TRpScanInfo(const TRpBlock &block, TRpScans &scans);

    TRpRTF *OwnerReport() const;
    const TRpBlock &Block() const { return *m_block; }
    int Number() const { return m_block->number; }
    int ScanLevel() const { return m_block->level; }
    int RpLngId() const { return m_block->kind; }
    int CmPosition() const { return m_block->cmPosition; }
    int EntryCmPosition() const { return m_block->entryCmPosition; }
    bool NewPage() const { return m_block->newPage; }
    bool NoEof() const { return m_block->noEof; }
    bool IsEntry() const { return m_block->isEntry; }
    bool IsFooter() const { return m_block->isFooter; }
    bool IsWhile() const { return m_block->isWhile; }
    bool IsScan() const { return m_block->IsScan(); }
    QString WhileString() const { return m_block->WhileString(); }

    TRpDataSet *DataSet() const { return m_dataSet; }
    bool IsCompleted() const;
    bool ScanManageResult() const;
    bool FirstPass() const;

    // The rows the program chose for the scan (bookmarks), taken instead of
    // the whole data set while UseSelectedRows holds.
    bool UseSelectedRows() const { return m_rows && m_rows->use; }
    void SetUseSelectedRows(bool use) { Rows().use = use; }
    const QList<QByteArray> &SelectedRows() const;
    // An empty list also stops using selected rows.
    void SetSelectedRows(const QList<QByteArray> &rows);
    void ClearSelectedRows();

private:
    friend class TRpTemplateRunner;

    TRpScanRows &Rows();
    // The run over the data set or the chosen rows.
    void GoFirst();
    void GoNext();
    bool NotDataSetEof() const;
    // A WHILE scan goes on while its condition (manageResult) holds too.
    bool NotEof(bool manageResult) const;

    const TRpBlock *m_block;
    TRpScans *m_scans;
    TRpDataSet *m_dataSet;
    TRpScanRows *m_rows;  // most scans never have any
};


class TRpScans {
public:
    TRpScans(const TRpBlockTable &blocks, TRpRTF *owner);

    TRpRTF *Owner() const { return m_owner; }
    bool FirstPass(int number) const { return Has(number, FirstPassBit); }
    void SetFirstPass(int number, bool value) { Set(number, FirstPassBit, value); }
    bool IsCompleted(int number) const { return Has(number, CompletedBit); }
    void SetCompleted(int number, bool value) { Set(number, CompletedBit, value); }
    bool ScanManageResult(int number) const { return Has(number, ManageResultBit); }
    void SetScanManageResult(int number, bool value) { Set(number, ManageResultBit, value); }

    // The view of a scan block.
    TRpScanInfo Scan(const TRpBlock &block) { return TRpScanInfo(block, *this); }
    void SetDataSet(const TRpBlock &block, TRpDataSet *dataSet) { m_dataSets.at(size_t(block.scanIndex)) = dataSet; }
    void SetCurrentBlock(int number) { m_current = number; }
    int CurrentBlock() const { return m_current; }

private:
    enum : quint8 { FirstPassBit = 1, CompletedBit = 2, ManageResultBit = 4 };
    bool Has(int number, quint8 bit) const { return m_state.at(size_t(number - 1)) & bit; }
    void Set(int number, quint8 bit, bool value)
    {
        quint8 &state = m_state.at(size_t(number - 1));
        state = value ? quint8(state | bit) : quint8(state & ~bit);
    }
    friend class TRpScanInfo;

    TRpRTF *m_owner;
    std::vector<quint8> m_state;  // by block number - 1
    std::vector<TRpDataSet *> m_dataSets;  // by scan index
    std::unordered_map<int, TRpScanRows> m_rows;  // by scan index, for the scans that have any
    int m_current = 0;
};

inline TRpRTF *TRpScanInfo::OwnerReport() const { return m_scans->Owner(); }
inline bool TRpScanInfo::IsCompleted() const { return m_scans->IsCompleted(Number()); }
inline bool TRpScanInfo::ScanManageResult() const { return m_scans->ScanManageResult(Number()); }
inline bool TRpScanInfo::FirstPass() const { return m_scans->FirstPass(Number()); }

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
