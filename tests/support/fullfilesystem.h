#pragma once
// A small file system of a test's own, to fill so that writes fail for want
// of space: a tmpfs mounted on a temporary folder and detached again when
// the object goes, whatever the test did.
//
// A process that may not mount (a container without CAP_SYS_ADMIN) runs
// the test again in a child with a user and mount namespace of its own,
// where it may: the test body starts with
//     if (fullDisk.ranInChild()) return;
// and the child's failures are the test's.

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class FullFileSystem {
public:
    explicit FullFileSystem(qint64 bytes = 4 * 1024 * 1024);
    ~FullFileSystem();
    FullFileSystem(const FullFileSystem &) = delete;
    FullFileSystem &operator=(const FullFileSystem &) = delete;

    // True when this process could not mount and the test ran in a child
    // process instead; its outcome has been recorded for this test.
    bool ranInChild();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes the free space with a filler file, all of it but `spare` bytes.
    void fill(qint64 spare = 0);
    // Removes the filler.
    void release();
    qint64 freeBytes() const;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    int m_mountError = 0;
};

} // namespace testsupport
