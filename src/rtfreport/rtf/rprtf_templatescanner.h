#pragma once
// How the template header readers take their characters. The template
// processor supplies the real scanner over its template buffer; TRpBufferScanner
// is the least one, over bytes in memory.

#include <QByteArray>

namespace rtfreport {

class TRpTemplateScanner {
public:
    // What ReadChar and LookAhead give at and past the end of the template.
    static constexpr char EndOfTemplate = 26;

    virtual ~TRpTemplateScanner() = default;
    // The next character, passing over bytes below 32 other than line feed and
    // tab; EndOfTemplate at the end, without advancing.
    virtual char ReadChar() = 0;
    // The next `count` characters without moving, passing over bytes below 32
    // other than tab; EndOfTemplate for positions past the end.
    virtual QByteArray LookAhead(int count) = 0;
};

class TRpBufferScanner : public TRpTemplateScanner {
public:
    explicit TRpBufferScanner(QByteArray bytes, qsizetype pos = 0)
        : m_bytes(std::move(bytes)), m_pos(pos) {}

    char ReadChar() override;
    QByteArray LookAhead(int count) override;
    qsizetype Pos() const { return m_pos; }

private:
    QByteArray m_bytes;
    qsizetype m_pos;
};

} // namespace rtfreport
