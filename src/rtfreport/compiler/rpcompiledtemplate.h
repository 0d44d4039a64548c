#pragma once
// TRpCompiledTemplate: what a template compiles to (its bytes, the command
// stream, the blocks, the header tables it brings), kept for the runs made
// from it while the template and the settings it was compiled under stay
// the same. Nothing changes it once compiled: a run keeps what it changes
// (the blocks' run state, the header tables it adds to) to itself, so that
// any run, after a failed one too, gives what the first would.

#include "rpcommands.h"
#include "rprtf_document.h"
#include "rpblocktable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace rtfreport {

class TRpTemplateCompiler;

// What a compile depends on besides the template's bytes.
struct TRpCompileSettings {
    int options = 0;
    bool unicodeByDefault = false;
    int charset = 1;
    int currencyDecimals = 2;
    QString functions;  // the user functions: names, argument counts, result types

    bool operator==(const TRpCompileSettings &) const = default;
};

// A template file as the file system last showed it: any write, rename
// or replacement changes it.
struct TRpFileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const TRpFileStamp &) const = default;
};

class TRpCompiledTemplate {
public:
    const QByteArray &Bytes() const { return m_bytes; }
    const TRpCommandStream &Commands() const { return m_commands; }
    const TRpBlockTable &Blocks() const { return m_blocks; }
    const TRpRtfDocument &Header() const { return m_header; }
    const std::vector<std::pair<int, int>> &ScanAliases() const { return m_scanAliases; }
    const QStringList &TraceLines() const { return m_traceLines; }
    const TRpCompileSettings &Settings() const { return m_settings; }

private:
    friend class TRpTemplateCompiler;

    QByteArray m_bytes;
    TRpCommandStream m_commands;
    TRpBlockTable m_blocks;
    TRpRtfDocument m_header;  // the header tables as the template has them
    // Each data scan's block and its alias as typed (an index of the string table).
    std::vector<std::pair<int, int>> m_scanAliases;
    QStringList m_traceLines;  // what the compile wrote to the run-time trace
    TRpCompileSettings m_settings;
};

} // namespace rtfreport
