#pragma once
// User-defined functions: a list that several reports may reference. A
// template calls them by name like built-in functions (user functions hide
// built-ins of the same name); the engine calls OnCalculate with the
// arguments and a result holder made from ResultType.

#include "rpargument.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace rtfreport {

class TRpBaseReport;
class TRpUDFCollection;
class TRpUDFList;

enum TRpUDFResultType : quint8 {
    udfrNone = 0,                 // no result; nothing is written
    udfrTRpReportVariable = 1,    // a local report variable
    udfrPicture = 2,              // picture bytes
    udfrStream = 3,               // bytes written into the output as they are
};

using TRpUDFOnCalculate =
    std::function<void(TRpBaseReport *sender, TRpUDFArgs &args, int argCount, TRpArgument &result)>;

class TRpUDF {
public:
    explicit TRpUDF(TRpUDFCollection *collection) : m_collection(collection) {}

    QString Name() const { return m_name; }
    // Trimmed; unique within the list (without case); empty, or a letter or
    // "_" followed by letters, digits and "_".
    void SetName(const QString &name);
    quint16 ArgMinCount() const { return m_argMinCount; }
    void SetArgMinCount(quint16 count);
    quint16 ArgMaxCount() const { return m_argMaxCount; }
    void SetArgMaxCount(quint16 count);
    quint8 ResultType() const { return m_resultType; }
    void SetResultType(quint8 type) { m_resultType = type; }
    const TRpUDFOnCalculate &OnCalculate() const { return m_onCalculate; }
    void SetOnCalculate(TRpUDFOnCalculate handler) { m_onCalculate = std::move(handler); }
    // Copies the event, the name, the counts and the result type.
    void Assign(const TRpUDF &other);

private:
    TRpUDFCollection *m_collection;
    QString m_name;
    quint16 m_argMinCount = 0;
    quint16 m_argMaxCount = 0;
    quint8 m_resultType = udfrTRpReportVariable;
    TRpUDFOnCalculate m_onCalculate;
};

class TRpUDFCollection {
public:
    explicit TRpUDFCollection(TRpUDFList *owner) : m_owner(owner) {}
    TRpUDFList *Owner() const { return m_owner; }
    int Count() const { return int(m_items.size()); }
    TRpUDF &Item(int index) { return *m_items.at(index); }
    const TRpUDF &Item(int index) const { return *m_items.at(index); }
    TRpUDF &Add();
    void Delete(int index) { m_items.erase(m_items.begin() + index); }
    void Clear() { m_items.clear(); }
    // Index of the first function whose trimmed, upper-cased name equals
    // the trimmed, upper-cased name; -1 when none.
    int FindFunction(const QString &name) const;

private:
    TRpUDFList *m_owner;
    std::vector<std::unique_ptr<TRpUDF>> m_items;
};

class TRpUDFList {
public:
    static constexpr int ListVersion = 600;

    TRpUDFList() : m_functions(this) {}
    ~TRpUDFList();
    TRpUDFList(const TRpUDFList &) = delete;
    TRpUDFList &operator=(const TRpUDFList &) = delete;

    int Version() const { return ListVersion; }
    TRpUDFCollection &Functions() { return m_functions; }
    const TRpUDFCollection &Functions() const { return m_functions; }
    int FindFunction(const QString &name) const { return m_functions.FindFunction(name); }

private:
    friend class TRpBaseReport;
    // Reports that reference the list forget it when it is destroyed.
    void AddReport(TRpBaseReport *report) { m_reports.push_back(report); }
    void RemoveReport(TRpBaseReport *report);

    TRpUDFCollection m_functions;
    std::vector<TRpBaseReport *> m_reports;
};

} // namespace rtfreport
