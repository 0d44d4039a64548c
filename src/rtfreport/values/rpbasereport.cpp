#include "rpbasereport.h"

#include "rperrors.h"
#include "rpfunc.h"

#include <QDir>
#include <QTemporaryFile>

namespace rtfreport {

TRpBaseReport::TRpBaseReport(const TRpFormatSettings &settings)
    : m_settings(settings)
{
    m_sharedVariable = std::make_unique<TRpReportVariable>(this);
}

TRpBaseReport::~TRpBaseReport()
{
    SetUDFList(nullptr);
    StopRTInfo();
}

void TRpBaseReport::SetFormatSettings(const TRpFormatSettings &settings)
{
    m_settings = settings;
}

QString TRpBaseReport::BooleanText(bool value) const
{
    if (m_trueValue == m_falseValue)
        return value ? QStringLiteral("True") : QStringLiteral("False");
    return value ? m_trueValue : m_falseValue;
}

void TRpBaseReport::AddVarLine(const QString &name, const QString &valueText, TRpDataType type)
{
    const QString trimmed = name.trimmed();
    if (m_varList.IndexOfName(trimmed) >= 0)
        throw EIOError(u"Can't add report variable "_qs + trimmed + u" - variable already exists"_qs);
    m_varList.Add(trimmed + u'=' + valueText, type);
}

void TRpBaseReport::CreateVar(const QString &name, bool value)
{
    AddVarLine(name, BooleanText(value), rpdtBoolean);
}

void TRpBaseReport::CreateVar(const QString &name, const QString &value)
{
    AddVarLine(name, value, rpdtString);
}

void TRpBaseReport::CreateVar(const QString &name, double value)
{
    CreateVar(name, TRpFloat(value));
}

void TRpBaseReport::CreateVar(const QString &name, long double value)
{
    AddVarLine(name, FloatToCanonical(value), rpdtNumber);
}

void TRpBaseReport::CreateVar(const QString &name, TRpDateTime value, bool ignoreTime)
{
    AddVarLine(name, ignoreTime ? CanonicalDate(value) : CanonicalDateTime(value), rpdtDateTime);
}

void TRpBaseReport::FreeVar(const QString &name)
{
    const int index = m_varList.IndexOfName(name);
    if (index >= 0)
        m_varList.Delete(index);
}

void TRpBaseReport::ClearVars()
{
    m_varList.Clear();
    m_sharedVariable->SetVarName(QString());
}

TRpReportVariable *TRpBaseReport::VarByName(const QString &name)
{
    m_sharedVariable->SetVarName(name);
    return m_sharedVariable.get();
}

int TRpBaseReport::GetVarNumber(const QString &name) const
{
    return m_varList.IndexOfName(name) + 1;
}

void TRpBaseReport::SetUDFList(TRpUDFList *list)
{
    if (list == m_udfList)
        return;
    if (m_executing)
        throw EIllegalFunctionUse(QStringLiteral("Can't set UDFList while executing report"));
    if (list && list->Version() != Version())
        throw EIllegalFunctionUse(u"TRpRTF version "_qs + QString::number(Version())
                                  + u" doesn't equal TRpUDFList version "_qs
                                  + QString::number(list->Version()));
    if (m_udfList)
        m_udfList->RemoveReport(this);
    m_udfList = list;
    if (m_udfList)
        m_udfList->AddReport(this);
}

void TRpBaseReport::ForgetUDFList(TRpUDFList *list)
{
    if (m_udfList == list)
        m_udfList = nullptr;
}

TRpDataSet *TRpBaseReport::DataSetByAlias(const QString &alias) const
{
    const QString wanted = alias.trimmed().toUpper();
    for (const auto &[name, dataSet] : m_dataSets)
        if (name == wanted)
            return dataSet;
    return nullptr;
}

void TRpBaseReport::RegisterDataSet(const QString &alias, TRpDataSet *dataSet)
{
    m_dataSets.emplace_back(alias.trimmed().toUpper(), dataSet);
}

bool TRpBaseReport::Letter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool TRpBaseReport::Digit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool TRpBaseReport::ZeroOut(const QString &text)
{
    for (QChar c : text)
        if (Digit(c) && c != u'0')
            return false;
    return true;
}

QString TRpBaseReport::CreateTmpFileName(const QString &prefix)
{
    QTemporaryFile file(QDir::temp().filePath(prefix + u"XXXXXX"_qs));
    file.setAutoRemove(false);
    if (!file.open())
        throw EIOError(u"Can't create temporary file in "_qs + QDir::tempPath());
    return file.fileName();
}

void TRpBaseReport::StartRTInfo(const QString &fileName)
{
    StopRTInfo();
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EIOError(u"Can't create file "_qs + fileName);
    m_rtiFile = std::move(file);
}

void TRpBaseReport::PrintRTI(const QString &text)
{
    if (m_rtiFile)
        m_rtiFile->write(text.toUtf8());
}

void TRpBaseReport::StopRTInfo()
{
    if (m_rtiFile)
        m_rtiFile->close();
    m_rtiFile.reset();
}

} // namespace rtfreport
