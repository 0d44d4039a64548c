#include "rprtf_io.h"

#include <limits>

#include <QFileDevice>

#include "rperrors.h"
#include "rprtf_controlwords.h"

namespace rtfreport {
namespace {

constexpr qint64 WindowSize = 64 * 1024;

} // namespace

TRpByteSource::TRpByteSource(QIODevice *device)
    : FDevice(device), FSize(device->size()), FPos(device->pos())
{
}

const char *TRpByteSource::Peek(qint64 wanted, qint64 &available)
{
    const qint64 reachable = qMin(wanted, FSize - FPos);
    if (reachable <= 0) {
        available = 0;
        return nullptr;
    }
    const qint64 windowEnd = FWindowStart + FWindow.size();
    if (FPos < FWindowStart || FPos + reachable > windowEnd)
        Refill(reachable);
    available = qMin(reachable, FWindowStart + FWindow.size() - FPos);
    return FWindow.constData() + (FPos - FWindowStart);
}

const char *TRpByteSource::PeekWindow(qint64 &available)
{
    const char *bytes = Peek(1, available);
    if (available > 0)
        available = FWindowStart + FWindow.size() - FPos;
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
    FWindowStart = FPos;
    FWindow.clear();
    if (FDevice->seek(FPos))
        FWindow = FDevice->read(qMax(wanted, WindowSize));
    // A device that yields less than its size promised ends the input there.
    if (FWindow.size() < qMin(qMax(wanted, WindowSize), FSize - FPos))
        FSize = FPos + FWindow.size();
}

void FlushDevice(QIODevice *device, const char *what)
{
    auto *file = qobject_cast<QFileDevice *>(device);
    if (file && !file->flush())
        throw EIOError(QString::fromLatin1(what) + file->errorString());
}

void TRpByteSink::WriteToDevice(const char *data, qint64 size)
{
    if (FDevice->write(data, size) != size)
        throw EIOError(QStringLiteral("Can't write the report body: ") + FDevice->errorString());
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
    FPending.append(data, size_t(size));
    if (qint64(FPending.size()) >= BlockSize)
        Flush();
}

void TRpByteSink::Flush()
{
    if (FPending.empty())
        return;
    WriteToDevice(FPending.data(), qint64(FPending.size()));
    FPending.clear();
}

qint64 TRpBraceCounter::Feed(const char *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i) {
        if (FState == State::BinaryBytes) {
            const qint64 skipped = qMin(FBinaryLeft, size - i);
            FBinaryLeft -= skipped;
            i += skipped - 1;
            if (FBinaryLeft == 0)
                FState = State::Text;
            continue;
        }
        if (StepIsGroupEnd(data[i]))
            return i + 1;
    }
    return -1;
}

bool TRpBraceCounter::StepIsGroupEnd(char c)
{
    switch (FState) {
    case State::AfterBackslash:
        if (IsAsciiLetter(c)) {
            FState = State::WordLetters;
            FWordLength = 1;
            FWordIsBin = (c == 'b');
            return false;
        }
        FState = State::Text; // a control symbol: an escaped brace is not counted
        return false;
    case State::WordLetters:
        if (IsAsciiLetter(c)) {
            FWordIsBin = FWordIsBin && ((FWordLength == 1 && c == 'i') || (FWordLength == 2 && c == 'n'));
            ++FWordLength;
            return false;
        }
        FWordIsBin = FWordIsBin && FWordLength == 3;
        if (IsAsciiDigit(c) || c == '-') {
            FState = State::WordNumber;
            FNumber = IsAsciiDigit(c) ? c - '0' : 0;
            return false;
        }
        FState = State::Text;
        return c == ' ' ? false : StepIsGroupEnd(c);
    case State::WordNumber:
        if (IsAsciiDigit(c)) {
            if (FNumber < std::numeric_limits<qint64>::max() / 10 - 10)
                FNumber = FNumber * 10 + (c - '0');
            return false;
        }
        if (FWordIsBin && FNumber > 0) {
            FState = State::BinaryBytes;
            FBinaryLeft = FNumber;
            if (c != ' ' && --FBinaryLeft == 0) // no blank: this byte is the first raw one
                FState = State::Text;
            return false;
        }
        FState = State::Text;
        return c == ' ' ? false : StepIsGroupEnd(c);
    case State::Text:
    case State::BinaryBytes:
        break;
    }
    if (c == '\\')
        FState = State::AfterBackslash;
    else if (c == '{')
        ++FDepth;
    else if (c == '}')
        return --FDepth == 0;
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
