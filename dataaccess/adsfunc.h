#pragma once

#include "adsdata.h"

// The extended dataset between the base and the query; it adds nothing this program uses.
class TAdsExtendedDataSet : public TAdsDataSet {
    Q_OBJECT
public:
    using TAdsDataSet::TAdsDataSet;
};
