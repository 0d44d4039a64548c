#include "rpfunc.h"

#include "rpbasereport.h"
#include "rperrors.h"

#include <algorithm>

namespace rtfreport {

static bool IsFunctionName(const QString &name)
{
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool allowed = TRpBaseReport::Letter(c) || c == u'_' || (i > 0 && TRpBaseReport::Digit(c));
        if (!allowed)
            return false;
    }
    return true;
}

void TRpUDF::SetName(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed == m_name)
        return;
    if (m_collection) {
        const int found = m_collection->FindFunction(trimmed);
        if (found >= 0 && &m_collection->Item(found) != this)
            throw EIllegalFunctionUse(u"User defined function with name "_qs + trimmed + u" already exists"_qs);
    }
    if (!trimmed.isEmpty() && !IsFunctionName(trimmed))
        throw EIllegalFunctionUse(u"Illegal function name "_qs + trimmed);
    m_name = trimmed;
}

void TRpUDF::SetArgMinCount(quint16 count)
{
    m_argMinCount = count;
    if (m_argMaxCount < count)
        m_argMaxCount = count;
}

void TRpUDF::SetArgMaxCount(quint16 count)
{
    m_argMaxCount = count;
    if (m_argMinCount > count)
        m_argMinCount = count;
}

void TRpUDF::Assign(const TRpUDF &other)
{
    m_onCalculate = other.m_onCalculate;
    m_name = other.m_name;
    m_argMinCount = other.m_argMinCount;
    m_argMaxCount = other.m_argMaxCount;
    m_resultType = other.m_resultType;
}

TRpUDF &TRpUDFCollection::Add()
{
    m_items.push_back(std::make_unique<TRpUDF>(this));
    return *m_items.back();
}

int TRpUDFCollection::FindFunction(const QString &name) const
{
    const QString wanted = name.trimmed().toUpper();
    for (int i = 0; i < Count(); ++i)
        if (m_items[i]->Name().trimmed().toUpper() == wanted)
            return i;
    return -1;
}

TRpUDFList::~TRpUDFList()
{
    for (TRpBaseReport *report : m_reports)
        report->ForgetUDFList(this);
}

void TRpUDFList::RemoveReport(TRpBaseReport *report)
{
    m_reports.erase(std::remove(m_reports.begin(), m_reports.end(), report), m_reports.end());
}

} // namespace rtfreport
