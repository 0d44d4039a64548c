#pragma once
// Length limits of the dialogs' text fields. Typing past a limit is refused
// without a word, as the toolkit does it; a paste that does not fit (the
// paste keys, the context menu's paste, the middle button) keeps what fits
// and tells the user how much that was.

#include <QObject>
#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace ui {

class Prompts;

// A one-line field of at most `maxLength` characters. The limit is the
// edit's own maximum length: raised later for a longer stored text, it
// holds here too.
void limitLength(QLineEdit *edit, int maxLength, Prompts &prompts);

// A multi-line text of at most `maxLength` characters as stored, where a
// line break is CR LF, two characters. Lives as long as the edit.
class PlainTextLimit : public QObject {
    Q_OBJECT
public:
    PlainTextLimit(QPlainTextEdit *edit, qsizetype maxLength, Prompts &prompts);

    qsizetype maxLength() const { return m_maxLength; }
    // A longer stored text is shown whole, so that OK does not cut it.
    void allowAtLeast(qsizetype length);

private:
    void noteChange(int position, int removed, int added);
    void keepWithinLimit();
    void paste(bool fromSelection, const QPoint &at);

    QPlainTextEdit *const m_edit;
    qsizetype m_maxLength;
    Prompts &m_prompts;
    int m_changeStart = 0, m_changeEnd = 0;  // what the last change put in
    bool m_pasting = false;
    qsizetype m_pastedLength = 0, m_keptLength = 0;  // of a paste that did not fit
};

// The length of `text` as stored: a line break counts two characters.
qsizetype storedLength(QStringView text);

// What the user reads when a paste of `pasted` characters kept only `kept`
// of them in a field of `maxLength`.
QString pasteCutMessage(qsizetype maxLength, qsizetype kept, qsizetype pasted);

} // namespace ui
