#pragma once
// A vendor's message as plain paragraphs of text with bold, italic and web
// links, read from untrusted RTF or plain text. Only text comes out: pictures,
// objects, field codes and every other construct are dropped, and the one
// kind of link kept is an http or https address. No windows: QtCore only.

#include <QByteArray>
#include <QList>
#include <QString>

namespace service {

struct TextRun {
    QString text;  // a line break inside the paragraph is QChar::LineSeparator
    bool bold = false;
    bool italic = false;
    QString link;  // an http(s) address, or empty

    bool sameLook(const TextRun &other) const
    {
        return bold == other.bold && italic == other.italic && link == other.link;
    }
};

struct Paragraph {
    QList<TextRun> runs;

    QString text() const;
};

using MessageText = QList<Paragraph>;

// The address as the shell may receive it, when it is a well-formed http or
// https address with a host; empty for anything else (file:, javascript:, …).
QString webLink(const QString &address);

// RTF: the text of the document body with its bold and italic, hyperlink
// fields as links. Anything malformed is read as far as it makes sense.
MessageText readRtfMessage(const QByteArray &rtf);

// Plain text in the encoding its bytes show: UTF-8 or UTF-16 by a
// byte-order mark, else UTF-8 when valid, else the system's code page
// (Windows-1250); one paragraph a line.
MessageText readPlainMessage(const QByteArray &bytes);

// RTF when the bytes begin with "{\rtf", plain text otherwise. Web
// addresses written out in the text become links.
MessageText readMessage(const QByteArray &bytes);

} // namespace service
