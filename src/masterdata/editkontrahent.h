#pragma once
// The counterparty details dialog: name, address and "Aktywny".

#include "partydialog.h"

class QCheckBox;

namespace masterdata {

class TfrmEditKontrahent : public PartyDialog {
    Q_OBJECT
public:
    explicit TfrmEditKontrahent(QWidget *parent = nullptr);

    void setFields(const CounterpartyFields &fields, bool showMode, bool hideActive);
    CounterpartyFields fields() const;

    QCheckBox *const cbAktywny;
};

} // namespace masterdata
