#include "rpscans.h"

#include "rpdataset.h"

namespace rtfreport {

TRpScanInfo::TRpScanPart &TRpScanInfo::ScanPart()
{
    if (!m_scan)
        m_scan = std::make_unique<TRpScanPart>();
    return *m_scan;
}

const QList<QByteArray> &TRpScanInfo::SelectedRows() const
{
    static const QList<QByteArray> none;
    return m_scan ? m_scan->bookMarks : none;
}

void TRpScanInfo::SetSelectedRows(const QList<QByteArray> &rows)
{
    TRpScanPart &scan = ScanPart();
    scan.bookMarks = rows;
    if (rows.isEmpty())
        scan.useBookMarks = false;
}

void TRpScanInfo::ClearSelectedRows()
{
    if (!m_scan)
        return;
    m_scan->bookMarks.clear();
    m_scan->useBookMarks = false;
    m_scan->bookMarkPos = 0;
}

TRpScanInfo &TRpScans::EnterScan(int cmPos, int rplngId, const QString &whileText, bool isWhile, bool noEof,
                                 bool page, TRpDataSet *dataSet)
{
    TRpScanInfo *info = &FArrScanInfo.emplace_back();
    info->FOwnerReport = FOwnerReport;
    info->FNumber = ++FScCount;
    info->FLevel = ++FScLevel;
    info->FrplngId = qint8(rplngId);
    info->FCmPosition = info->FEntryCmPosition = cmPos;
    info->FIsWhile = isWhile;
    info->FNoEof = noEof;
    info->FNewPage = page;
    info->FDataSet = dataSet;
    if (rplngId == bkScan && !whileText.isEmpty())
        info->ScanPart().whileString = whileText;
    FScanNum.resize(FScLevel);
    FScanNum[FScLevel - 1] = info->FNumber;
    return *info;
}

void TRpScans::ExitScan(int cmPos)
{
    if (FScLevel == 0)
        return;
    TRpScanInfo &info = Block(FScanNum[FScLevel - 1]);
    if (info.FEndCmPosition < 0)
        info.FEndCmPosition = cmPos;
    --FScLevel;
    FScanNum.resize(FScLevel);
}

TRpScanInfo *TRpScans::InnermostScanInfo()
{
    return FScLevel > 0 ? &Block(FScanNum[FScLevel - 1]) : nullptr;
}

void TRpScans::SetScanEntry(int cmPos)
{
    TRpScanInfo *info = InnermostScanInfo();
    info->FEntryCmPosition = cmPos;
    info->FIsEntry = true;
}

void TRpScans::SetScanFooter(int cmPos)
{
    TRpScanInfo *info = InnermostScanInfo();
    info->ScanPart().footerCmPosition = cmPos;
    info->FIsFooter = true;
}

void TRpScans::SetCurrentScan(int number)
{
    FNum = number;
    FScLevel = number > 0 ? Block(number).FLevel : 0;
}

void TRpScans::GoFirst()
{
    TRpScanInfo *info = CurrentScanInfo();
    if (!info || info->FIsWhile)
        return;
    if (info->UseSelectedRows()) {
        TRpScanInfo::TRpScanPart &scan = info->ScanPart();
        scan.bookMarkPos = 0;
        if (!scan.bookMarks.isEmpty() && info->FDataSet)
            info->FDataSet->GotoBookmark(scan.bookMarks.first());
    } else if (info->FDataSet) {
        info->FDataSet->First();
    }
}

void TRpScans::GoNext()
{
    TRpScanInfo *info = CurrentScanInfo();
    if (!info || !info->FDataSet)
        return;
    if (info->UseSelectedRows()) {
        TRpScanInfo::TRpScanPart &scan = info->ScanPart();
        ++scan.bookMarkPos;
        if (scan.bookMarkPos < scan.bookMarks.size())
            info->FDataSet->GotoBookmark(scan.bookMarks.at(scan.bookMarkPos));
    } else {
        info->FDataSet->Next();
    }
}

bool TRpScans::NotDataSetEof()
{
    TRpScanInfo *info = CurrentScanInfo();
    if (!info)
        return false;
    if (!info->FDataSet)
        return info->FIsWhile;
    if (info->UseSelectedRows()) {
        const TRpScanInfo::TRpScanPart &scan = info->ScanPart();
        return scan.bookMarkPos < scan.bookMarks.size();
    }
    return !info->FDataSet->Eof();
}

bool TRpScans::NotEof(bool manageResult)
{
    TRpScanInfo *info = CurrentScanInfo();
    const bool notDataSetEof = NotDataSetEof();
    return info && info->FIsWhile ? notDataSetEof && manageResult : notDataSetEof;
}

} // namespace rtfreport
