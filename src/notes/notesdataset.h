#pragma once
// The notes list as a data set of the report engine: the list's stored and
// calculated fields, a current row of its own that the grid follows unless
// the report holds the grid still.

#include "rpdataset.h"

#include <functional>

namespace notes {

class NotesListModel;

class NotesDataSet : public rtfreport::TRpDataSet {
public:
    // Told the new row whenever the data set moves while controls follow it.
    using FollowRow = std::function<void(int row)>;

    // Starts on `startRow` (the first row when it is not one of the model's).
    NotesDataSet(const NotesListModel &model, int startRow, FollowRow followRow = {},
                 QString name = QStringLiteral("ibqNota"));

    QString Name() const override { return m_name; }
    int FieldCount() const override;
    QString FieldName(int field) const override;
    rtfreport::TRpFieldType FieldType(int field) const override;

    bool IsNull(int field) const override;
    QString AsString(int field) const override;
    qint64 AsInteger(int field) const override;
    qint64 AsCurrency(int field) const override;
    rtfreport::TRpFloat AsFloat(int field) const override;
    bool AsBoolean(int field) const override;
    rtfreport::TRpDateTime AsDateTime(int field) const override;
    QByteArray AsBytes(int field) const override;
    QString DisplayText(int field) const override;

    void First() override;
    void Next() override;
    void Prior() override;
    void Last() override;
    bool Eof() const override { return m_eof; }
    bool Bof() const override { return m_bof; }
    QByteArray Bookmark() const override;
    void GotoBookmark(const QByteArray &bookmark) override;
    bool ControlsDisabled() const override { return m_disabled > 0; }
    void DisableControls() override { ++m_disabled; }
    void EnableControls() override;

    int RecNo() const { return m_current; }

private:
    int rowCount() const;
    void moveTo(int row);

    const NotesListModel &m_model;
    FollowRow m_followRow;
    QString m_name;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    int m_disabled = 0;
};

} // namespace notes
