#include "rpscans.h"

#include "rpdataset.h"

namespace rtfreport {

void TRpScanInfo::SetSelectedRows(const QList<QByteArray> &rows)
{
    FBookMarkList = rows;
    if (rows.isEmpty())
        FUseBookMarkList = false;
}

TRpScanInfo &TRpScans::EnterScan(int cmPos, int rplngId, const QString &whileText, bool isWhile, bool noEof,
                                 bool page, TRpDataSet *dataSet)
{
    TRpScanInfo *info = &FArrScanInfo.emplace_back();
    info->FOwnerReport = FOwnerReport;
    info->FNumber = ++FScCount;
    info->FLevel = ++FScLevel;
    info->FrplngId = rplngId;
    info->FCmPosition = info->FEntryCmPosition = cmPos;
    info->FWhileString = whileText;
    info->FIsWhile = isWhile;
    info->FNoEof = noEof;
    info->FNewPage = page;
    info->FDataSet = dataSet;
    FScanNum.resize(FScLevel);
    FScanNum[FScLevel - 1] = info->FNumber;
    return *info;
}

void TRpScans::ExitScan()
{
    if (FScLevel == 0)
        return;
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
    info->FFooterCmPosition = cmPos;
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
    if (info->FUseBookMarkList) {
        info->FBookMarkPos = 0;
        if (!info->FBookMarkList.isEmpty() && info->FDataSet)
            info->FDataSet->GotoBookmark(info->FBookMarkList.first());
    } else if (info->FDataSet) {
        info->FDataSet->First();
    }
}

void TRpScans::GoNext()
{
    TRpScanInfo *info = CurrentScanInfo();
    if (!info || !info->FDataSet)
        return;
    if (info->FUseBookMarkList) {
        ++info->FBookMarkPos;
        if (info->FBookMarkPos < info->FBookMarkList.size())
            info->FDataSet->GotoBookmark(info->FBookMarkList.at(info->FBookMarkPos));
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
    if (info->FUseBookMarkList)
        return info->FBookMarkPos < info->FBookMarkList.size();
    return !info->FDataSet->Eof();
}

bool TRpScans::NotEof(bool manageResult)
{
    TRpScanInfo *info = CurrentScanInfo();
    const bool notDataSetEof = NotDataSetEof();
    return info && info->FIsWhile ? notDataSetEof && manageResult : notDataSetEof;
}

} // namespace rtfreport
