#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// How a data class lets the user pick a record. The product search and the code lookup are
// dialogs, a layer above the data classes, so the data classes ask through these calls and the
// start-up connects them to the dialogs. Every call leaves the chosen code in
// modInventory::PubLookupCode, "" when nothing was chosen (also while nothing is connected).
namespace lookups {

// The kinds of record the code lookup finds.
enum CodeKind : qint16 { Supplier = 1, Terms = 2, UnitOfMeasure = 3 };

// The product search for text (the start of a name, or a code); with a location code, among the
// products held at the request's locations, the location's name shown.
void chooseProduct(const QString &text, const QString &locationName, const QString &locationCode);
// The statements chooseProduct sends first for the same arguments (its search), to be read
// ahead; none while nothing is connected.
QStringList productSearchReads(const QString &text, const QString &locationCode);
// The code lookup of one kind of record for text.
void chooseCode(CodeKind kind, const QString &text);

struct Choosers
{
    std::function<void(const QString &text, const QString &locationName,
                       const QString &locationCode)>
        product;
    std::function<QStringList(const QString &text, const QString &locationCode)> productReads;
    std::function<void(CodeKind kind, const QString &text)> code;
};

// Connects the calls above; returns what was connected before.
Choosers install(Choosers choosers);

} // namespace lookups
