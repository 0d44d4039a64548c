#pragma once
// The blocks of a compiled template: scans over data sets (or while a
// condition holds) and the parts of IF chains, numbered in template order.
// The compile keeps the open ones on a stack; a run reads them only.

#include "rpchunkedlist.h"

#include <QString>

#include <memory>
#include <vector>

namespace rtfreport {

enum TRpBlockKind { bkScan = 0, bkIf = 4, bkElse = 5, bkElsIf = 7 };

struct TRpBlock {
    int number = 0;
    int level = 0;
    int cmPosition = 0;       // the block's opening record
    int entryCmPosition = 0;  // where each repetition of a scan starts
    int endCmPosition = -1;   // the block's end record
    int scanIndex = -1;       // a scan's place among the template's scans
    qint8 kind = bkScan;
    bool isEntry = false;
    bool isFooter = false;
    bool newPage = false;
    bool noEof = false;
    bool isWhile = false;

    bool IsScan() const { return kind == bkScan; }
    QString WhileString() const { return m_scan ? m_scan->whileString : QString(); }
    int FooterCmPosition() const { return m_scan ? m_scan->footerCmPosition : 0; }

private:
    friend class TRpBlockTable;
    // What only some scans have: apart, as a template may make blocks by
    // the hundred thousand and most of them need none of it.
    struct TRpScanPart {
        QString whileString;
        int footerCmPosition = 0;
    };
    TRpScanPart &ScanPart();
    std::unique_ptr<TRpScanPart> m_scan;
};

class TRpBlockTable {
public:
    int Count() const { return int(m_blocks.size()); }
    // The scans' block numbers, in template order.
    const std::vector<int> &ScanNumbers() const { return m_scanNumbers; }
    const TRpBlock &Block(int number) const { return m_blocks.at(size_t(number - 1)); }

    TRpBlock &EnterBlock(int cmPos, int kind, const QString &whileText, bool isWhile, bool noEof, bool page);
    // Closes the innermost block, whose end record is at cmPos.
    void ExitBlock(int cmPos);
    void SetScanEntry(int cmPos);
    void SetScanFooter(int cmPos);
    // The innermost open block of the compile, or none.
    TRpBlock *Innermost();
    int InnermostNumber() const { return m_open.empty() ? 0 : m_open.back(); }

private:
    TRpChunkedList<TRpBlock, 8> m_blocks;  // blocks stay where they are
    std::vector<int> m_open;
    std::vector<int> m_scanNumbers;
};

} // namespace rtfreport
