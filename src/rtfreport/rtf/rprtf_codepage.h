#pragma once
// The system's ANSI code page, in which the engine writes RTF: Windows-1250,
// the program's Central European setting.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string>

namespace rtfreport {

// Characters the code page lacks become "?" (a surrogate pair one "?").
QByteArray ToAnsiCodePage(const QString &text);
// The same bytes appended to out.
void AppendAnsiCodePage(QStringView text, std::string &out);
// One UTF-16 unit's byte; half of a surrogate pair has none and gives "?".
char ToAnsiByte(QChar ch);
// The byte AppendAnsiCodePage writes for one unit that is not half of a
// pair, or -1 where it writes nothing.
int AnsiCodePageByte(char16_t unit);
// One byte of the code page as a character.
QChar FromAnsiByte(char byte);

} // namespace rtfreport
