#include "notesquery.h"

namespace app {

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

} // namespace app
