#pragma once
// Evaluation of function calls: the checks, the preparation of aggregates
// and declarations, every built-in function and operator, and the call of
// user functions.
//
// The run-time machine calls DispatchFunction once per compiled call with
// the argument objects in written order (for the SYS_ operator functions the
// right operand comes first, as ParseInfix writes them) and, for functions
// that yield a value, a result holding a local variable. Errors quote the
// expression text as written in the field.

#include "rpargument.h"

#include <QString>

namespace rtfreport {

class TRpBaseReport;

void DispatchFunction(TRpBaseReport &report, int id, TRpUDFArgs &args, const QString &expressionText,
                      TRpArgument &result, int argCount);
void EvaluateBuiltIn(TRpBaseReport &report, int id, TRpUDFArgs &args, const QString &expressionText,
                     TRpArgument &result);

// SUM(field, variable) as DispatchFunction does it for a data set's field
// and a named variable, without argument objects: the accumulator declared
// or reset, then the field's value added unless the data set is at its end.
void SumFieldInto(TRpBaseReport &report, TRpDataSet &dataSet, int field, const QString &accumulatorName);

// A result holder for a function of the given result kind: a local
// variable for a value, nothing otherwise.
TRpArgument MakeResultHolder(TRpBaseReport &report, int resultKind);

// Evaluates an expression text directly, without a command stream: a
// literal, a variable, a data field (alias:field or alias:(n), aliases as
// the report resolves them), a call or an infix formula. IIF evaluates only
// the branch it chooses. Returns the value (nothing for a call without a
// result).
TRpArgument EvaluateExpression(TRpBaseReport &report, const QString &expressionText);

} // namespace rtfreport
