#include "rpcommands.h"

namespace rtfreport {

TRpCommandStream::TRpCommandStream()
{
    m_records.reserve(256);
    AddString(QString());  // index 0: the empty string
}

int TRpCommandStream::AddString(const QString &text)
{
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
    command.kind = kind;
    command.pnt = pnt;
    return Append(command);
}

int TRpCommandStream::WriteField(int kind, int pnt, const TRpRowContent &field)
{
    TRpCommand command;
    command.kind = kind;
    command.pnt = pnt;
    command.field = int(m_fields.size());
    m_fields.push_back(field);
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

int TRpCommandStream::WriteOperation(int pnt, int functionId, int argCount, int iifSequence, int parentId,
                                     int argPosition)
{
    TRpCommand command;
    command.kind = cmOperation;
    command.pnt = pnt;
    command.functionId = functionId;
    command.argCount = argCount;
    command.iifSequence = iifSequence;
    command.parentId = parentId;
    command.argPosition = argPosition;
    return Append(command);
}

int TRpCommandStream::WriteBlock(int kind, int pnt, const QString &codes, const QString &absorbed, int block,
                                 int flag)
{
    TRpCommand command;
    command.kind = kind;
    command.pnt = pnt;
    command.codes = AddString(codes);
    command.absorbed = AddString(absorbed);
    command.block = block;
    command.flag = flag;
    return Append(command);
}

} // namespace rtfreport
