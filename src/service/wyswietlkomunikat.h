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
#include <QPointer>
#include <QTimer>

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

// The feed's run at start beside the main window. The round of downloads
// goes on while the user works; the viewer shows once it is over and the
// main window is free: shown, not minimised, with no dialog or menu open and
// no command at work, so that it never comes up over the user's work in
// progress. A message still pending from an earlier start shows after the
// round too, so that a newer message takes its place instead of following it
// in a second viewer.
class MessageFeedAtStart : public QObject {
    Q_OBJECT
public:
    // `mainWindow` may be null: then only open dialogs and menus hold the viewer back.
    MessageFeedAtStart(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell, const QDate &today,
                       QWidget *mainWindow, const FeedLimits &limits = {});

    // Starts the round when the event loop next turns, after what runs now
    // (the window's showing).
    void start();

signals:
    // The downloads are over; the viewer follows when the window is free.
    void roundOver();
    // The viewer, if there was a message, has been closed.
    void done();

private:
    void showViewerWhenFree();
    bool mainWindowFree() const;

    const app::Environment &m_env;
    ui::Prompts &m_prompts;
    app::Shell &m_shell;
    QPointer<QWidget> m_mainWindow;
    MessageFeed m_feed;
    QTimer m_waitForWindow;
};

// What the main window runs when it is first shown: the feed's run at start
// for `today`, owned by `mainWindow`.
MessageFeedAtStart *RunMessageFeed(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell,
                                   const QDate &today, QWidget *mainWindow, const FeedLimits &limits = {});

} // namespace service
