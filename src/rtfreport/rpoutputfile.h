#pragma once
// A file written whole or not at all, and never through a symbolic link:
// the engine's document, and every other file the program replaces.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace rtfreport {

// The bytes go to a new scratch file beside `target`, which Commit()
// renames over it: a reader sees the old file or the new one, and a
// failure leaves the old one as it was. A symbolic link at `target` is
// refused: in a folder others may write to (/tmp), someone else's link
// would have the file it leads to replaced. The scratch file is made with
// O_EXCL and O_NOFOLLOW, and rename() replaces a link planted after the
// check, not what it leads to. A device or a pipe cannot be replaced and
// is written directly. The scratch file of a file never committed goes
// with the object.
class TRpOutputFile {
public:
    explicit TRpOutputFile(QString target);
    ~TRpOutputFile();
    TRpOutputFile(const TRpOutputFile &) = delete;
    TRpOutputFile &operator=(const TRpOutputFile &) = delete;

    // False, with ErrorString(), when nothing can be written.
    bool Open();
    // Where the bytes go once open.
    QFile &Device() { return m_file; }
    // Writes out, syncs and puts the file in place; false, with
    // ErrorString(), when the target was left as it was.
    bool Commit();

    QString ErrorString() const { return m_error; }

private:
    bool Fail(const QString &reason);
    bool OpenDirectly(const QByteArray &path);
    bool CreateScratch(const QByteArray &path, int permissions);
    void Discard();

    QString m_target;
    QFile m_file;
    QByteArray m_scratch;  // empty while writing a device directly
    QString m_error;
};

} // namespace rtfreport
