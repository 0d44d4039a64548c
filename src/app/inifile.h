#pragma once
// Config.ini as the office keeps it: the program reads and changes only its
// own keys and leaves every other byte of the file as it was (comments,
// other programs' sections, Windows-1250 texts, backslashes in paths).

#include <QByteArray>
#include <QList>
#include <QString>

namespace app {

class IniFile {
public:
    // Reads the file; a missing one is an empty file.
    explicit IniFile(const QString &path);

    // The value of `key` in `section` (both without regard to letter case),
    // trimmed, surrounding double quotes removed; a null text when absent.
    QString value(const QString &section, const QString &key) const;
    // Sets the value: the key's line is rewritten in place, or added at the
    // end of its section, or the section is added at the end of the file.
    void setValue(const QString &section, const QString &key, const QString &value);

    // Replaces the file whole: the new text goes to a scratch file beside it
    // (see scratchPath), reaches the disk, and is renamed over the file (over
    // the file a link leads to, for a link). False,
    // with the system's reason in `error`, when that fails; the file is then
    // as it was.
    bool save(QString *error = nullptr) const;

    // The scratch file of a save; one left by a save that was cut short is
    // removed by removeLeftovers.
    static QString scratchPath(const QString &path);
    static void removeLeftovers(const QString &path);

private:
    struct Line {
        QByteArray text;     // without its line break
        QByteArray newline;  // "\r\n", "\n" or empty for a last line without one
    };
    // The index of the section's header line, or -1.
    int findSection(const QString &section) const;
    // The index of the key's line within the section that starts at `header`, or -1.
    int findKey(int header, const QString &key) const;
    // One past the section's last line that is not blank.
    int sectionEnd(int header) const;
    QByteArray newline() const;
    static QString writtenPath(const QString &path);

    QString m_path;
    QByteArray m_mark;  // the byte-order mark the file began with, if any
    QList<Line> m_lines;
};

} // namespace app
