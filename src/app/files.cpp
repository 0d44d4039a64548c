#include "files.h"

#include "rpoutputfile.h"

#include <QFile>

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

bool CopyFileWaiting(const QString &source, const QString &target, QString *reason)
{
    BusyScope busy;
    const auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    rtfreport::TRpOutputFile out(target);
    if (!out.Open())
        return fail(out.ErrorString());
    static constexpr qint64 kChunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty() && in.error() != QFile::NoError)
            return fail(in.errorString());
        if (out.Device().write(chunk) != chunk.size())
            return fail(out.Device().errorString());
    }
    return out.Commit() || fail(out.ErrorString());
}

} // namespace app
