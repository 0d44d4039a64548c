// CopyFileWaiting: replaces the target whole, leaves it alone on failure,
// and shows the busy cursor for exactly the copy.
#include "files.h"
#include "qtprinters.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testsupport::contents;
using testsupport::write;

} // namespace

TEST(CopyFileWaiting, OverwritesTheTargetAndShowsTheBusyCursorMeanwhile)
{
    QTemporaryDir dir;
    QList<bool> busy;
    app::setBusyIndicator([&busy](bool on) { busy << on; });
    const QByteArray big(3 * 1024 * 1024 + 17, 'z');
    write(dir.filePath("source"), big);
    write(dir.filePath("target"), "old");

    EXPECT_TRUE(app::CopyFileWaiting(dir.filePath("source"), dir.filePath("target")));
    EXPECT_EQ(contents(dir.filePath("target")), big);
    EXPECT_EQ(busy, QList<bool>({true, false}));

    EXPECT_FALSE(app::CopyFileWaiting(dir.filePath("missing"), dir.filePath("target")));
    EXPECT_EQ(contents(dir.filePath("target")), big) << "a failed copy touched the target";
    EXPECT_FALSE(app::CopyFileWaiting(dir.filePath("source"), dir.filePath("no/such/folder/target")));
    EXPECT_EQ(busy.size(), 6) << "the cursor was not restored on every path";
    EXPECT_FALSE(busy.last());
    app::setBusyIndicator({});
}
