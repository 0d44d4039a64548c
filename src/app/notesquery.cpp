#include "notesquery.h"

#include "database.h"

namespace app {

namespace {

const QString kAnd = QStringLiteral(" and\r\n");

bool hasCounterparty(const FilterState &filter) { return filter.idKontrahent != 0; }
bool hasText(const FilterState &filter) { return !filter.text.trimmed().isEmpty(); }

} // namespace

QString notesQueryHead()
{
    return QStringLiteral(
        "select nota.idnota, nota.idfirma, nota.data, nota.numer, nota.obciazylismy, nota.uznalismy, nota.tresc,\r\n"
        "nota.idkontrahent, nota.zalokowany, nota.stronicowanie, nota.lp, nota.miesiac, nota.rok, kontrahent.nazwa1\r\n"
        "from NOTA,KONTRAHENT\r\n"
        "where\r\n"
        "nota.idkontrahent=kontrahent.idkontrahent and\r\n");
}

QString notesQueryTail()
{
    return QStringLiteral("nota.idfirma=:idfirma\r\norder by nota.rok,nota.miesiac,nota.numer,nota.idnota");
}

QString unfilteredNotesQuery() { return notesQueryHead() + notesQueryTail(); }

QString notesFilterConditions(const FilterState &filter)
{
    QString conditions;
    if (hasCounterparty(filter))
        conditions += QStringLiteral("nota.idkontrahent=:kontrahent") + kAnd;
    conditions += QStringLiteral("nota.obciazylismy>=:obciazylismyod and nota.obciazylismy<=:obciazylismydo") + kAnd;
    conditions += QStringLiteral("nota.uznalismy>=:uznalismyod and nota.uznalismy<=:uznalismydo") + kAnd;
    conditions += QStringLiteral("nota.data>=:dataod and nota.data<=:datado") + kAnd;
    if (hasText(filter))
        conditions += QStringLiteral("Upper(nota.tresc) like '%' || cast(:tresc as varchar(250)) || '%'") + kAnd;
    return conditions;
}

QString filteredNotesQuery(const FilterState &filter)
{
    return notesQueryHead() + notesFilterConditions(filter) + notesQueryTail();
}

bool IsFilterActive(const QString &listQueryText) { return listQueryText.contains(QStringLiteral("nota.data>=")); }

void bindNotesFilter(db::Statement &statement, const FilterState &filter)
{
    if (hasCounterparty(filter))
        statement.setInt(QStringLiteral("kontrahent"), filter.idKontrahent);
    statement.setAmount(QStringLiteral("obciazylismyod"), filter.debitFrom);
    statement.setAmount(QStringLiteral("obciazylismydo"), filter.debitTo);
    statement.setAmount(QStringLiteral("uznalismyod"), filter.creditFrom);
    statement.setAmount(QStringLiteral("uznalismydo"), filter.creditTo);
    statement.setInt(QStringLiteral("dataod"), filter.dateFrom);
    statement.setInt(QStringLiteral("datado"), filter.dateTo);
    if (hasText(filter))
        statement.setText(QStringLiteral("tresc"), filter.text.trimmed());
}

} // namespace app
