#include "rpscans.h"

#include "rpdataset.h"

namespace rtfreport {

TRpScanInfo::TRpSelectedRows &TRpScanInfo::Rows()
{
    if (!m_rows)
        m_rows = std::make_unique<TRpSelectedRows>();
    return *m_rows;
}

const QList<QByteArray> &TRpScanInfo::SelectedRows() const
{
    static const QList<QByteArray> none;
    return m_rows ? m_rows->bookMarks : none;
}

void TRpScanInfo::SetSelectedRows(const QList<QByteArray> &rows)
{
    TRpSelectedRows &selected = Rows();
    selected.bookMarks = rows;
    if (rows.isEmpty())
        selected.use = false;
}

void TRpScanInfo::ClearSelectedRows()
{
    m_rows.reset();
}

TRpScans::TRpScans(const TRpBlockTable &blocks, TRpRTF *owner)
{
    m_scans.reserve(size_t(blocks.Count()));
    for (int number = 1; number <= blocks.Count(); ++number)
        m_scans.emplace_back(blocks.Block(number), owner);
}

void TRpScans::GoFirst()
{
    TRpScanInfo *info = CurrentScanInfo();
    if (!info || info->IsWhile())
        return;
    if (info->UseSelectedRows()) {
        TRpScanInfo::TRpSelectedRows &rows = info->Rows();
        rows.position = 0;
        if (!rows.bookMarks.isEmpty() && info->m_dataSet)
            info->m_dataSet->GotoBookmark(rows.bookMarks.first());
    } else if (info->m_dataSet) {
        info->m_dataSet->First();
    }
}

void TRpScans::GoNext()
{
    TRpScanInfo *info = CurrentScanInfo();
    if (!info || !info->m_dataSet)
        return;
    if (info->UseSelectedRows()) {
        TRpScanInfo::TRpSelectedRows &rows = info->Rows();
        ++rows.position;
        if (rows.position < rows.bookMarks.size())
            info->m_dataSet->GotoBookmark(rows.bookMarks.at(rows.position));
    } else {
        info->m_dataSet->Next();
    }
}

bool TRpScans::NotDataSetEof()
{
    TRpScanInfo *info = CurrentScanInfo();
    if (!info)
        return false;
    if (!info->m_dataSet)
        return info->IsWhile();
    if (info->UseSelectedRows()) {
        const TRpScanInfo::TRpSelectedRows &rows = info->Rows();
        return rows.position < rows.bookMarks.size();
    }
    return !info->m_dataSet->Eof();
}

bool TRpScans::NotEof(bool manageResult)
{
    TRpScanInfo *info = CurrentScanInfo();
    const bool notDataSetEof = NotDataSetEof();
    return info && info->IsWhile() ? notDataSetEof && manageResult : notDataSetEof;
}

} // namespace rtfreport
