#pragma once
// The notes list: the positions the list query returns, held in memory, and
// the grid model that shows them with their display columns (date, display
// number, amounts or "---") on the background of their note.

#include "database.h"
#include "environment.h"
#include "gridmodel.h"

#include <QColor>

#include <vector>

namespace notes {

struct NoteRow {
    qint32 idNota = 0, idFirma = 0, data = 0, numer = 0, idKontrahent = 0;
    qint32 stronicowanie = 0, lp = 0, miesiac = 0, rok = 0;
    qint64 obciazylismy = 0, uznalismy = 0;  // ten-thousandths
    QString tresc, zalokowany, nazwa1;
};

// Reads every row of the open list query and closes the cursor.
std::vector<NoteRow> fetchNotes(db::Statement &query);

// An amount with thousands separators and two decimals, "---" for zero.
QString amountOrDashes(qint64 tenThousandths);
// The background of a note: NUMER modulo 4 picks one of four light colours.
QColor noteColour(qint32 numer);

class NotesListModel : public ui::GridModel {
    Q_OBJECT
public:
    // Display numbers follow the pattern of `env`'s current company.
    explicit NotesListModel(const app::Environment &env, QObject *parent = nullptr);

    void setRows(std::vector<NoteRow> rows);
    const std::vector<NoteRow> &rows() const { return m_rows; }
    const NoteRow &row(int index) const { return m_rows.at(static_cast<size_t>(index)); }
    // The row of a position, or -1.
    int rowOf(qint32 idNota) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    // The amount columns: the rows of the largest and the smallest amount
    // (digits are equally wide, so the most digits and a minus sign are
    // the widest text).
    QList<int> widestRows(int column) const override;
    // Texts are made only for the rows a view asks for.
    QVariant data(const QModelIndex &index, int role) const override;

    // Display texts of the calculated and stored columns by field name.
    QString displayText(int row, const QString &field) const;
    // The calculated columns sData and sNumer.
    QString dateText(int row) const;
    QString numberText(int row) const;

private:
    const app::Environment &m_env;
    std::vector<NoteRow> m_rows;
};

} // namespace notes
