#include "isup/IsupCatalog.h"

namespace {
const TIsupCatalog* Current = nullptr;
}

TIsupCatalog::~TIsupCatalog() = default;

void SetIsupCatalog(const TIsupCatalog* Catalog)
{
    Current = Catalog;
}

const TIsupCatalog* IsupCatalog()
{
    return Current;
}
