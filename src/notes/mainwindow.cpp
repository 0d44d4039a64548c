#include "mainwindow.h"

#include "application.h"

#include "archive.h"
#include "dberror.h"
#include "masterdata.h"
#include "notesquery.h"
#include "settings.h"
#include "wyswietlkomunikat.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace notes {

namespace {

const QString kFilteredPanel = QStringLiteral("FILTROWANE");

QToolButton *commandButton(QAction *action, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(80, 44);
    button->setIconSize(QSize(20, 20));
    return button;
}

} // namespace

TfrmMain::TfrmMain(const ui::Context &context, QWidget *parent)
    : QMainWindow(parent), ibtNota(context.data.IBDatabase1), ibqNota(ibtNota), m_context(context),
      m_env(context.env), m_data(context.data), m_model(new NotesListModel(context.env, this))
{
    setObjectName(QStringLiteral("frmMain"));
    createActions();
    createMenus();
    createCentralArea();
    FormCreate();
    // A connection lost under another window (the company list, a printout)
    // is offered to be made again here, where the list and the events live.
    ui::setLostConnectionHandler([this](const db::DbError &error) {
        if (showDatabaseError(error))
            QTimer::singleShot(0, this, [this] { reopenAt(currentNote() ? currentNote()->idNota : 0, XDBGrid1->currentRow()); });
    });
}

TfrmMain::~TfrmMain()
{
    ui::setLostConnectionHandler(nullptr);
    IBEvents1.reset();
    ibqNota.close();
    if (ibtNota.isActive()) {
        try {
            ibtNota.commit();
        } catch (const db::DbError &) {
        }
    }
}

void TfrmMain::createActions()
{
    const auto action = [this](const QString &text, QStyle::StandardPixmap icon, const QKeySequence &key = {}) {
        auto *a = new QAction(style()->standardIcon(icon), text, this);
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };
    actDodaj = action(QStringLiteral("Dodaj"), QStyle::SP_FileDialogNewFolder, Qt::Key_Insert);
    actPopraw = action(QStringLiteral("Popraw"), QStyle::SP_FileDialogDetailedView, Qt::Key_F5);
    actPokaz = action(QStringLiteral("Pokaż"), QStyle::SP_FileDialogContentsView);
    actKasuj = action(QStringLiteral("Kasuj"), QStyle::SP_TrashIcon, Qt::Key_Delete);
    // The usual keys for printing and finding; the register's is free on every desktop.
    actDrukuj = action(QStringLiteral("Drukuj"), QStyle::SP_DialogSaveButton, Qt::CTRL | Qt::Key_P);
    actFiltr = action(QStringLiteral("Filtruj"), QStyle::SP_FileDialogListView, Qt::CTRL | Qt::Key_F);
    actRejestrNot = action(QStringLiteral("Zestawienie not"), QStyle::SP_FileDialogInfoView, Qt::CTRL | Qt::Key_R);
    actUp = action(QStringLiteral("Przesuń do góry"), QStyle::SP_ArrowUp);
    actDown = action(QStringLiteral("Przesuń w dół"), QStyle::SP_ArrowDown);
    actZmianaFirmy = action(QStringLiteral("Zmiana firmy"), QStyle::SP_DirHomeIcon);
    actOdbiorcy = action(QStringLiteral("Odbiorcy"), QStyle::SP_DirIcon);
    actWierszPodwojny = action(QStringLiteral("Wiersz podwójny"), QStyle::SP_CustomBase);
    actWierszPodwojny->setIcon({});
    actWierszPodwojny->setCheckable(true);
    actWierszPodwojny->setChecked(true);
    actPodrecznik = action(QStringLiteral("Podręcznik"), QStyle::SP_DialogHelpButton, Qt::Key_F1);
    actStronaInternetowa = action(QStringLiteral("Strona internetowa VORLANE"), QStyle::SP_DriveNetIcon);
    actFolderWydrukow = action(QStringLiteral("Folder wydruków"), QStyle::SP_DirOpenIcon);
    actArchiwizacja = action(QStringLiteral("Archiwizacja"), QStyle::SP_DriveHDIcon);
    actDearchiwizacja = action(QStringLiteral("Dearchiwizacja"), QStyle::SP_BrowserReload);
    actWyjscie = action(QStringLiteral("Wyjście"), QStyle::SP_DialogCloseButton);
    actZapiszPdf = action(QStringLiteral("Zapisz notę jako PDF…"), QStyle::SP_DialogSaveButton);

    connect(actDodaj, &QAction::triggered, this, &TfrmMain::actDodajExecute);
    connect(actPopraw, &QAction::triggered, this, &TfrmMain::actPoprawExecute);
    connect(actPokaz, &QAction::triggered, this, &TfrmMain::actPokazExecute);
    connect(actKasuj, &QAction::triggered, this, &TfrmMain::actKasujExecute);
    connect(actFiltr, &QAction::triggered, this, &TfrmMain::actFiltrExecute);
    connect(actDrukuj, &QAction::triggered, this, &TfrmMain::actDrukujExecute);
    connect(actRejestrNot, &QAction::triggered, this, &TfrmMain::actRejestrNotExecute);
    connect(actZapiszPdf, &QAction::triggered, this, &TfrmMain::actZapiszPdfExecute);
    connect(actUp, &QAction::triggered, this, &TfrmMain::actUpExecute);
    connect(actDown, &QAction::triggered, this, &TfrmMain::actDownExecute);
    connect(actZmianaFirmy, &QAction::triggered, this, &TfrmMain::actZmianaFirmyExecute);
    connect(actWierszPodwojny, &QAction::triggered, this, &TfrmMain::actWierszPodwojnyExecute);
    connect(actOdbiorcy, &QAction::triggered, this, [this] { masterdata::ShowCounterpartyList(m_context, false, this); });
    connect(actWyjscie, &QAction::triggered, this, &QWidget::close);
    // A request the desktop cannot carry out is told, not lost.
    connect(actFolderWydrukow, &QAction::triggered, this, [this] {
        app::openOrTell(m_context.shell, m_context.prompts, m_env.printFolder, app::WindowState::Normal);
    });
    connect(actPodrecznik, &QAction::triggered, this, [this] {
        app::openOrTell(m_context.shell, m_context.prompts, m_env.programFolder + QStringLiteral("podrecznik.pdf"));
    });
    connect(actStronaInternetowa, &QAction::triggered, this,
            [this] { app::openOrTell(m_context.shell, m_context.prompts, m_env.vendorPage()); });
    connect(actArchiwizacja, &QAction::triggered, this, &TfrmMain::Archiwizacja1Click);
    connect(actDearchiwizacja, &QAction::triggered, this, &TfrmMain::Dearchiwizacja1Click);
}

void TfrmMain::createMenus()
{
    QMenu *noty = menuBar()->addMenu(QStringLiteral("&Noty"));
    noty->addActions({actDodaj, actPopraw, actPokaz});
    noty->addSeparator();
    noty->addAction(actKasuj);
    noty->addSeparator();
    noty->addActions({actDrukuj, actZapiszPdf});
    noty->addSeparator();
    noty->addAction(actFiltr);

    QMenu *listy = menuBar()->addMenu(QStringLiteral("Listy"));
    listy->addAction(actOdbiorcy);

    QMenu *ustawienia = menuBar()->addMenu(QStringLiteral("&Ustawienia"));
    ustawienia->addAction(actZmianaFirmy);
    ustawienia->addSeparator();
    ustawienia->addAction(actWierszPodwojny);

    QMenu *zestawienia = menuBar()->addMenu(QStringLiteral("&Zestawienia"));
    zestawienia->addAction(actRejestrNot);

    QMenu *pomoc = menuBar()->addMenu(QStringLiteral("&Pomoc"));
    pomoc->addActions({actPodrecznik, actStronaInternetowa});
    pomoc->addSeparator();
    pomoc->addAction(actFolderWydrukow);
    pomoc->addSeparator();
    pomoc->addActions({actArchiwizacja, actDearchiwizacja});

    QAction *wyjscie = menuBar()->addAction(QStringLiteral("&Wyjście"));
    connect(wyjscie, &QAction::triggered, this, &QWidget::close);
}

void TfrmMain::createCentralArea()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);

    XDBGrid1 = new ui::DataGrid(central);
    XDBGrid1->setObjectName(QStringLiteral("XDBGrid1"));
    XDBGrid1->setGridModel(m_model);
    XDBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto separator = [this] {
        auto *s = new QAction(this);
        s->setSeparator(true);
        return s;
    };
    XDBGrid1->addActions(
        {actDodaj, actPopraw, actPokaz, separator(), actKasuj, separator(), actUp, actDown, separator(), actZapiszPdf});
    layout->addWidget(XDBGrid1, 1);

    auto *bar = new QHBoxLayout;
    for (QAction *a : {actDodaj, actPopraw, actPokaz, actKasuj, actDrukuj, actFiltr})
        bar->addWidget(commandButton(a, central));
    bar->addStretch(1);
    bar->addWidget(commandButton(actWyjscie, central));
    layout->addLayout(bar);
    setCentralWidget(central);

    pnlBanner = new QLabel(QStringLiteral("Proszę wybrać firmę"), central);
    QFont bannerFont(QStringLiteral("Georgia"));
    bannerFont.setBold(true);
    bannerFont.setPixelSize(37);
    pnlBanner->setFont(bannerFont);
    pnlBanner->setAlignment(Qt::AlignCenter);
    pnlBanner->setFrameShape(QFrame::Panel);
    pnlBanner->setFrameShadow(QFrame::Raised);
    pnlBanner->setAutoFillBackground(true);
    pnlBanner->hide();

    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->hide();

    statusPanel0 = new QLabel(QStringLiteral(" "), this);
    statusPanel0->setFixedWidth(130);
    statusPanel0->setAlignment(Qt::AlignCenter);
    statusPanel1 = new QLabel(QStringLiteral(" "), this);
    statusBar()->addWidget(statusPanel0);
    statusBar()->addWidget(statusPanel1, 1);

    // Esc closes through the same question as "Wyjście".
    auto *escape = new QShortcut(Qt::Key_Escape, this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

// The engine opens its documents through the program's shell; its window
// states are the Windows ones, 3 being "maximized".
rtfreport::TRpShellOpen engineShellOpen(app::Shell &shell)
{
    constexpr int kShowMaximized = 3;
    return [&shell](const QString &fileName, int showCmd) {
        return shell.request(fileName, app::ShellVerb::Default,
                             showCmd == kShowMaximized ? app::WindowState::Maximized : app::WindowState::Normal);
    };
}

void TfrmMain::FormCreate()
{
    configureEngine();
    setWindowTitle(QStringLiteral("Mirelo ") + m_env.shortVersion + QStringLiteral(" rev.") + m_env.release);
    validateCurrentCompany();
    XDBGrid1->setLayoutStorage(app::configFilePath(m_env.workingFolder),
                               objectName() + QLatin1Char('.') + XDBGrid1->objectName());
}

// A company from Config.ini that is gone gives way to the first one.
void TfrmMain::validateCurrentCompany()
{
    db::Transaction &transaction = m_data.IBTransaction1;
    transaction.commitIfActive();
    transaction.start();
    db::Statement firma(transaction, QStringLiteral("select IDFIRMA from FIRMA order by IDFIRMA"));
    firma.open();
    int first = 0;
    bool found = false;
    while (firma.next()) {
        const int id = firma.toInt(0);
        if (first == 0)
            first = id;
        if (id == m_env.currentCompany) {
            found = true;
            break;
        }
    }
    firma.close();
    transaction.commit();
    if (!found)
        m_env.currentCompany = first;
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    if (m_env.isSharedInstallation()) {
        actArchiwizacja->setVisible(false);
        actDearchiwizacja->setVisible(false);
    }
    OpenNotesList();
    IBEvents1 = std::make_unique<db::EventListener>(m_data.IBDatabase1, QStringLiteral("OdswiezNota"));
    connect(IBEvents1.get(), &db::EventListener::posted, this, &TfrmMain::IBEvents1EventAlert);
    try {
        IBEvents1->start();
    } catch (const db::DbError &error) {
        m_context.prompts.error(error.message());
    }
    service::RunMessageFeed(m_env, m_context.prompts, m_context.shell, QDate::currentDate(), this);
}

void TfrmMain::OpenNotesList()
{
    if (m_env.currentCompany > 0) {
        if (m_data.ReadCompany(m_env.currentCompany)) {
            statusPanel1->setText(QStringLiteral(" ") + m_env.company.nazwa1);
            pnlBanner->hide();
        } else {
            m_env.currentCompany = 0;
        }
    }
    if (m_env.currentCompany == 0) {
        statusPanel1->setText(QStringLiteral(" BRAK WYBRANEJ FIRMY"));
        pnlBanner->show();
        placeBanner();
    }
    const int company = m_env.currentCompany;
    const bool filtered = app::IsFilterActive(m_env.listQueryText);
    const app::FilterState filter = m_env.filter;
    loadList(m_env.listQueryText, [company, filtered, filter](db::Statement &q) {
        q.setInt(QStringLiteral("idfirma"), company);
        if (filtered)
            app::bindNotesFilter(q, filter);
    });
    UpdateActions();
}

void TfrmMain::loadList(const QString &sql, const std::function<void(db::Statement &)> &bind, int row)
{
    ui::BusyCursor busy;
    m_listParameters = bind;
    for (bool again = true; again;) {
        again = false;
        ibqNota.close();
        try {
            if (ibqNota.sql() != sql)
                ibqNota.setSql(sql);
            // Every opening reads what is committed now, not an older snapshot.
            ibtNota.commitIfActive();
            ibtNota.start();
            bind(ibqNota);
            ibqNota.open();
            m_model->setRows(fetchNotes(ibqNota));
        } catch (const db::DbError &error) {
            m_model->setRows({});
            // Connected again: the same list from the new attachment.
            again = showDatabaseError(error) && error.isConnectionLost();
        }
    }
    const int rows = m_model->rowCount();
    XDBGrid1->setCurrentRow(row < 0 || row >= rows ? rows - 1 : row);
    // The keys of the commands work on the list: it keeps the focus.
    XDBGrid1->setFocus();
    emit listOpened();
}

void TfrmMain::UpdateActions()
{
    const bool hasRows = m_model->rowCount() > 0;
    for (QAction *a : {actPopraw, actPokaz, actKasuj, actDrukuj, actZapiszPdf})
        a->setEnabled(hasRows);
    const bool filtered = statusPanel0->text().trimmed().toUpper() == kFilteredPanel;
    for (QAction *a : {actDodaj, actUp, actDown})
        a->setEnabled(!filtered);
    actWierszPodwojny->setChecked(m_env.doubleRow);
    XDBGrid1->setLinesPerRow(m_env.doubleRow ? 2 : 1);
}

void TfrmMain::OpenCurrentNote()
{
    const NoteRow *note = currentNote();
    if (!note)
        return;
    const QString sql = app::notesQueryHead() + QStringLiteral("nota.idfirma=:idfirma and\r\nnota.numer=:numer and\r\n"
                                                               "nota.data=:data\r\n")
                        + app::notesQueryTail().section(QStringLiteral("\r\n"), 1);
    const int company = m_env.currentCompany, numer = note->numer, data = note->data;
    loadList(sql, [=](db::Statement &q) {
        q.setInt(QStringLiteral("idfirma"), company);
        q.setInt(QStringLiteral("numer"), numer);
        q.setInt(QStringLiteral("data"), data);
    });
}

int TfrmMain::ListDateSpan()
{
    const auto &rows = m_model->rows();
    if (rows.empty())
        return 0;
    // The rows are in memory: no need to move the grid to read them.
    return rows.back().data - rows.front().data;
}

const NoteRow *TfrmMain::currentNote() const
{
    const int row = XDBGrid1->currentRow();
    return row >= 0 && row < m_model->rowCount() ? &m_model->row(row) : nullptr;
}

void TfrmMain::selectRowOf(qint32 idNota, int fallbackRow)
{
    const int row = m_model->rowOf(idNota);
    XDBGrid1->setCurrentRow(row >= 0 ? row : std::min(fallbackRow, m_model->rowCount() - 1));
}

// Another copy of the program (or this one) committed a change to NOTA.
void TfrmMain::IBEvents1EventAlert(int count)
{
    // This window's own changes post the event too, and the list already
    // shows them: only a change it did not make is worth reading again.
    const qint64 ownUnheard = positions.committedRowChanges() - m_ownChangesHeard;
    if (count <= ownUnheard) {
        m_ownChangesHeard += count;
        return;
    }
    m_ownChangesHeard = positions.committedRowChanges();

    // An empty list is read again too: the other desk's first note of a
    // company or a period must appear here as well.
    const NoteRow *note = currentNote();
    if (!ibtNota.isActive() || m_env.currentCompany == 0 || (note && note->idNota == 0))
        return;
    const qint32 idNota = note ? note->idNota : 0;
    const int row = note ? XDBGrid1->currentRow() : -1;
    try {
        ibtNota.commit();
    } catch (const db::DbError &error) {
        if (!showDatabaseError(error))
            return;
    }
    // The same list again: its text and parameters as last opened.
    loadList(ibqNota.sql(), m_listParameters, row);
    if (idNota != 0)
        selectRowOf(idNota, row);
    // The list may have become empty, or no longer be.
    UpdateActions();
}

void TfrmMain::actZmianaFirmyExecute()
{
    const int chosen = masterdata::ShowCompanyList(m_context, true, this);
    if (chosen != 0)
        m_env.currentCompany = chosen;
    m_data.ReadCompany(m_env.currentCompany);
    if (chosen != 0)
        m_context.prompts.information(QStringLiteral("Wybrano firmę: ") + m_env.company.nazwa1);
    UpdateActions();
    OpenNotesList();
}

void TfrmMain::actWierszPodwojnyExecute()
{
    m_env.doubleRow = actWierszPodwojny->isChecked();
    XDBGrid1->setLinesPerRow(m_env.doubleRow ? 2 : 1);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    const app::MessageAnswer answer =
        m_context.prompts.message(QStringLiteral("Czy na pewno opuścić program ?"), QStringLiteral("Wyjście z programu"),
                              app::MessageIcon::Question, app::MessageButtons::YesNo, app::MessageAnswer::Yes);
    if (answer == app::MessageAnswer::Yes)
        event->accept();
    else
        event->ignore();
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    placeBanner();
    Memo1->setGeometry(centralWidget()->rect());
}

service::ArchiveWindow TfrmMain::archiveWindow()
{
    const auto release = [this] {
        if (IBEvents1)
            IBEvents1->stop();
        ibqNota.close();
        try {
            ibtNota.commitIfActive();
        } catch (const db::DbError &) {
            // A read-only snapshot: nothing is lost when the connection ends it.
        }
    };
    const auto resume = [this] {
        OpenNotesList();
        try {
            if (IBEvents1)
                IBEvents1->start();
        } catch (const db::DbError &error) {
            m_context.prompts.error(error.message());
        }
    };
    return {Memo1, [this] { OpenNotesList(); }, release, resume};
}

void TfrmMain::Archiwizacja1Click() { service::ArchiveDatabase(m_context, archiveWindow()); }

void TfrmMain::Dearchiwizacja1Click() { service::RestoreDatabase(m_context, archiveWindow()); }

void TfrmMain::placeBanner()
{
    QWidget *area = centralWidget();
    const QSize size(std::min(area->width() - 40, 600), 120);
    pnlBanner->setGeometry(QRect(QPoint((area->width() - size.width()) / 2, (area->height() - size.height()) / 2), size));
    pnlBanner->raise();
}

} // namespace notes
