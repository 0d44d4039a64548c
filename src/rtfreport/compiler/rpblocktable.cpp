#include "rpblocktable.h"

namespace rtfreport {

TRpBlock::TRpScanPart &TRpBlock::ScanPart()
{
    if (!m_scan)
        m_scan = std::make_unique<TRpScanPart>();
    return *m_scan;
}

TRpBlock &TRpBlockTable::EnterBlock(int cmPos, int kind, const QString &whileText, bool isWhile, bool noEof,
                                    bool page)
{
    TRpBlock &block = m_blocks.emplace_back();
    block.number = int(m_blocks.size());
    block.level = int(m_open.size()) + 1;
    block.kind = qint8(kind);
    block.cmPosition = block.entryCmPosition = cmPos;
    block.isWhile = isWhile;
    block.noEof = noEof;
    block.newPage = page;
    if (kind == bkScan) {
        block.scanIndex = int(m_scanNumbers.size());
        m_scanNumbers.push_back(block.number);
        if (!whileText.isEmpty())
            block.ScanPart().whileString = whileText;
    }
    m_open.push_back(block.number);
    return block;
}

void TRpBlockTable::ExitBlock(int cmPos)
{
    if (m_open.empty())
        return;
    TRpBlock &block = m_blocks.at(size_t(m_open.back() - 1));
    if (block.endCmPosition < 0)
        block.endCmPosition = cmPos;
    m_open.pop_back();
}

TRpBlock *TRpBlockTable::Innermost()
{
    return m_open.empty() ? nullptr : &m_blocks.at(size_t(m_open.back() - 1));
}

void TRpBlockTable::SetScanEntry(int cmPos)
{
    TRpBlock *block = Innermost();
    block->entryCmPosition = cmPos;
    block->isEntry = true;
}

void TRpBlockTable::SetScanFooter(int cmPos)
{
    TRpBlock *block = Innermost();
    block->ScanPart().footerCmPosition = cmPos;
    block->isFooter = true;
}

} // namespace rtfreport
