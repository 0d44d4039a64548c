// "Przesuń do góry" and "Przesuń w dół": a position and its neighbour in the
// same note exchange their contents, so the entry order of the rows stays
// and the content travels.
#include "mainwindow.h"

#include "dberror.h"
#include "numbering.h"

namespace notes {

void TfrmMain::actUpExecute() { movePosition(-1); }

void TfrmMain::actDownExecute() { movePosition(+1); }

void TfrmMain::movePosition(int step)
{
    const NoteRow *current = currentNote();
    if (!current)
        return;
    const int row = XDBGrid1->currentRow();
    const int neighbourRow = row + step;
    const QString number = app::FormatNoteNumber(m_env.company.systemNumeracji, current->numer, current->data);
    QString message;
    if (neighbourRow < 0 || neighbourRow >= m_model->rowCount())
        message = step < 0 ? QStringLiteral("To jest pierwsza pozycja. Nie można przesunąć.")
                           : QStringLiteral("To jest ostatnia pozycja. Nie można przesunąć.");
    else if (m_model->row(neighbourRow).numer != current->numer)
        message = (step < 0 ? QStringLiteral("To jest już pierwsza pozycja noty księgowej numer ")
                            : QStringLiteral("To jest już ostatnia pozycja noty księgowej numer "))
                  + number + QStringLiteral(" !");
    if (!message.isEmpty()) {
        m_context.prompts.error(message);
        return;
    }

    const qint32 moved = current->idNota;
    const qint32 neighbour = m_model->row(neighbourRow).idNota;
    try {
        // The contents as the database holds them now, exchanged at once.
        if (!positions.exchange(moved, neighbour))
            m_context.prompts.error(QStringLiteral("Pozycja noty została w międzyczasie usunięta na innym "
                                                   "stanowisku. Nie można przesunąć."));
    } catch (const db::DbError &error) {
        if (showDatabaseError(error))
            reopenAt(moved, row);
        return;
    }
    // The moved content now stands in the neighbour's row.
    reopenAt(neighbour, neighbourRow);
}

} // namespace notes
