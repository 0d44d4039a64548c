#include "rprtf_templatescanner.h"

namespace rtfreport {

char TRpBufferScanner::ReadChar()
{
    while (m_pos < m_bytes.size()) {
        const char c = m_bytes[m_pos++];
        if (quint8(c) >= 32 || c == '\n' || c == '\t')
            return c;
    }
    return EndOfTemplate;
}

QByteArray TRpBufferScanner::LookAhead(int count)
{
    QByteArray ahead;
    for (qsizetype pos = m_pos; ahead.size() < count; ++pos) {
        if (pos >= m_bytes.size()) {
            ahead += EndOfTemplate;
            continue;
        }
        const char c = m_bytes[pos];
        if (quint8(c) >= 32 || c == '\t')
            ahead += c;
    }
    return ahead;
}

} // namespace rtfreport
