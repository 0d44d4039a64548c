#pragma once
// The argument objects of a function call at run time, and the result
// holder a call fills: a report variable (named: read when used; or a local
// value), a field of a data set, a picture or a byte stream, or nothing (an
// IIF branch that was passed over).

#include "rpdataset.h"
#include "rpvariables.h"

#include <QByteArray>

#include <memory>
#include <vector>

namespace rtfreport {

class TRpArgument {
public:
    enum class Kind { Nothing, Variable, Field, Picture, Stream };

    TRpArgument() = default;
    static TRpArgument Variable(std::shared_ptr<TRpReportVariable> variable);
    // A reference to the named variable of owner's list.
    static TRpArgument NamedVariable(TRpBaseReport *owner, const QString &name);
    static TRpArgument LocalValue(TRpBaseReport *owner, const QString &text, TRpDataType type);
    static TRpArgument DataField(TRpDataSet *dataSet, int field);
    static TRpArgument Picture(QByteArray bytes);
    static TRpArgument Stream(QByteArray bytes);

    Kind kind() const { return m_kind; }
    bool IsVariable() const { return m_kind == Kind::Variable; }
    bool IsField() const { return m_kind == Kind::Field; }
    // A report variable or a data-set field: it has a type.
    bool IsKnown() const { return IsVariable() || IsField(); }

    TRpReportVariable *variable() const { return m_variable.get(); }
    TRpDataSet *dataSet() const { return m_dataSet; }
    int fieldIndex() const { return m_field; }
    QByteArray &bytes() { return m_bytes; }
    const QByteArray &bytes() const { return m_bytes; }

    // The variable's type or the field's engine type; rpdtUnknown otherwise.
    TRpDataType DataType() const;
    // The value as a variable: the variable itself, or for a field a local
    // value of the field's engine type. Conversions go through it.
    TRpReportVariable Value(TRpBaseReport *owner) const;

private:
    Kind m_kind = Kind::Nothing;
    std::shared_ptr<TRpReportVariable> m_variable;
    TRpDataSet *m_dataSet = nullptr;
    int m_field = -1;
    QByteArray m_bytes;
};

using TRpUDFArgs = std::vector<TRpArgument>;

} // namespace rtfreport
