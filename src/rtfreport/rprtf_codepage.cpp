#include "rprtf_codepage.h"

#include <QStringEncoder>

namespace rtfreport {

QByteArray ToAnsiCodePage(const QString &text)
{
    // Opening the converter costs more than converting a field's text.
    thread_local QStringEncoder encoder("windows-1250", QStringConverter::Flag::Default);
    encoder.resetState();
    QByteArray bytes = encoder.encode(text);
    // The converter marks what it cannot map with the substitute character;
    // the platform's conversion writes "?" there.
    if (!text.contains(QChar(0x1A)))
        bytes.replace('\x1a', '?');
    return bytes;
}

char ToAnsiByte(QChar ch)
{
    const QByteArray bytes = ch.isSurrogate() ? QByteArray() : ToAnsiCodePage(QString(ch));
    return bytes.isEmpty() ? '?' : bytes.at(0);
}

} // namespace rtfreport
