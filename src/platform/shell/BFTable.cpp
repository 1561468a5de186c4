// The accounting program's database server is a component of that program for another platform:
// it is never installed beside this one, so asking for a table object always finds none.
#include "platform/shell/BFTable.h"

std::function<std::unique_ptr<TBFTable>()> CreateBFTable = []() -> std::unique_ptr<TBFTable> {
    return nullptr;
};
