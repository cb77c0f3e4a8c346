#pragma once

#include <QString>

#include <cstdint>

namespace db {
class Connection;
}

namespace benchgen {

// The size of a generated hospital. The same sizes and seed give the same database.
struct Scale
{
    int items = 200000;
    int locations = 200;
    int users = 50;
    int requests = 40000;
    std::uint32_t seed = 20261210;
};

// What the generator wrote, for the benchmark's choices of cases.
struct Contents
{
    qint64 stockRows = 0;
    qint64 requestLines = 0;
    QString supplyingLocation;  // the central store every item is stocked at
    QString requestingLocation; // a ward of the first user's
    QString largeRequest;       // the number of the one request of LargeRequestLines lines
    QString sampleItem;         // an active item held at both locations above
};

constexpr int LargeRequestLines = 10000;

// Fills an empty database (created with the schema only) in one transaction with bound values,
// then gathers the planner's statistics. Users are E01, E02, ...; locations "1" (the central
// store), "2" (the pharmacy) and wards "3" onwards; request numbers 1, 2, ... and the large
// request last.
Contents generate(db::Connection &connection, const Scale &scale);

// The same description of a database generate() made earlier, with its sizes read back into scale.
Contents describe(db::Connection &connection, Scale &scale);

} // namespace benchgen
