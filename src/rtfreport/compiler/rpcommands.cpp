#include "rpcommands.h"

namespace rtfreport {

size_t TRpCommandStream::FieldHash::operator()(int index) const
{
    const TRpRowContent &f = (*fields)[size_t(index)];
    return qHashMulti(0, f.stestf, f.Dalias, f.Field, f.sout, f.fmt.fmtnumber, f.fmt.precision, f.fmt.decimals);
}

bool TRpCommandStream::FieldEqual::operator()(int a, int b) const
{
    const TRpRowContent &x = (*fields)[size_t(a)];
    const TRpRowContent &y = (*fields)[size_t(b)];
    return x.stestf == y.stestf && x.Dalias == y.Dalias && x.Field == y.Field && x.sout == y.sout
           && x.fmt.fmtnumber == y.fmt.fmtnumber && x.fmt.precision == y.fmt.precision
           && x.fmt.decimals == y.fmt.decimals && x.ftype == y.ftype && x.NField == y.NField
           && x.DefinedType == y.DefinedType && x.Defined == y.Defined;
}

TRpCommandStream::TRpCommandStream()
    : m_fieldIndex(64, FieldHash{&m_fields}, FieldEqual{&m_fields})
{
    m_strings << QString();  // index 0: the empty string, which AddString gives without a look-up
    m_stringIndex.insert(QString(), 0);
}

int TRpCommandStream::AddField(const TRpRowContent &field)
{
    m_fields.push_back(field);
    const int added = int(m_fields.size()) - 1;
    const auto [at, isNew] = m_fieldIndex.insert(added);
    if (!isNew)
        m_fields.pop_back();
    return *at;
}

int TRpCommandStream::AddString(const QString &text)
{
    if (text.isEmpty())
        return 0;  // the first string of the table, the commonest by far
    const auto found = m_stringIndex.constFind(text);
    if (found != m_stringIndex.constEnd() && *found < m_strings.size() && m_strings.at(*found) == text)
        return *found;
    m_strings << text;
    m_stringIndex.insert(text, int(m_strings.size()) - 1);
    return int(m_strings.size()) - 1;
}

const QString &TRpCommandStream::String(int index) const
{
    static const QString none;
    return index >= 0 && index < m_strings.size() ? m_strings.at(index) : none;
}

int TRpCommandStream::Append(TRpCommand command)
{
    m_records.push_back(std::move(command));
    return int(m_records.size()) - 1;
}

int TRpCommandStream::WriteCopyText(int pnt)
{
    if (!m_records.empty() && m_records.back().kind == cmCopyText) {
        m_records.back().pnt = pnt;
        return int(m_records.size()) - 1;
    }
    return WriteMark(cmCopyText, pnt);
}

int TRpCommandStream::WriteMark(int kind, int pnt)
{
    TRpCommand command;
    command.kind = qint16(kind);
    command.pnt = pnt;
    return Append(command);
}

int TRpCommandStream::WriteField(int kind, int pnt, const TRpRowContent &field)
{
    TRpCommand command;
    command.kind = qint16(kind);
    command.pnt = pnt;
    command.field = AddField(field);
    return Append(command);
}

int TRpCommandStream::WriteFormatting(int pnt, const QString &codes)
{
    TRpCommand command;
    command.kind = cmFormatting;
    command.pnt = pnt;
    command.codes = AddString(codes);
    return Append(command);
}

int TRpCommandStream::WriteExpression(int pnt, const TRpRowContent &field, bool output, bool manage, int block)
{
    const int position = WriteField(cmExpression, pnt, field);
    m_records.back().output = output;
    m_records.back().manage = manage;
    m_records.back().block = block;
    return position;
}

int TRpCommandStream::WriteOperation(int pnt, int functionId, int argCount, int iifSequence)
{
    TRpCommand command;
    command.kind = cmOperation;
    command.pnt = pnt;
    command.functionId = functionId;
    command.argCount = argCount;
    command.iifSequence = iifSequence;
    return Append(command);
}

int TRpCommandStream::WriteBlock(int kind, int pnt, const QString &codes, const QString &absorbed, int block,
                                 int flag)
{
    TRpCommand command;
    command.kind = qint16(kind);
    command.pnt = pnt;
    command.codes = AddString(codes);
    command.absorbed = AddString(absorbed);
    command.block = block;
    command.flag = qint8(flag);
    return Append(command);
}

std::vector<TRpCommand> TRpCommandStream::RecordsFrom(int position) const
{
    std::vector<TRpCommand> records;
    records.reserve(m_records.size() - size_t(position));
    for (size_t i = size_t(position); i < m_records.size(); ++i)
        records.push_back(m_records[i]);
    return records;
}

void TRpCommandStream::WriteRun(const TRpRecordRun &run, int pnt, int block, int iifCounter)
{
    for (TRpCommand command : run.records) {
        command.pnt = pnt;
        if (command.kind == cmCopyText) {
            WriteCopyText(pnt);  // merges with plain text before it, as it did the first time
            continue;
        }
        if (command.kind == cmExpression)
            command.block = block;
        if (command.kind == cmOperation && command.iifSequence > 0)
            command.iifSequence += iifCounter - run.iifBase;
        Append(command);
    }
}

} // namespace rtfreport
