#include "inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

// A name as the file holds it: UTF-8 when it reads as such, else the
// Windows-1250 of the office's older machines.
QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows("windows-1250");
    return windows.isValid() ? windows(bytes) : QString::fromLatin1(bytes);
}

bool sameName(const QByteArray &bytes, const QString &name)
{
    return decode(bytes.trimmed()).compare(name, Qt::CaseInsensitive) == 0;
}

// "[name]" with blanks around it: the name, else nothing.
bool sectionName(const QByteArray &line, QByteArray *name)
{
    const QByteArray text = line.trimmed();
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        return false;
    *name = text.mid(1, text.size() - 2);
    return true;
}

bool isComment(const QByteArray &line)
{
    const QByteArray text = line.trimmed();
    return text.startsWith(';') || text.startsWith('#');
}

// Writes all of `bytes`, however many calls that takes; false with errno set.
bool writeAll(int descriptor, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

IniFile::IniFile(const QString &path) : m_path(path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    // An editor may have saved it with UTF-8's byte-order mark: read through
    // it, and write it back.
    static const QByteArray utf8Mark("\xEF\xBB\xBF");
    m_mark = content.startsWith(utf8Mark) ? utf8Mark : QByteArray();
    qsizetype start = m_mark.size();
    while (start < content.size()) {
        const qsizetype end = content.indexOf('\n', start);
        if (end < 0) {
            m_lines.append({content.mid(start), QByteArray()});
            break;
        }
        const bool crlf = end > start && content.at(end - 1) == '\r';
        m_lines.append({content.mid(start, end - start - (crlf ? 1 : 0)), crlf ? "\r\n" : "\n"});
        start = end + 1;
    }
}

int IniFile::findSection(const QString &section) const
{
    QByteArray name;
    for (int i = 0; i < m_lines.size(); ++i)
        if (sectionName(m_lines[i].text, &name) && sameName(name, section))
            return i;
    return -1;
}

int IniFile::findKey(int header, const QString &key) const
{
    QByteArray name;
    for (int i = header + 1; i < m_lines.size() && !sectionName(m_lines[i].text, &name); ++i) {
        const QByteArray &text = m_lines[i].text;
        const qsizetype equals = text.indexOf('=');
        if (equals > 0 && !isComment(text) && sameName(text.left(equals), key))
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const
{
    int end = header + 1;
    QByteArray name;
    for (int i = header + 1; i < m_lines.size() && !sectionName(m_lines[i].text, &name); ++i)
        if (!m_lines[i].text.trimmed().isEmpty())
            end = i + 1;
    return end;
}

QByteArray IniFile::newline() const
{
    for (const Line &line : m_lines)
        if (!line.newline.isEmpty())
            return line.newline;
    return "\n";
}

QString IniFile::value(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    const int line = header < 0 ? -1 : findKey(header, key);
    if (line < 0)
        return {};
    const QByteArray &text = m_lines[line].text;
    QString result = decode(text.mid(text.indexOf('=') + 1).trimmed());
    if (result.size() >= 2 && result.startsWith(QLatin1Char('"')) && result.endsWith(QLatin1Char('"')))
        result = result.mid(1, result.size() - 2);
    return result;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    int header = findSection(section);
    if (header < 0) {
        // A last line without its line break gets one before the new section.
        if (!m_lines.isEmpty() && m_lines.last().newline.isEmpty())
            m_lines.last().newline = newline();
        if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
            m_lines.append({QByteArray(), newline()});
        m_lines.append({'[' + section.toUtf8() + ']', newline()});
        header = int(m_lines.size()) - 1;
    }
    const int existing = findKey(header, key);
    if (existing >= 0) {
        QByteArray &text = m_lines[existing].text;
        text = text.left(text.indexOf('=') + 1) + value.toUtf8();
        return;
    }
    const int at = sectionEnd(header);
    if (at > 0 && at - 1 < m_lines.size() && m_lines[at - 1].newline.isEmpty())
        m_lines[at - 1].newline = newline();
    m_lines.insert(at, {key.toUtf8() + '=' + value.toUtf8(), newline()});
}

QString IniFile::scratchPath(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".zapis");
}

// A file reached through a link is written where the link leads, as
// editors do: the link stays.
QString IniFile::writtenPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info.symLinkTarget() : target;
}

void IniFile::removeLeftovers(const QString &path) { QFile::remove(scratchPath(writtenPath(path))); }

bool IniFile::save(QString *error) const
{
    QByteArray content = m_mark;
    for (const Line &line : m_lines)
        content += line.text + line.newline;
    const QString path = writtenPath(m_path);
    const QByteArray scratch = QFile::encodeName(scratchPath(path));
    const auto fail = [&](int code) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(code));
        ::unlink(scratch.constData());
        return false;
    };
    // A new file is the user's alone.
    const int descriptor = ::open(scratch.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return fail(errno);
    // The file keeps permissions given on purpose (a shared machine may let
    // a group write it); the 0644 earlier versions gave it becomes 0600.
    struct stat old = {};
    if (::stat(QFile::encodeName(path).constData(), &old) == 0 && (old.st_mode & 07777) != 0644)
        ::fchmod(descriptor, old.st_mode & 07777);
    const bool written = writeAll(descriptor, content) && ::fsync(descriptor) == 0;
    const int code = errno;
    if (::close(descriptor) != 0 || !written)
        return fail(written ? errno : code);
    if (::rename(scratch.constData(), QFile::encodeName(path).constData()) != 0)
        return fail(errno);
    return true;
}

} // namespace app
