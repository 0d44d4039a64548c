#pragma once
// The base of the report engine: the report variables, the texts written for
// booleans, the locale of a run, the options, the user function list and the
// run-time trace. The template machinery builds on this class; what it needs
// of a run (data sets by alias, whether aggregates start again) it supplies
// by overriding the virtual functions below.

#include "rpformatsettings.h"
#include "rpvariables.h"

#include <QFile>
#include <QFlags>
#include <QString>

#include <memory>
#include <vector>

namespace rtfreport {

class TRpDataSet;
class TRpUDFList;

enum TRpRTFOption {
    eoGraphicsWmfCompatible = 0x001,
    eoGraphicsBinary = 0x002,
    eoClearMissedFields = 0x004,
    eoDotAsColon = 0x008,
    eoNumericFormatClearZero = 0x010,
    eoKeepFrtfPar = 0x020,
    eoProcessFormFields = 0x040,
    eoProcessLists = 0x080,
    eoUniqueLists = 0x100,
};
Q_DECLARE_FLAGS(TRpRTFOptions, TRpRTFOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRpRTFOptions)

class TRpBaseReport {
public:
    static constexpr int EngineVersion = 600;

    explicit TRpBaseReport(const TRpFormatSettings &settings = TRpFormatSettings::SystemDefault());
    virtual ~TRpBaseReport();
    TRpBaseReport(const TRpBaseReport &) = delete;
    TRpBaseReport &operator=(const TRpBaseReport &) = delete;

    int Version() const { return EngineVersion; }

    // The locale of the conversions; the report's variables read it here,
    // so a change reaches them all.
    const TRpFormatSettings &FormatSettings() const { return m_settings; }
    void SetFormatSettings(const TRpFormatSettings &settings);

    TRpRTFOptions Options() const { return m_options; }
    void SetOptions(TRpRTFOptions options) { m_options = options; }

    QString TrueValue() const { return m_trueValue; }
    void SetTrueValue(const QString &value) { m_trueValue = value; }
    QString FalseValue() const { return m_falseValue; }
    void SetFalseValue(const QString &value) { m_falseValue = value; }
    // The texts stored for booleans: TrueValue and FalseValue, or "True" and
    // "False" when the two are equal.
    QString BooleanText(bool value) const;

    QChar DecimalRSeparator() const { return m_decimalRSeparator; }
    void SetDecimalRSeparator(QChar c) { m_decimalRSeparator = c; }
    QChar DecimalRTerminator() const { return m_decimalRTerminator; }
    void SetDecimalRTerminator(QChar c) { m_decimalRTerminator = c; }

    // --- variables (names trimmed on creation, compared without case) ---
    void CreateVar(const QString &name, bool value);
    void CreateVar(const QString &name, const QString &value);
    void CreateVar(const QString &name, const char *value) { CreateVar(name, QString::fromUtf8(value)); }
    void CreateVar(const QString &name, double value);
    void CreateVar(const QString &name, long double value);
    void CreateVar(const QString &name, TRpDateTime value, bool ignoreTime);
    void FreeVar(const QString &name);
    void ClearVars();
    // The single shared variable object, renamed to name on every call.
    TRpReportVariable *VarByName(const QString &name);
    int GetVarNumber(const QString &name) const;  // 1-based, 0 when absent
    const TRpVarList &VarList() const { return m_varList; }
    TRpVarList &VarList() { return m_varList; }
    void SetVarList(const TRpVarList &list) { m_varList = list; }
    QByteArray VarDataTypes() const { return m_varList.SaveDataTypes(); }
    void SetVarDataTypes(const QByteArray &bytes) { m_varList.LoadDataTypes(bytes); }

    // --- user functions (a list owned elsewhere; may be absent) ---
    TRpUDFList *UDFList() const { return m_udfList; }
    void SetUDFList(TRpUDFList *list);
    bool Executing() const { return m_executing; }

    // --- what a run supplies to expressions ---
    // The data set a template names by alias, or none.
    virtual TRpDataSet *DataSetByAlias(const QString &alias) const;
    // Whether an aggregate starts from 0 now: outside every scan, or during
    // the first pass of the current one.
    virtual bool AggregateResetDue() const { return true; }
    // A simple alias register for callers without scans: names compared
    // upper-cased. The full alias rules belong to the scanning engine.
    void RegisterDataSet(const QString &alias, TRpDataSet *dataSet);
    void ClearDataSets() { m_dataSets.clear(); }

    // --- helpers ---
    static bool Letter(QChar c);
    static bool Digit(QChar c);
    static bool ZeroOut(const QString &text);
    // A new, empty, unique file in the temporary folder; its name begins
    // with prefix.
    static QString CreateTmpFileName(const QString &prefix);

    // --- run-time trace ---
    void StartRTInfo(const QString &fileName);
    void PrintRTI(const QString &text);
    void StopRTInfo();
    bool RTInfo() const { return m_rtiFile != nullptr; }

protected:
    void SetExecuting(bool executing) { m_executing = executing; }
    friend class TRpUDFList;
    void ForgetUDFList(TRpUDFList *list);

private:
    void AddVarLine(const QString &name, const QString &valueText, TRpDataType type);

    TRpFormatSettings m_settings;
    TRpRTFOptions m_options = TRpRTFOptions(eoGraphicsBinary | eoDotAsColon);
    QString m_trueValue = QStringLiteral("True");
    QString m_falseValue = QStringLiteral("False");
    QChar m_decimalRSeparator = u'-';
    QChar m_decimalRTerminator = u'=';
    TRpVarList m_varList;
    std::unique_ptr<TRpReportVariable> m_sharedVariable;
    TRpUDFList *m_udfList = nullptr;
    bool m_executing = false;
    std::vector<std::pair<QString, TRpDataSet *>> m_dataSets;
    std::unique_ptr<QFile> m_rtiFile;
};

} // namespace rtfreport
