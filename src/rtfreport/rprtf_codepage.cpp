#include "rprtf_codepage.h"

#include <QStringEncoder>

namespace rtfreport {

QByteArray ToAnsiCodePage(const QString &text)
{
    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Default);
    return encoder.encode(text);
}

} // namespace rtfreport
