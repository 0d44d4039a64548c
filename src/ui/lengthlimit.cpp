#include "lengthlimit.h"

#include "prompts.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <functional>

namespace ui {

namespace {

QWidget *mouseAreaOf(QLineEdit *edit) { return edit; }
QWidget *mouseAreaOf(QPlainTextEdit *edit) { return edit->viewport(); }

// Qt names the paste of its menus only by the translated text, a tab and
// the keys after it.
bool isPasteOf(const QAction *action, const char *translationContext)
{
    return action->text().section(QLatin1Char('\t'), 0, 0) == QCoreApplication::translate(translationContext, "&Paste");
}
const char *menuContextOf(QLineEdit *) { return "QLineEdit"; }
const char *menuContextOf(QPlainTextEdit *) { return "QWidgetTextControl"; }

// Recognises the user's requests to paste into a text field and hands each
// to `paste`, which pastes and says what did not fit: from the clipboard (the
// paste keys, the context menu) or from the selection (the middle button,
// where the desktop has one), with the point where it was pressed.
template <typename Edit>
class PasteRequests : public QObject {
public:
    using Paste = std::function<void(bool fromSelection, const QPoint &at)>;

    PasteRequests(Edit *edit, Paste paste) : QObject(edit), m_edit(edit), m_paste(std::move(paste))
    {
        m_edit->installEventFilter(this);
        if (mouseAreaOf(m_edit) != m_edit)
            mouseAreaOf(m_edit)->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_edit->isReadOnly())
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            if (watched == m_edit && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
                m_paste(false, {});
                return true;
            }
            break;
        case QEvent::MouseButtonRelease: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (watched == mouseAreaOf(m_edit) && mouse->button() == Qt::MiddleButton
                && QGuiApplication::clipboard()->supportsSelection()) {
                m_paste(true, mouse->position().toPoint());
                return true;
            }
            break;
        }
        case QEvent::ContextMenu:  // the mouse's on the mouse area, the keyboard's on the edit
            showMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        default:
            break;
        }
        return false;
    }

private:
    // The edit's own menu, its paste going through `m_paste`.
    void showMenu(const QPoint &globalPosition)
    {
        QMenu *menu = m_edit->createStandardContextMenu();
        for (QAction *standard : menu->actions()) {
            if (!isPasteOf(standard, menuContextOf(m_edit)))
                continue;
            auto *paste = new QAction(standard->icon(), standard->text(), menu);
            paste->setObjectName(QStringLiteral("edit-paste"));
            paste->setEnabled(standard->isEnabled());
            connect(paste, &QAction::triggered, this, [this] { m_paste(false, {}); });
            menu->insertAction(standard, paste);
            menu->removeAction(standard);
            break;
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(globalPosition);
    }

    Edit *const m_edit;
    const Paste m_paste;
};

// The line edit keeps what fits itself; this says when that was not all.
void pasteIntoLine(QLineEdit *edit, bool fromSelection, Prompts &prompts)
{
    // The middle button pastes where it was pressed, replacing nothing.
    if (fromSelection)
        edit->deselect();
    const QClipboard::Mode mode = fromSelection ? QClipboard::Selection : QClipboard::Clipboard;
    const QString text = QGuiApplication::clipboard()->text(mode);
    const qsizetype room = edit->maxLength() - edit->text().size() + edit->selectedText().size();
    if (fromSelection)
        edit->insert(text);
    else
        edit->paste();
    if (text.size() > room)
        prompts.information(pasteCutMessage(edit->maxLength(), std::max<qsizetype>(room, 0), text.size()));
}

// "znak", "znaki" or "znaków", as the number before it asks.
QString characters(qsizetype count)
{
    if (count == 1)
        return QStringLiteral("znak");
    const qsizetype units = count % 10, tens = count % 100;
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        return QStringLiteral("znaki");
    return QStringLiteral("znaków");
}

} // namespace

void limitLength(QLineEdit *edit, int maxLength, Prompts &prompts)
{
    edit->setMaxLength(maxLength);
    new PasteRequests<QLineEdit>(edit, [edit, &prompts](bool fromSelection, const QPoint &) {
        pasteIntoLine(edit, fromSelection, prompts);
    });
}

PlainTextLimit::PlainTextLimit(QPlainTextEdit *edit, qsizetype maxLength, Prompts &prompts)
    : QObject(edit), m_edit(edit), m_maxLength(maxLength), m_prompts(prompts)
{
    connect(edit->document(), &QTextDocument::contentsChange, this, &PlainTextLimit::noteChange);
    connect(edit, &QPlainTextEdit::textChanged, this, &PlainTextLimit::keepWithinLimit);
    new PasteRequests<QPlainTextEdit>(edit,
                                      [this](bool fromSelection, const QPoint &at) { paste(fromSelection, at); });
}

void PlainTextLimit::allowAtLeast(qsizetype length) { m_maxLength = std::max(m_maxLength, length); }

void PlainTextLimit::noteChange(int position, int, int added)
{
    m_changeStart = position;
    m_changeEnd = position + added;
}

// What came in last loses its end until the text fits: a key pressed at a
// full field is refused, and the text around a paste stays whole.
void PlainTextLimit::keepWithinLimit()
{
    const QString text = m_edit->toPlainText();
    qsizetype excess = storedLength(text) - m_maxLength;
    if (excess <= 0)
        return;
    const int end = std::clamp(m_changeEnd, 0, int(text.size()));
    const int start = std::clamp(m_changeStart, 0, end);
    int cut = end;
    while (cut > start && excess > 0)
        excess -= text[--cut] == QLatin1Char('\n') ? 2 : 1;
    if (m_pasting) {
        m_pastedLength = storedLength(QStringView(text).mid(start, end - start));
        m_keptLength = storedLength(QStringView(text).mid(start, cut - start));
    }
    // Undone together with what it cut.
    QTextCursor cursor(m_edit->document());
    cursor.joinPreviousEditBlock();
    cursor.setPosition(cut);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

void PlainTextLimit::paste(bool fromSelection, const QPoint &at)
{
    m_pastedLength = m_keptLength = 0;
    m_pasting = true;
    if (fromSelection) {
        m_edit->setTextCursor(m_edit->cursorForPosition(at));
        m_edit->insertPlainText(QGuiApplication::clipboard()->text(QClipboard::Selection));
    } else {
        m_edit->paste();
    }
    m_pasting = false;
    if (m_pastedLength > m_keptLength)
        m_prompts.information(pasteCutMessage(m_maxLength, m_keptLength, m_pastedLength));
}

qsizetype storedLength(QStringView text) { return text.size() + text.count(QLatin1Char('\n')); }

QString pasteCutMessage(qsizetype maxLength, qsizetype kept, qsizetype pasted)
{
    const QString limit = QStringLiteral("Wklejony tekst jest za długi: pole przyjmuje najwyżej %1 %2.\r\n")
                              .arg(maxLength)
                              .arg(characters(maxLength));
    if (kept == 0)
        return limit + QStringLiteral("Pole jest już pełne, więc nic nie wklejono.");
    return limit + QStringLiteral("Wklejono tylko początek tekstu: %1 z %2 znaków.").arg(kept).arg(pasted);
}

} // namespace ui
