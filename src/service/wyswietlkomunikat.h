#pragma once
// The message viewer: the vendor's pending message, shown at every start
// until the user marks it as read. The text is built from the paragraphs the
// message reader gives, never imported as HTML or RTF, and a link opens only
// when the user clicks it, and only when it leads to an http(s) address.

#include "environment.h"
#include "messagefeed.h"
#include "messagetext.h"
#include "prompts.h"
#include "shell.h"

#include <QDialog>

class QPushButton;
class QTextDocument;
class QTextEdit;

namespace service {

class TfrmWyswietlKomunikat : public QDialog {
    Q_OBJECT
public:
    TfrmWyswietlKomunikat(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell,
                          QWidget *parent = nullptr);

    // Shows the pending message file.
    void loadPendingMessage();

    QTextEdit *reKomunikat;
    QPushButton *bbtnZamknij;
    QPushButton *bbtnPrzeczytane;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bbtnPrzeczytaneClick();
    // The web link under a point of the text area, or empty.
    QString linkAt(const QPoint &position) const;

    const app::Environment &m_env;
    ui::Prompts &m_prompts;
    app::Shell &m_shell;
    QString m_pressedLink;
};

// Replaces the content of `document` with `text`; links are drawn in `linkColour`.
void fillDocument(QTextDocument &document, const MessageText &text, const QColor &linkColour);

// Creates, shows modally and destroys the viewer.
void ShowMessageViewer(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell,
                       QWidget *parent = nullptr);

// What the main window runs when it is first shown: fetch the index and the
// message that applies on `today`, then show the viewer while a message is
// pending.
void RunMessageFeed(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell, const QDate &today,
                    QWidget *parent = nullptr, const FeedLimits &limits = {});

} // namespace service
