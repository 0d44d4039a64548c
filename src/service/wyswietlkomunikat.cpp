#include "wyswietlkomunikat.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace service {

namespace {

const QString kCaption =
    QStringLiteral("Ważny komunikat dotyczący programu Mirelo   ****   Państwa zainstalowana wersja: ");

} // namespace

TfrmWyswietlKomunikat::TfrmWyswietlKomunikat(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell,
                                             QWidget *parent)
    : QDialog(parent), m_env(env), m_prompts(prompts), m_shell(shell)
{
    setObjectName(QStringLiteral("frmWyswietlKomunikat"));
    setWindowTitle(kCaption + env.shortVersion);
    resize(760, 480);
    auto *layout = new QVBoxLayout(this);

    reKomunikat = new QTextEdit(this);
    // What the user pastes stays text too; nothing typed here is saved.
    reKomunikat->setAcceptRichText(false);
    reKomunikat->viewport()->installEventFilter(this);
    reKomunikat->viewport()->setMouseTracking(true);
    layout->addWidget(reKomunikat, 1);

    auto *buttons = new QHBoxLayout;
    bbtnPrzeczytane = new QPushButton(QStringLiteral("Przeczytane - nie pokazuj więcej tego komunikatu"), this);
    bbtnZamknij = new QPushButton(QStringLiteral("Zamknij to okno"), this);
    QFont bold = bbtnZamknij->font();
    bold.setBold(true);
    bbtnZamknij->setFont(bold);
    buttons->addWidget(bbtnPrzeczytane);
    buttons->addStretch(1);
    buttons->addWidget(bbtnZamknij);
    layout->addLayout(buttons);

    connect(bbtnZamknij, &QPushButton::clicked, this, &QDialog::reject);
    connect(bbtnPrzeczytane, &QPushButton::clicked, this, &TfrmWyswietlKomunikat::bbtnPrzeczytaneClick);
}

void TfrmWyswietlKomunikat::loadPendingMessage()
{
    QFile file(pendingMessagePath(m_env));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(FeedLimits().maxBytes) : QByteArray();
    fillDocument(*reKomunikat->document(), readMessage(bytes), palette().color(QPalette::Link));
    reKomunikat->moveCursor(QTextCursor::Start);
}

void TfrmWyswietlKomunikat::bbtnPrzeczytaneClick()
{
    if (m_prompts.question(QStringLiteral("Czy na pewno trwale usunąć ten komunikat ?"), true))
        QFile::remove(pendingMessagePath(m_env));
    accept();
}

QString TfrmWyswietlKomunikat::linkAt(const QPoint &position) const
{
    return webLink(reKomunikat->anchorAt(position));
}

bool TfrmWyswietlKomunikat::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != reKomunikat->viewport())
        return QDialog::eventFilter(watched, event);
    // Only mouse events are one: cast once the type says so.
    const auto mouse = [event] { return static_cast<QMouseEvent *>(event); };
    switch (event->type()) {
    case QEvent::MouseMove:
        reKomunikat->viewport()->setCursor(linkAt(mouse()->position().toPoint()).isEmpty() ? Qt::IBeamCursor
                                                                                       : Qt::PointingHandCursor);
        break;
    case QEvent::MouseButtonPress:
        m_pressedLink = mouse()->button() == Qt::LeftButton ? linkAt(mouse()->position().toPoint()) : QString();
        break;
    case QEvent::MouseButtonRelease: {
        // A click: pressed and released on the same link, not a selection dragged across it.
        const QString link = mouse()->button() == Qt::LeftButton ? linkAt(mouse()->position().toPoint()) : QString();
        if (!link.isEmpty() && link == m_pressedLink && !reKomunikat->textCursor().hasSelection())
            app::openOrTell(m_shell, m_prompts, link);
        m_pressedLink.clear();
        break;
    }
    default:
        break;
    }
    return false;
}

void fillDocument(QTextDocument &document, const MessageText &text, const QColor &linkColour)
{
    document.clear();
    QTextCursor cursor(&document);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        for (const TextRun &run : text[i].runs) {
            QTextCharFormat format;
            format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.italic);
            const QString link = webLink(run.link);
            if (!link.isEmpty()) {
                format.setAnchor(true);
                format.setAnchorHref(link);
                format.setFontUnderline(true);
                format.setForeground(linkColour);
            }
            cursor.insertText(run.text, format);
        }
    }
}

void ShowMessageViewer(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell, QWidget *parent)
{
    TfrmWyswietlKomunikat viewer(env, prompts, shell, parent);
    viewer.loadPendingMessage();
    viewer.exec();
}

MessageFeedAtStart::MessageFeedAtStart(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell,
                                       const QDate &today, QWidget *mainWindow, const FeedLimits &limits)
    : QObject(mainWindow), m_env(env), m_prompts(prompts), m_shell(shell), m_mainWindow(mainWindow),
      m_feed(env, today, limits)
{
    connect(&m_feed, &MessageFeed::messageFetched, this, &MessageFeedAtStart::roundOver);
    // Queued: the viewer's own event loop does not run inside the feed's handlers.
    connect(&m_feed, &MessageFeed::messageFetched, this, &MessageFeedAtStart::showViewerWhenFree,
            Qt::QueuedConnection);
    // Asked again while the window is busy; cheap, and sure to notice a
    // dialog or menu closing whatever the window system reports.
    m_waitForWindow.setInterval(250);
    connect(&m_waitForWindow, &QTimer::timeout, this, &MessageFeedAtStart::showViewerWhenFree);
}

void MessageFeedAtStart::start()
{
    QTimer::singleShot(0, &m_feed, &MessageFeed::start);
}

bool MessageFeedAtStart::mainWindowFree() const
{
    // A dialog or a menu is open, or a command is at work (the busy cursor:
    // an archive keeps the window painted between its steps).
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || QApplication::overrideCursor())
        return false;
    // Not "active": not every window system gives the activation back after
    // a dialog, and a viewer that comes while the user is in another program
    // waits there without harm.
    return !m_mainWindow || (m_mainWindow->isVisible() && !m_mainWindow->isMinimized());
}

void MessageFeedAtStart::showViewerWhenFree()
{
    const bool pending = QFileInfo::exists(pendingMessagePath(m_env));
    if (pending && !mainWindowFree()) {
        m_waitForWindow.start();
        return;
    }
    m_waitForWindow.stop();
    if (pending)
        ShowMessageViewer(m_env, m_prompts, m_shell, m_mainWindow);
    emit done();
}

MessageFeedAtStart *RunMessageFeed(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell,
                                   const QDate &today, QWidget *mainWindow, const FeedLimits &limits)
{
    auto *run = new MessageFeedAtStart(env, prompts, shell, today, mainWindow, limits);
    run->start();
    return run;
}

} // namespace service
