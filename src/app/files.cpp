#include "files.h"

#include <QFile>
#include <QSaveFile>

namespace app {

namespace {

std::function<void(bool)> &busyIndicator()
{
    static std::function<void(bool)> indicator;
    return indicator;
}

class BusyScope {
public:
    BusyScope() { show(true); }
    ~BusyScope() { show(false); }

private:
    static void show(bool busy)
    {
        if (busyIndicator())
            busyIndicator()(busy);
    }
};

} // namespace

void setBusyIndicator(std::function<void(bool)> indicator) { busyIndicator() = std::move(indicator); }

bool CopyFileWaiting(const QString &source, const QString &target)
{
    BusyScope busy;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    static constexpr qint64 kChunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if ((chunk.isEmpty() && in.error() != QFile::NoError) || out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

} // namespace app
