#pragma once
// Byte-level helpers of the RTF token stream: a buffered reader with random
// access over a device, a buffered writer that knows its position, and the
// brace counter that finds where a group ends without splitting it into tokens.

#include <string>

#include <QByteArray>
#include <QIODevice>

namespace rtfreport {

// Writes out what a file device holds in its buffer. A full disk shows only
// here (QSaveFile::commit does not tell): throws EIOError naming `what`
// and the system's reason. Other devices have nothing to write out.
void FlushDevice(QIODevice *device, const char *what);

// Reads a random-access device through a window of bytes, so that tokens can
// be looked at in place and the reader can return to an earlier position
// (the "{" of a group) cheaply. Positions are the device's own.
class TRpByteSource {
public:
    // Reading starts at the device's current position.
    explicit TRpByteSource(QIODevice *device);

    qint64 Pos() const { return m_pos; }
    qint64 Size() const { return m_size; }
    bool AtEnd() const { return m_pos >= m_size; }
    void Seek(qint64 pos) { m_pos = qBound<qint64>(0, pos, m_size); }
    // Moves on by `count` bytes, at most to the end.
    void Skip(qint64 count) { Seek(m_pos + qBound<qint64>(0, count, m_size - m_pos)); }
    // The same for bytes known to lie in the input, such as a token just
    // peeked: without the bounds, the next token's place is known sooner.
    void Advance(qint64 count)
    {
        Q_ASSERT(count >= 0 && count <= m_size - m_pos);
        m_pos += count;
    }

    // Up to `wanted` bytes from the current position without moving it;
    // fewer only at the end of the input.
    const char *Peek(qint64 wanted, qint64 &available);
    // Whatever the window holds from the current position on (at least one
    // byte unless at the end), without moving.
    const char *PeekWindow(qint64 &available);
    // The next `count` bytes (fewer at the end), moving past them.
    QByteArray ReadBytes(qint64 count);

private:
    void Refill(qint64 wanted);

    QIODevice *m_device;
    qint64 m_size;
    qint64 m_pos;
    QByteArray m_window;
    qint64 m_windowStart = 0;
};

// Collects small writes and hands them to the device in large blocks. Pos()
// is where the next byte will land in the device. A write the device refuses
// throws EIOError. Call Flush() at the end: the destructor, which may run
// while an error unwinds, drops what is left.
class TRpByteSink {
public:
    explicit TRpByteSink(QIODevice *device) : m_device(device) {}
    TRpByteSink(const TRpByteSink &) = delete;
    TRpByteSink &operator=(const TRpByteSink &) = delete;

    void Write(const char *data, qint64 size);
    void Write(const QByteArray &bytes) { Write(bytes.constData(), bytes.size()); }
    // Lets a writer append straight to the pending bytes, so that a value's
    // text needs no buffer of its own.
    template <typename Writer>
    void Append(Writer &&writer)
    {
        writer(m_pending);
        if (qint64(m_pending.size()) >= BlockSize)
            Flush();
    }
    qint64 Pos() const { return m_device->pos() + qint64(m_pending.size()); }
    void Flush();

private:
    static constexpr qint64 BlockSize = 64 * 1024;
    void WriteToDevice(const char *data, qint64 size);

    QIODevice *m_device;
    std::string m_pending;
};

// Counts braces from a group's "{" until the brace that brings the count back
// to zero. Escaped braces ("\{", "\}") are not counted, "\\" escapes only
// itself, and the raw bytes announced by "\binN" are passed over, so that
// binary picture data can never unbalance the count. Fed chunk by chunk.
class TRpBraceCounter {
public:
    // Returns the offset in this chunk just past the closing brace, or -1 when
    // the group goes on after the chunk.
    qint64 Feed(const char *data, qint64 size);

private:
    enum class State { Text, AfterBackslash, WordLetters, WordNumber, BinaryBytes };
    bool StepIsGroupEnd(char c);

    State m_state = State::Text;
    int m_depth = 0;
    bool m_wordIsBin = false;
    int m_wordLength = 0;
    qint64 m_number = 0;
    qint64 m_binaryLeft = 0;
};

// The largest template or data file read whole: 1 GiB.
inline constexpr qint64 MaxInputFileSize = qint64(1) << 30;

// Reads a device to its end, but no more than `limit` bytes: false, with
// `bytes` cut short, when there is more (an endless device such as /dev/zero
// included) or the device fails.
bool ReadAtMost(QIODevice &device, qint64 limit, QByteArray &bytes);

// Finds the end of the group whose "{" is at the source's position: the
// position just past its closing brace, or -1 when the input ends first.
// Counts over fixed chunks of `chunkSize` bytes; the source position is kept.
qint64 FindGroupEnd(TRpByteSource &source, qint64 chunkSize);

// The same over a group held in memory, from its "{" at `start`.
qint64 FindGroupEnd(const QByteArray &bytes, qint64 start);

} // namespace rtfreport
