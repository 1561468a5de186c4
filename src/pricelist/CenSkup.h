#pragma once

#include "pricelist/CenHlad.h"

// The list of price groups.
class TfrmCenSkup : public TPriceCodeList {
    Q_OBJECT
public:
    explicit TfrmCenSkup(int mode, QWidget* parent = nullptr);

protected:
    void Edit(bool add) override;
    void DeleteCurrent() override;
};

// The list of price groups over the main window's adqCenSkup, standing on groupId when it is not 0.
// Unless closeAfter the query stays open on the chosen group. Modal result; -1 without the right.
int ShowPriceGroupList(int mode, int groupId, bool closeAfter);

inline constexpr const char* kConfirmGroupDelete = "Opravdu chcete smazat cenovou skupinu %1?";
