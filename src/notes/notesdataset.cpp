#include "notesdataset.h"

#include "formatting.h"
#include "noteslist.h"

#include <stdexcept>
#include <string>

namespace notes {

using rtfreport::TRpFieldType;

namespace {

enum Field {
    IDNOTA, IDFIRMA, DATA, NUMER, OBCIAZYLISMY, UZNALISMY, TRESC, IDKONTRAHENT, ZALOKOWANY, STRONICOWANIE, LP,
    MIESIAC, ROK, NAZWA1, sData, sNumer, sObciazylismy, sUznalismy, FieldTotal
};

struct FieldInfo {
    const char *name;
    TRpFieldType type;
};

const FieldInfo kFields[FieldTotal] = {
    {"IDNOTA", TRpFieldType::Integer},       {"IDFIRMA", TRpFieldType::Integer},
    {"DATA", TRpFieldType::Integer},         {"NUMER", TRpFieldType::Integer},
    {"OBCIAZYLISMY", TRpFieldType::BCD},     {"UZNALISMY", TRpFieldType::BCD},
    {"TRESC", TRpFieldType::String},         {"IDKONTRAHENT", TRpFieldType::Integer},
    {"ZALOKOWANY", TRpFieldType::String},    {"STRONICOWANIE", TRpFieldType::Integer},
    {"LP", TRpFieldType::Integer},           {"MIESIAC", TRpFieldType::Integer},
    {"ROK", TRpFieldType::Integer},          {"NAZWA1", TRpFieldType::String},
    {"sData", TRpFieldType::Date},           {"sNumer", TRpFieldType::String},
    {"sObciazylismy", TRpFieldType::String}, {"sUznalismy", TRpFieldType::String},
};

// A field number the data set does not have is a caller's mistake: refused
// before it indexes the table or sends the readers round in circles.
const FieldInfo &FieldAt(int field)
{
    if (field < 0 || field >= FieldTotal)
        throw std::out_of_range("NotesDataSet: no field " + std::to_string(field));
    return kFields[field];
}

} // namespace

NotesDataSet::NotesDataSet(const NotesListModel &model, int startRow, FollowRow followRow, QString name)
    : m_model(model), m_followRow(std::move(followRow)), m_name(std::move(name))
{
    const int rows = rowCount();
    if (rows > 0) {
        m_current = startRow >= 0 && startRow < rows ? startRow : 0;
        m_eof = m_bof = false;
    }
}

int NotesDataSet::rowCount() const { return m_model.rowCount(); }

int NotesDataSet::FieldCount() const { return FieldTotal; }

QString NotesDataSet::FieldName(int field) const { return QString::fromLatin1(FieldAt(field).name); }

TRpFieldType NotesDataSet::FieldType(int field) const { return FieldAt(field).type; }

bool NotesDataSet::IsNull(int) const { return m_current < 0; }

QString NotesDataSet::AsString(int field) const
{
    FieldAt(field);
    if (m_current < 0)
        return {};
    const NoteRow &r = m_model.row(m_current);
    switch (field) {
    case TRESC:
        return r.tresc;
    case ZALOKOWANY:
        return r.zalokowany;
    case NAZWA1:
        return r.nazwa1;
    case sData:
        return m_model.dateText(m_current);
    case sNumer:
        return m_model.numberText(m_current);
    case sObciazylismy:
        return amountOrDashes(r.obciazylismy);
    case sUznalismy:
        return amountOrDashes(r.uznalismy);
    case OBCIAZYLISMY:
    case UZNALISMY:
        return rtfreport::FloatToCanonical(AsFloat(field));
    default:
        return QString::number(AsInteger(field));
    }
}

qint64 NotesDataSet::AsInteger(int field) const
{
    FieldAt(field);
    if (m_current < 0)
        return 0;
    const NoteRow &r = m_model.row(m_current);
    switch (field) {
    case IDNOTA:
        return r.idNota;
    case IDFIRMA:
        return r.idFirma;
    case DATA:
    case sData:
        return r.data;
    case NUMER:
        return r.numer;
    case IDKONTRAHENT:
        return r.idKontrahent;
    case STRONICOWANIE:
        return r.stronicowanie;
    case LP:
        return r.lp;
    case MIESIAC:
        return r.miesiac;
    case ROK:
        return r.rok;
    case OBCIAZYLISMY:
    case UZNALISMY:
        return AsCurrency(field) / 10000;
    default:
        return AsString(field).toLongLong();
    }
}

qint64 NotesDataSet::AsCurrency(int field) const
{
    if (m_current < 0)
        return 0;
    const NoteRow &r = m_model.row(m_current);
    if (field == OBCIAZYLISMY)
        return r.obciazylismy;
    if (field == UZNALISMY)
        return r.uznalismy;
    return AsInteger(field) * 10000;
}

rtfreport::TRpFloat NotesDataSet::AsFloat(int field) const
{
    if (field == OBCIAZYLISMY || field == UZNALISMY)
        return static_cast<rtfreport::TRpFloat>(AsCurrency(field)) / 10000;
    return static_cast<rtfreport::TRpFloat>(AsInteger(field));
}

bool NotesDataSet::AsBoolean(int field) const { return app::FlagFromText(AsString(field)); }

rtfreport::TRpDateTime NotesDataSet::AsDateTime(int field) const
{
    // Day numbers count from the same day as the engine's dates.
    return static_cast<rtfreport::TRpDateTime>(AsInteger(field));
}

QByteArray NotesDataSet::AsBytes(int field) const { return AsString(field).toUtf8(); }

QString NotesDataSet::DisplayText(int field) const
{
    if (field == OBCIAZYLISMY || field == UZNALISMY)
        return m_current < 0 ? QString() : app::formatAmount(AsCurrency(field));
    return AsString(field);
}

void NotesDataSet::moveTo(int row)
{
    m_current = row;
    if (m_disabled == 0 && m_followRow)
        m_followRow(row);
}

void NotesDataSet::First()
{
    m_bof = true;
    m_eof = rowCount() == 0;
    moveTo(rowCount() > 0 ? 0 : -1);
}

void NotesDataSet::Last()
{
    m_eof = true;
    m_bof = rowCount() == 0;
    moveTo(rowCount() - 1);
}

void NotesDataSet::Next()
{
    m_bof = false;
    if (m_current + 1 >= rowCount()) {
        m_eof = true;
        return;
    }
    m_eof = false;
    moveTo(m_current + 1);
}

void NotesDataSet::Prior()
{
    m_eof = false;
    if (m_current <= 0) {
        m_bof = true;
        return;
    }
    m_bof = false;
    moveTo(m_current - 1);
}

QByteArray NotesDataSet::Bookmark() const { return QByteArray::number(m_current); }

void NotesDataSet::GotoBookmark(const QByteArray &bookmark)
{
    bool ok = false;
    const int row = bookmark.toInt(&ok);
    if (!ok || row < 0 || row >= rowCount())
        return;
    m_eof = m_bof = false;
    moveTo(row);
}

void NotesDataSet::EnableControls()
{
    if (m_disabled > 0 && --m_disabled == 0 && m_followRow && m_current >= 0)
        m_followRow(m_current);
}

} // namespace notes
