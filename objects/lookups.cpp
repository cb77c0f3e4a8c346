#include "objects/lookups.h"

#include "app/modInventory.h"

namespace lookups {

namespace {

Choosers g_choosers;

} // namespace

void chooseProduct(const QString &text, const QString &locationName, const QString &locationCode)
{
    modInventory::PubLookupCode.clear();
    if (g_choosers.product)
        g_choosers.product(text, locationName, locationCode);
}

QStringList productSearchReads(const QString &text, const QString &locationCode)
{
    return g_choosers.productReads ? g_choosers.productReads(text, locationCode) : QStringList();
}

void chooseCode(CodeKind kind, const QString &text)
{
    modInventory::PubLookupCode.clear();
    if (g_choosers.code)
        g_choosers.code(kind, text);
}

Choosers install(Choosers choosers)
{
    std::swap(g_choosers, choosers);
    return choosers;
}

} // namespace lookups
