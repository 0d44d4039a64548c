#include "rpargument.h"

#include "rpbasereport.h"

namespace rtfreport {

TRpArgument TRpArgument::Variable(std::shared_ptr<TRpReportVariable> variable)
{
    TRpArgument argument;
    argument.m_kind = Kind::Variable;
    argument.m_variable = std::move(variable);
    return argument;
}

TRpArgument TRpArgument::NamedVariable(TRpBaseReport *owner, const QString &name)
{
    auto variable = std::make_shared<TRpReportVariable>(owner);
    variable->SetLocal(false);
    variable->SetVarName(name);
    return Variable(std::move(variable));
}

TRpArgument TRpArgument::LocalValue(TRpBaseReport *owner, const QString &text, TRpDataType type)
{
    return Variable(std::make_shared<TRpReportVariable>(TRpReportVariable::LocalValue(owner, text, type)));
}

TRpArgument TRpArgument::DataField(TRpDataSet *dataSet, int field)
{
    TRpArgument argument;
    argument.m_kind = Kind::Field;
    argument.m_dataSet = dataSet;
    argument.m_field = field;
    return argument;
}

TRpArgument TRpArgument::Picture(QByteArray bytes)
{
    TRpArgument argument;
    argument.m_kind = Kind::Picture;
    argument.m_bytes = std::move(bytes);
    return argument;
}

TRpArgument TRpArgument::Stream(QByteArray bytes)
{
    TRpArgument argument;
    argument.m_kind = Kind::Stream;
    argument.m_bytes = std::move(bytes);
    return argument;
}

TRpDataType TRpArgument::DataType() const
{
    if (IsVariable())
        return m_variable->DataType();
    if (IsField())
        return FieldDataType(m_dataSet->FieldType(m_field));
    return rpdtUnknown;
}

TRpReportVariable TRpArgument::Value(TRpBaseReport *owner) const
{
    if (IsVariable())
        return *m_variable;
    TRpReportVariable value = TRpReportVariable::LocalValue(owner, QString(), rpdtUnknown);
    if (!IsField())
        return value;
    const TRpFieldType type = m_dataSet->FieldType(m_field);
    if (IsIntegerType(type)) {
        value.SetAsInteger(m_dataSet->AsInteger(m_field));
        return value;
    }
    switch (type) {
    case TRpFieldType::Currency:
        value.SetAsFloat(m_dataSet->AsCurrency(m_field) / TRpFloat(10000));
        break;
    case TRpFieldType::Float:
    case TRpFieldType::BCD:
        value.SetAsFloat(m_dataSet->AsFloat(m_field));
        break;
    case TRpFieldType::Boolean:
        value.SetAsBoolean(m_dataSet->AsBoolean(m_field));
        break;
    case TRpFieldType::Date:
    case TRpFieldType::Time:
    case TRpFieldType::DateTime:
        value.SetAsDateTime(m_dataSet->AsDateTime(m_field));
        break;
    default:
        value.Store(m_dataSet->AsString(m_field), FieldDataType(type));
        break;
    }
    return value;
}

} // namespace rtfreport
