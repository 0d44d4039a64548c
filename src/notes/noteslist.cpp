#include "noteslist.h"

#include "daynumber.h"
#include "formatting.h"
#include "numbering.h"

#include <QColor>

#include <algorithm>

namespace notes {

namespace {

// An amount is never cut: its column widens to the largest the list shows.
ui::GridColumn amountColumn(const QString &field, const QString &title, int width)
{
    ui::GridColumn column{field, title, Qt::AlignRight, width};
    column.fitWidest = true;
    return column;
}

QList<ui::GridColumn> notesColumns()
{
    return {
        {QStringLiteral("sData"), QStringLiteral("Data"), Qt::AlignHCenter, 87},
        {QStringLiteral("sNumer"), QStringLiteral("Numer"), Qt::AlignLeft, 96},
        {QStringLiteral("NAZWA1"), QStringLiteral("Odbiorca noty"), Qt::AlignLeft, 343, false},
        amountColumn(QStringLiteral("sObciazylismy"), QStringLiteral("Obciążyliśmy"), 105),
        amountColumn(QStringLiteral("sUznalismy"), QStringLiteral("Uznaliśmy"), 104),
        {QStringLiteral("TRESC"), QStringLiteral("Treść noty"), Qt::AlignLeft, 546, false},
    };
}

} // namespace

std::vector<NoteRow> fetchNotes(db::Statement &query)
{
    const int idNota = query.columnIndex(QStringLiteral("IDNOTA"));
    const int idFirma = query.columnIndex(QStringLiteral("IDFIRMA"));
    const int data = query.columnIndex(QStringLiteral("DATA"));
    const int numer = query.columnIndex(QStringLiteral("NUMER"));
    const int obciazylismy = query.columnIndex(QStringLiteral("OBCIAZYLISMY"));
    const int uznalismy = query.columnIndex(QStringLiteral("UZNALISMY"));
    const int tresc = query.columnIndex(QStringLiteral("TRESC"));
    const int idKontrahent = query.columnIndex(QStringLiteral("IDKONTRAHENT"));
    const int zalokowany = query.columnIndex(QStringLiteral("ZALOKOWANY"));
    const int stronicowanie = query.columnIndex(QStringLiteral("STRONICOWANIE"));
    const int lp = query.columnIndex(QStringLiteral("LP"));
    const int miesiac = query.columnIndex(QStringLiteral("MIESIAC"));
    const int rok = query.columnIndex(QStringLiteral("ROK"));
    const int nazwa1 = query.columnIndex(QStringLiteral("NAZWA1"));

    std::vector<NoteRow> rows;
    while (query.next()) {
        NoteRow row;
        row.idNota = query.toInt(idNota);
        row.idFirma = query.toInt(idFirma);
        row.data = query.toInt(data);
        row.numer = query.toInt(numer);
        row.obciazylismy = query.toAmount(obciazylismy);
        row.uznalismy = query.toAmount(uznalismy);
        row.tresc = query.toText(tresc);
        row.idKontrahent = query.toInt(idKontrahent);
        row.zalokowany = query.toText(zalokowany);
        row.stronicowanie = query.toInt(stronicowanie);
        row.lp = query.toInt(lp);
        row.miesiac = query.toInt(miesiac);
        row.rok = query.toInt(rok);
        row.nazwa1 = query.toText(nazwa1);
        rows.push_back(std::move(row));
    }
    query.close();
    return rows;
}

QString amountOrDashes(qint64 tenThousandths)
{
    return tenThousandths == 0 ? QStringLiteral("---") : app::formatAmount(tenThousandths);
}

QColor noteColour(qint32 numer)
{
    static const QColor colours[4] = {QColor(203, 250, 209), QColor(208, 219, 249), QColor(248, 254, 169),
                                      QColor(209, 209, 209)};
    return colours[((numer % 4) + 4) % 4];
}

NotesListModel::NotesListModel(const app::Environment &env, QObject *parent) : ui::GridModel(parent), m_env(env)
{
    setColumns(notesColumns());
}

void NotesListModel::setRows(std::vector<NoteRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int NotesListModel::rowOf(qint32 idNota) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].idNota == idNota)
            return static_cast<int>(i);
    return -1;
}

int NotesListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QList<int> NotesListModel::widestRows(int column) const
{
    const QString field = columns().value(column).field;
    const auto amount = field == QLatin1String("sObciazylismy") ? &NoteRow::obciazylismy
                        : field == QLatin1String("sUznalismy")  ? &NoteRow::uznalismy
                                                                : nullptr;
    if (!amount || m_rows.empty())
        return {};
    const auto [smallest, largest] = std::minmax_element(
        m_rows.begin(), m_rows.end(), [amount](const NoteRow &a, const NoteRow &b) { return a.*amount < b.*amount; });
    return {int(smallest - m_rows.begin()), int(largest - m_rows.begin())};
}

QString NotesListModel::dateText(int index) const
{
    return app::dateOfDay(row(index).data).toString(app::formatSettings().shortDateFormat);
}

QString NotesListModel::numberText(int index) const
{
    const NoteRow &r = row(index);
    return app::FormatNoteNumber(m_env.company.systemNumeracji, r.numer, r.data);
}

QString NotesListModel::displayText(int index, const QString &field) const
{
    const NoteRow &r = row(index);
    const QString name = field.toUpper();
    if (name == QLatin1String("SDATA"))
        return dateText(index);
    if (name == QLatin1String("SNUMER"))
        return numberText(index);
    if (name == QLatin1String("SOBCIAZYLISMY"))
        return amountOrDashes(r.obciazylismy);
    if (name == QLatin1String("SUZNALISMY"))
        return amountOrDashes(r.uznalismy);
    if (name == QLatin1String("NAZWA1"))
        return r.nazwa1;
    if (name == QLatin1String("TRESC"))
        return r.tresc;
    return {};
}

QVariant NotesListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), columns()[index.column()].field);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(columns()[index.column()].alignment | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return noteColour(row(index.row()).numer);
    default:
        return {};
    }
}

} // namespace notes
