#pragma once
// The pick list's file ("Opisy.txt"): one entry per line, read in whatever
// encoding it was written in and written back whole in the same one, and
// the rules for choosing and searching its lines. No windows.

#include "textencoding.h"

#include <QString>
#include <QStringList>

namespace app {

class PickListFile {
public:
    explicit PickListFile(QString path) : m_path(std::move(path)) {}

    // Reads the lines and notes the file's encoding. LF and CR LF both end a
    // line; a final line end adds no empty line. A missing file gives no
    // lines. False, with the system's reason in `reason`, when the file is
    // there but cannot be read: it is then never written over.
    bool read(QStringList &lines, QString &reason);

    // Replaces the file with `lines`, each ended by CR LF, in the encoding
    // it was read in. The file is swapped in only when completely written,
    // so on failure (false, with the system's reason in `reason`) it stays
    // as it was. A list read as Windows-1250 that holds a character the code
    // page lacks is written as UTF-8 with a mark instead, which every reader
    // of the file recognises, rather than losing the character.
    bool write(const QStringList &lines, QString &reason);

    const QString &path() const { return m_path; }
    TextEncoding encoding() const { return m_encoding; }

private:
    QString m_path;
    TextEncoding m_encoding = TextEncoding::Utf8;  // also of a new file
    bool m_unreadable = false;
};

// What choosing a line takes from it: the text before the first ":" (maybe
// empty), which leaves a remark after the colon out; without one, the line.
QString valueOfLine(const QString &line);

// The line a search for `phrase` selects after `selected` (-1 for none), or
// -1 for an empty list. It moves at least one line on, never tests the line
// it starts from, and stops at the first line containing the phrase (Polish
// upper case on both sides) or at the last line, matching or not. From the
// last line it starts over with the first line as the line it starts from.
// An empty phrase never matches.
int nextSearchedLine(const QStringList &lines, int selected, const QString &phrase);

} // namespace app
