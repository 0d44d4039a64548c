#include "rprtf_templatescanner.h"

namespace rtfreport {

char TRpBufferScanner::ReadChar()
{
    while (FPos < FBytes.size()) {
        const char c = FBytes[FPos++];
        if (quint8(c) >= 32 || c == '\n' || c == '\t')
            return c;
    }
    return EndOfTemplate;
}

QByteArray TRpBufferScanner::LookAhead(int count)
{
    QByteArray ahead;
    for (qsizetype pos = FPos; ahead.size() < count; ++pos) {
        if (pos >= FBytes.size()) {
            ahead += EndOfTemplate;
            continue;
        }
        const char c = FBytes[pos];
        if (quint8(c) >= 32 || c == '\t')
            ahead += c;
    }
    return ahead;
}

} // namespace rtfreport
