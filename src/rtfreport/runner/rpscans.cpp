#include "rpscans.h"

#include "rpdataset.h"

namespace rtfreport {

TRpScanInfo::TRpScanInfo(const TRpBlock &block, TRpScans &scans)
    : m_block(&block), m_scans(&scans), m_dataSet(scans.m_dataSets.at(size_t(block.scanIndex))), m_rows(nullptr)
{
    if (!scans.m_rows.empty())
        if (const auto found = scans.m_rows.find(block.scanIndex); found != scans.m_rows.end())
            m_rows = &found->second;
}

TRpScanRows &TRpScanInfo::Rows()
{
    if (!m_rows)
        m_rows = &m_scans->m_rows[m_block->scanIndex];
    return *m_rows;
}

const QList<QByteArray> &TRpScanInfo::SelectedRows() const
{
    static const QList<QByteArray> none;
    return m_rows ? m_rows->bookMarks : none;
}

void TRpScanInfo::SetSelectedRows(const QList<QByteArray> &rows)
{
    TRpScanRows &selected = Rows();
    selected.bookMarks = rows;
    if (rows.isEmpty())
        selected.use = false;
}

void TRpScanInfo::ClearSelectedRows()
{
    m_scans->m_rows.erase(m_block->scanIndex);
    m_rows = nullptr;
}

TRpScans::TRpScans(const TRpBlockTable &blocks, TRpRTF *owner)
    : m_owner(owner), m_state(size_t(blocks.Count()), FirstPassBit), m_dataSets(blocks.ScanNumbers().size())
{
}

void TRpScanInfo::GoFirst()
{
    if (IsWhile())
        return;
    if (UseSelectedRows()) {
        TRpScanRows &rows = Rows();
        rows.position = 0;
        if (!rows.bookMarks.isEmpty() && m_dataSet)
            m_dataSet->GotoBookmark(rows.bookMarks.first());
    } else if (m_dataSet) {
        m_dataSet->First();
    }
}

void TRpScanInfo::GoNext()
{
    if (!m_dataSet)
        return;
    if (UseSelectedRows()) {
        TRpScanRows &rows = Rows();
        ++rows.position;
        if (rows.position < rows.bookMarks.size())
            m_dataSet->GotoBookmark(rows.bookMarks.at(rows.position));
    } else {
        m_dataSet->Next();
    }
}

bool TRpScanInfo::NotDataSetEof() const
{
    if (!m_dataSet)
        return IsWhile();
    if (UseSelectedRows())
        return m_rows->position < m_rows->bookMarks.size();
    return !m_dataSet->Eof();
}

bool TRpScanInfo::NotEof(bool manageResult) const
{
    const bool notDataSetEof = NotDataSetEof();
    return IsWhile() ? notDataSetEof && manageResult : notDataSetEof;
}

} // namespace rtfreport
