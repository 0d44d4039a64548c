#pragma once
// The counterparty list "Odbiorcy" of the current company: add, correct,
// show, delete, search and choose counterparties.

#include "masterlist.h"

namespace masterdata {

class TfrmKontrahent : public MasterListWindow {
    Q_OBJECT
public:
    TfrmKontrahent(const ui::Context &context, bool choosing, QWidget *parent = nullptr);

    const bool Wybor;  // choosing mode
    QAction *const actSzukaj;

    ui::DataGrid *const dbgKontrahent = dbgList;
    db::Transaction &ibtKontrahent = ibtList;
    db::Statement &ibqKontrahent = ibqList;
    db::Statement &ibqKontrahentInsert = ibqListInsert;
    db::Statement &ibqKontrahentUpdate = ibqListUpdate;
    db::Statement &ibqKontrahentDelete = ibqListDelete;

protected:
    bool editDetails(int row, bool showMode, db::Statement *target) override;
    void bindListParameters() override;
    QList<QAction *> rowActions() const override;
    void choose() override;

private:
    void actSzukajExecute();
    CounterpartyFields fieldsOfRow(int row) const;
    // "Aktywny" is offered only where inactive counterparties are listed.
    bool hideActive() const { return actWybierz->isVisible(); }

    QString m_searchPattern;  // :SzukanaFraza while a search is in force
};

} // namespace masterdata
