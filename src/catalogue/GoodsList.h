#pragma once

#include "RowsModel.h"

// The goods of the catalogue as the component picker lists them: read-only,
// read in batches as the list scrolls, so that the first goods show at once
// however large the catalogue is.
class GoodsList : public RowsModel {
    Q_OBJECT

public:
    explicit GoodsList(Database &catalogue, QObject *parent = nullptr);

    static QList<int> columnWidths();
};
