#pragma once
// A run's view of the compiled template's blocks: the data set each scan
// goes over, which rows it takes, whether it is on its first pass; and
// which block the run is in. Made afresh for every run, so that the
// compiled template stays as the compile left it.

#include "rpblocktable.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace rtfreport {

class TRpDataSet;
class TRpRTF;

class TRpScanInfo {
public:
    TRpScanInfo(const TRpBlock &block, TRpRTF *owner) : m_block(&block), m_owner(owner) {}

    TRpRTF *OwnerReport() const { return m_owner; }
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
    bool IsCompleted() const { return m_isCompleted; }
    bool ScanManageResult() const { return m_scanManageResult; }
    bool FirstPass() const { return m_firstPass; }

    // The rows the program chose for the scan (bookmarks), taken instead of
    // the whole data set while UseSelectedRows holds.
    bool UseSelectedRows() const { return m_rows && m_rows->use; }
    void SetUseSelectedRows(bool use) { Rows().use = use; }
    const QList<QByteArray> &SelectedRows() const;
    // An empty list also stops using selected rows.
    void SetSelectedRows(const QList<QByteArray> &rows);
    void ClearSelectedRows();

private:
    friend class TRpScans;
    friend class TRpTemplateRunner;

    struct TRpSelectedRows {
        QList<QByteArray> bookMarks;
        int position = 0;
        bool use = false;
    };
    TRpSelectedRows &Rows();

    const TRpBlock *m_block;
    TRpRTF *m_owner;
    TRpDataSet *m_dataSet = nullptr;
    bool m_isCompleted = false;
    bool m_firstPass = true;
    bool m_scanManageResult = false;
    std::unique_ptr<TRpSelectedRows> m_rows;  // most blocks never have any
};

class TRpScans {
public:
    TRpScans(const TRpBlockTable &blocks, TRpRTF *owner);

    int ScCount() const { return int(m_scans.size()); }
    TRpScanInfo &Scan(int number) { return m_scans.at(size_t(number - 1)); }
    void SetCurrentScan(int number) { m_current = number; }
    int CurrentScanNum() const { return m_current; }
    TRpScanInfo *CurrentScanInfo() { return m_current > 0 ? &Scan(m_current) : nullptr; }
    const TRpScanInfo *CurrentScanInfo() const { return m_current > 0 ? &m_scans.at(size_t(m_current - 1)) : nullptr; }

    // Navigation of the current block.
    void GoFirst();
    void GoNext();
    bool NotDataSetEof();
    bool NotEof(bool manageResult);

private:
    std::vector<TRpScanInfo> m_scans;
    int m_current = 0;
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
