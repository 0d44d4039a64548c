// "Dodaj", "Popraw", "Pokaż" and "Kasuj": the position dialog over the
// current row and the change it asks for.
#include "mainwindow.h"

#include "connectionloss.h"

#include "dberror.h"
#include "editnota.h"
#include "ify.h"
#include "numbering.h"

#include <QAction>

namespace notes {

app::NotePosition TfrmMain::positionOfRow(const NoteRow &row) const
{
    app::NotePosition position;
    position.numer = row.numer;
    position.obciazylismy = row.obciazylismy;
    position.uznalismy = row.uznalismy;
    position.data = row.data;
    position.idKontrahent = row.idKontrahent;
    position.tresc = row.tresc;
    return position;
}

bool TfrmMain::showDatabaseError(const db::DbError &error)
{
    if (!error.isConnectionLost()) {
        m_context.prompts.error(error.message());
        return true;
    }
    if (!ui::offerReconnect(m_context, error))
        return false;
    listenAgain();
    return true;
}

void TfrmMain::listenAgain()
{
    if (!IBEvents1)
        return;
    IBEvents1->stop();
    try {
        IBEvents1->start();
    } catch (const db::DbError &error) {
        m_context.prompts.error(error.message());
    }
}

void TfrmMain::reopenAt(qint32 idNota, int fallbackRow)
{
    loadList(ibqNota.sql(), m_listParameters, fallbackRow);
    selectRowOf(idNota, fallbackRow);
    UpdateActions();
}

void TfrmMain::actDodajExecute()
{
    if (m_env.currentCompany == 0) {
        m_context.prompts.error(QStringLiteral("Nie wybrano firmy. Proszę wybrać firmę: Ustawienia - Zmiana firmy."));
        return;
    }
    int choice = 1;
    app::NotePosition position;
    position.data = m_env.lastNoteDate;
    if (const NoteRow *current = currentNote()) {
        choice = service::AskChoice(QStringLiteral("Utworzyć:"), QStringLiteral("Dodawanie nowej noty lub pozycji"),
                                    QStringLiteral("Nową notę#Kolejną pozycję noty nr ")
                                        + app::FormatNoteNumber(m_env.company.systemNumeracji, current->numer,
                                                                current->data),
                                    14, this);
        if (choice == 0)
            return;
        if (choice == 2) {
            position.numer = current->numer;
            position.data = current->data;
            position.idKontrahent = current->idKontrahent;
        }
    }
    bool proposed = false;
    if (EditNotePosition(m_context, choice, position, false, this, &proposed))
        storeNewPosition(position, choice == 1 && proposed);
}

void TfrmMain::storeNewPosition(const app::NotePosition &position, bool numberWasProposed)
{
    const int row = XDBGrid1->currentRow();
    app::InsertedPosition inserted;
    try {
        inserted =
            positions.insert(m_env.currentCompany, position, numberWasProposed, m_env.company.nrMiesieczna);
    } catch (const db::DbError &error) {
        if (showDatabaseError(error))
            reopenAt(currentNote() ? currentNote()->idNota : 0, row);
        return;
    }
    m_env.lastNoteDate = position.data;
    reopenAt(inserted.idNota, row);
    if (inserted.renumbered) {
        const QString wanted = app::FormatNoteNumber(m_env.company.systemNumeracji, position.numer, position.data);
        const QString stored = app::FormatNoteNumber(m_env.company.systemNumeracji, inserted.numer, position.data);
        m_context.prompts.information(QStringLiteral("Numer ") + wanted
                                      + QStringLiteral(" został w międzyczasie nadany innej nocie.\r\n"
                                                       "Pozycję zapisano w nocie nr ")
                                      + stored + QLatin1Char('.'));
    }
}

void TfrmMain::actPoprawExecute()
{
    const NoteRow *current = currentNote();
    if (!current)
        return;
    const qint32 idNota = current->idNota;
    app::NotePosition position = positionOfRow(*current);
    if (!EditNotePosition(m_context, 1, position, false, this))
        return;
    const int row = XDBGrid1->currentRow();
    UpdatePosition(idNota, position);
    UpdateActions();
    selectRowOf(idNota, row);
}

void TfrmMain::actPokazExecute()
{
    if (const NoteRow *current = currentNote()) {
        app::NotePosition position = positionOfRow(*current);
        EditNotePosition(m_context, 1, position, true, this);
    }
}

bool TfrmMain::UpdatePosition(qint32 idNota, const app::NotePosition &position)
{
    bool updated = false;
    try {
        updated = positions.update(idNota, position);
        if (!updated)
            m_context.prompts.error(QStringLiteral("Ta pozycja noty została w międzyczasie usunięta "
                                                   "na innym stanowisku. Zmiany nie zostały zapisane."));
    } catch (const db::DbError &error) {
        if (!showDatabaseError(error))
            return false;
    }
    loadList(ibqNota.sql(), m_listParameters);
    return updated;
}

void TfrmMain::actKasujExecute()
{
    const NoteRow *current = currentNote();
    if (!current)
        return;
    if (m_context.prompts.question(QStringLiteral("Czy usunąć zaznaczoną pozycję ?"), true)) {
        const int row = XDBGrid1->currentRow();
        try {
            positions.remove(current->idNota);
        } catch (const db::DbError &error) {
            if (error.isConnectionLost()) {
                if (!showDatabaseError(error))
                    return;
            } else {
                m_context.prompts.error(QStringLiteral("Ta pozycja noty nie może być usunięta !"));
            }
        }
        loadList(ibqNota.sql(), m_listParameters, row);
    }
    UpdateActions();
}

} // namespace notes
