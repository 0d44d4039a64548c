#pragma once
// The company list "Firmy": add, correct, show, delete and choose companies.

#include "masterlist.h"

namespace masterdata {

class TfrmFirma : public MasterListWindow {
    Q_OBJECT
public:
    TfrmFirma(const ui::Context &context, bool choosing, QWidget *parent = nullptr);

    ui::DataGrid *const dbgFirma = dbgList;
    db::Transaction &ibtFirma = ibtList;
    db::Statement &ibqFirma = ibqList;
    db::Statement &ibqFirmaInsert = ibqListInsert;
    db::Statement &ibqFirmaUpdate = ibqListUpdate;
    db::Statement &ibqFirmaDelete = ibqListDelete;

protected:
    bool editDetails(int row, bool showMode, db::Statement *target) override;
    void doubleClicked() override;

private:
    void actKasujExecute();
    CompanyFields fieldsOfRow(int row) const;
};

} // namespace masterdata
