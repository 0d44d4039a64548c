#include "rprtf_io.h"

#include <limits>

#include <QBuffer>
#include <QFileDevice>

#include "rperrors.h"
#include "rprtf_controlwords.h"

namespace rtfreport {
namespace {

constexpr qint64 WindowSize = 64 * 1024;

} // namespace

TRpByteSource::TRpByteSource(QIODevice *device)
    : m_device(device), m_size(device->size()), m_pos(device->pos())
{
    // Bytes in memory are read where they are, as one window shared with the
    // buffer: copying them window by window costs a tenth of the reading.
    auto *buffer = qobject_cast<QBuffer *>(device);
    if (buffer && buffer->isReadable()) {
        m_window = buffer->data();
        m_size = qMin(m_size, m_window.size()); // as a device that yields less than it promised
    }
}

const char *TRpByteSource::Peek(qint64 wanted, qint64 &available)
{
    const qint64 reachable = qMin(wanted, m_size - m_pos);
    if (reachable <= 0) {
        available = 0;
        return nullptr;
    }
    const qint64 windowEnd = m_windowStart + m_window.size();
    if (m_pos < m_windowStart || m_pos + reachable > windowEnd)
        Refill(reachable);
    available = qMin(reachable, m_windowStart + m_window.size() - m_pos);
    return m_window.constData() + (m_pos - m_windowStart);
}

const char *TRpByteSource::PeekWindow(qint64 &available)
{
    const char *bytes = Peek(1, available);
    if (available > 0)
        available = m_windowStart + m_window.size() - m_pos;
    return bytes;
}

QByteArray TRpByteSource::ReadBytes(qint64 count)
{
    QByteArray bytes;
    while (count > 0 && !AtEnd()) {
        qint64 available = 0;
        const char *chunk = Peek(qMin(count, WindowSize), available);
        bytes.append(chunk, available);
        Skip(available);
        count -= available;
    }
    return bytes;
}

void TRpByteSource::Refill(qint64 wanted)
{
    m_windowStart = m_pos;
    m_window.clear();
    if (m_device->seek(m_pos))
        m_window = m_device->read(qMax(wanted, WindowSize));
    // A device that yields less than its size promised ends the input there.
    if (m_window.size() < qMin(qMax(wanted, WindowSize), m_size - m_pos))
        m_size = m_pos + m_window.size();
}

void FlushDevice(QIODevice *device, const char *what)
{
    auto *file = qobject_cast<QFileDevice *>(device);
    if (file && !file->flush())
        throw EIOError(QString::fromLatin1(what) + file->errorString());
}

void TRpByteSink::WriteToDevice(const char *data, qint64 size)
{
    if (m_device->write(data, size) != size)
        throw EIOError(QStringLiteral("Can't write the report body: ") + m_device->errorString());
}

void TRpByteSink::Write(const char *data, qint64 size)
{
    if (size <= 0)
        return;
    if (size >= BlockSize) {
        Flush();
        WriteToDevice(data, size);
        return;
    }
    m_pending.append(data, size_t(size));
    if (qint64(m_pending.size()) >= BlockSize)
        Flush();
}

void TRpByteSink::Flush()
{
    if (m_pending.empty())
        return;
    WriteToDevice(m_pending.data(), qint64(m_pending.size()));
    m_pending.clear();
}

qint64 TRpBraceCounter::Feed(const char *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i) {
        if (m_state == State::BinaryBytes) {
            const qint64 skipped = qMin(m_binaryLeft, size - i);
            m_binaryLeft -= skipped;
            i += skipped - 1;
            if (m_binaryLeft == 0)
                m_state = State::Text;
            continue;
        }
        if (StepIsGroupEnd(data[i]))
            return i + 1;
    }
    return -1;
}

bool TRpBraceCounter::StepIsGroupEnd(char c)
{
    switch (m_state) {
    case State::AfterBackslash:
        if (IsAsciiLetter(c)) {
            m_state = State::WordLetters;
            m_wordLength = 1;
            m_wordIsBin = (c == 'b');
            return false;
        }
        m_state = State::Text; // a control symbol: an escaped brace is not counted
        return false;
    case State::WordLetters:
        if (IsAsciiLetter(c)) {
            m_wordIsBin = m_wordIsBin && ((m_wordLength == 1 && c == 'i') || (m_wordLength == 2 && c == 'n'));
            ++m_wordLength;
            return false;
        }
        m_wordIsBin = m_wordIsBin && m_wordLength == 3;
        if (IsAsciiDigit(c) || c == '-') {
            m_state = State::WordNumber;
            m_number = IsAsciiDigit(c) ? c - '0' : 0;
            return false;
        }
        m_state = State::Text;
        return c == ' ' ? false : StepIsGroupEnd(c);
    case State::WordNumber:
        if (IsAsciiDigit(c)) {
            if (m_number < std::numeric_limits<qint64>::max() / 10 - 10)
                m_number = m_number * 10 + (c - '0');
            return false;
        }
        if (m_wordIsBin && m_number > 0) {
            m_state = State::BinaryBytes;
            m_binaryLeft = m_number;
            if (c != ' ' && --m_binaryLeft == 0) // no blank: this byte is the first raw one
                m_state = State::Text;
            return false;
        }
        m_state = State::Text;
        return c == ' ' ? false : StepIsGroupEnd(c);
    case State::Text:
    case State::BinaryBytes:
        break;
    }
    if (c == '\\')
        m_state = State::AfterBackslash;
    else if (c == '{')
        ++m_depth;
    else if (c == '}')
        return --m_depth == 0;
    return false;
}

bool ReadAtMost(QIODevice &device, qint64 limit, QByteArray &bytes)
{
    bytes.clear();
    if (!device.isSequential()) {
        // A file: its size is known, and it is refused before a byte is read.
        const qint64 size = device.size() - device.pos();
        if (size > limit)
            return false;
        bytes.resize(size);
        const qint64 read = device.read(bytes.data(), size);
        bytes.resize(qMax<qint64>(0, read));
        return read >= 0;
    }
    constexpr qint64 Chunk = 1 << 20;
    for (;;) {
        const qint64 at = bytes.size();
        const qint64 wanted = qMin(Chunk, limit + 1 - at);
        bytes.resize(at + wanted);
        const qint64 read = device.read(bytes.data() + at, wanted);
        bytes.resize(at + qMax<qint64>(0, read));
        if (read < 0 || bytes.size() > limit)
            return false;
        if (read == 0)
            return true;
    }
}

qint64 FindGroupEnd(TRpByteSource &source, qint64 chunkSize)
{
    const qint64 start = source.Pos();
    TRpBraceCounter counter;
    qint64 end = -1;
    while (end < 0 && !source.AtEnd()) {
        qint64 available = 0;
        const char *chunk = source.Peek(chunkSize, available);
        const qint64 found = counter.Feed(chunk, available);
        if (found >= 0)
            end = source.Pos() + found;
        else
            source.Skip(available);
    }
    source.Seek(start);
    return end;
}

qint64 FindGroupEnd(const QByteArray &bytes, qint64 start)
{
    TRpBraceCounter counter;
    const qint64 found = counter.Feed(bytes.constData() + start, bytes.size() - start);
    return found < 0 ? -1 : start + found;
}

} // namespace rtfreport
