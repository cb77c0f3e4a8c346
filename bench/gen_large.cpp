// A hospital-sized embedded database for the benchmarks, the same every run for the same sizes.
#include "gen_large.h"

#include "platform/db/connection.h"

#include <QDateTime>
#include <QStringList>

#include <iterator>
#include <random>

namespace benchgen {
namespace {

const char *const Generics[] = {"PARACETAMOL",
                                "AMOXICILLIN",
                                "CEFUROXIME",
                                "CEFTRIAXONE",
                                "METFORMIN",
                                "OMEPRAZOLE",
                                "AMLODIPINE",
                                "LOSARTAN",
                                "SALBUTAMOL",
                                "IBUPROFEN",
                                "MEFENAMIC ACID",
                                "CO-AMOXICLAV",
                                "AZITHROMYCIN",
                                "CIPROFLOXACIN",
                                "METRONIDAZOLE",
                                "RANITIDINE",
                                "SIMVASTATIN",
                                "ATORVASTATIN",
                                "FUROSEMIDE",
                                "SPIRONOLACTONE",
                                "GLICLAZIDE",
                                "INSULIN NPH",
                                "HEPARIN",
                                "ENOXAPARIN",
                                "DEXAMETHASONE",
                                "HYDROCORTISONE",
                                "PREDNISONE",
                                "CLOPIDOGREL",
                                "ASPIRIN",
                                "DIAZEPAM",
                                "TRAMADOL",
                                "MORPHINE",
                                "KETOROLAC",
                                "ONDANSETRON",
                                "METOCLOPRAMIDE",
                                "LORATADINE",
                                "CETIRIZINE",
                                "DIPHENHYDRAMINE",
                                "AMBROXOL",
                                "CARBOCISTEINE",
                                "VITAMIN B COMPLEX",
                                "FERROUS SULFATE",
                                "FOLIC ACID",
                                "ZINC SULFATE",
                                "ORAL REHYDRATION SALTS",
                                "POTASSIUM CHLORIDE",
                                "SODIUM BICARBONATE",
                                "LIDOCAINE",
                                "BUPIVACAINE",
                                "PROPOFOL",
                                "MIDAZOLAM",
                                "VANCOMYCIN",
                                "MEROPENEM",
                                "GENTAMICIN",
                                "CLINDAMYCIN",
                                "FLUCONAZOLE",
                                "ACYCLOVIR",
                                "NIFEDIPINE",
                                "CAPTOPRIL",
                                "METOPROLOL",
                                "CARVEDILOL",
                                "DIGOXIN",
                                "PHENYTOIN",
                                "LEVETIRACETAM",
                                "CARBAMAZEPINE",
                                "ST. JOHN'S WORT",
                                "MUPIROCIN",
                                "SILVER SULFADIAZINE",
                                "TETANUS TOXOID",
                                "OXYTOCIN"};

const char *const Syllables[] = {"AL",  "BE",  "CA",  "DO",  "FE",  "GA",  "HE",  "KA",
                                 "LI",  "MA",  "NO",  "PA",  "RE",  "SA",  "TO",  "VI",
                                 "ZE",  "XI",  "QUI", "PRO", "TRI", "CEF", "MOX", "LEX",
                                 "ZOL", "DEX", "VAL", "NOR", "SYN", "COR"};

struct Form
{
    const char *name;
    const char *unit;
    int strengths[4];
};

const Form Forms[] = {{"TAB", "MG", {5, 50, 250, 500}},
                      {"CAP", "MG", {20, 100, 250, 500}},
                      {"SYRUP 60ML", "MG/5ML", {125, 150, 250, 5}},
                      {"SUSP 100ML", "MG/5ML", {100, 125, 200, 250}},
                      {"AMP 2ML", "MG/ML", {2, 4, 10, 50}},
                      {"VIAL", "G", {1, 2, 500, 750}},
                      {"CREAM 15G", "%", {1, 2, 5, 10}},
                      {"DROPS 15ML", "MG/ML", {1, 3, 10, 100}},
                      {"NEBULE 2.5ML", "MG", {1, 2, 5, 10}},
                      {"SUPP", "MG", {125, 250, 500, 100}},
                      {"PATCH", "MCG/HR", {12, 25, 50, 75}},
                      {"PREFILLED SYRINGE", "IU", {2000, 4000, 6000, 10000}}};

const char *const Supplies[] = {"GAUZE PAD 4\"X4\"",
                                "ELASTIC BANDAGE 6\"",
                                "SURGEON'S GLOVES",
                                "EXAMINATION GLOVES",
                                "SYRINGE",
                                "HYPODERMIC NEEDLE",
                                "IV CANNULA",
                                "IV INFUSION SET",
                                "FOLEY CATHETER",
                                "URINE BAG",
                                "SUCTION CATHETER",
                                "NASOGASTRIC TUBE",
                                "ENDOTRACHEAL TUBE",
                                "FACE MASK",
                                "N95 RESPIRATOR",
                                "COTTON BALLS",
                                "ADHESIVE TAPE 1\"",
                                "ALCOHOL 70%",
                                "POVIDONE IODINE",
                                "SPECIMEN CUP",
                                "BLOOD COLLECTION TUBE",
                                "X-RAY FILM 14\"X17\"",
                                "ECG ELECTRODES",
                                "SUTURE SILK 2-0",
                                "SUTURE NYLON 3-0",
                                "SCALPEL BLADE NO. 11",
                                "UNDERPAD",
                                "DIAPER ADULT"};

const char *const Sizes[] = {"SMALL", "MEDIUM", "LARGE",   "1CC",     "3CC", "5CC",
                             "10CC",  "G18",    "G20",     "G22",     "G24", "FR 8",
                             "FR 12", "FR 16",  "PER BOX", "PER ROLL"};

const char *const LastNames[] = {"SANTOS",  "REYES", "CRUZ", "BAUTISTA", "O'BRIEN",    "GARCIA",
                                 "MENDOZA", "TAN",   "LIM",  "D'ANGELO", "VILLANUEVA", "RAMOS"};
const char *const FirstNames[] = {"MARIA", "JOSE", "ANA",  "JUAN", "GRACE",
                                  "MARK",  "JOY",  "PAUL", "ROSE", "JAMES"};

template <typename T, std::size_t N> const T &pick(std::mt19937 &random, const T (&list)[N])
{
    return list[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

int between(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

struct Item
{
    QString name;
    QString desc;
    QString classification;
};

Item makeItem(std::mt19937 &random)
{
    const int kind = between(random, 0, 99);
    if (kind < 75) {
        const Form &form = pick(random, Forms);
        const QString strength =
            QString::number(form.strengths[between(random, 0, 3)]) + QLatin1String(form.unit);
        QString generic = QLatin1String(pick(random, Generics));
        if (kind < 35) // sold under its generic name
            return {generic, strength + QLatin1Char(' ') + QLatin1String(form.name),
                    QStringLiteral("MED")};
        QString brand;
        for (int n = between(random, 2, 3); n > 0; --n)
            brand += QLatin1String(pick(random, Syllables));
        if (between(random, 0, 99) < 2)
            brand = QStringLiteral("CHILDREN'S ") + brand;
        return {brand + QStringLiteral(" (") + generic + QLatin1Char(')'),
                strength + QLatin1Char(' ') + QLatin1String(form.name), QStringLiteral("MED")};
    }
    static const char *const SupplyClasses[] = {"SUP", "SUP", "SUP", "LAB", "XRY", "EQP"};
    return {QLatin1String(pick(random, Supplies)), QLatin1String(pick(random, Sizes)),
            QLatin1String(pick(random, SupplyClasses))};
}

QString stamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

// An active item of an ordinary class held active at both benchmark locations.
QString sampleItem(db::Connection &connection, const Contents &made, int items)
{
    const db::Recordset found = connection.query(
        QStringLiteral("SELECT M.ItemID FROM tbInvMaster M "
                       "JOIN tbInvent S ON S.ItemID = M.ItemID AND S.LocationID = ? "
                       "JOIN tbInvent T ON T.ItemID = M.ItemID AND T.LocationID = ? "
                       "WHERE M.ItemStatus = 0 AND M.ItemClassificationID <> 'EQP' "
                       "AND S.ItemStatus = 0 AND T.ItemStatus = 0 AND M.ItemID >= ? "
                       "ORDER BY M.ItemID LIMIT 1"),
        {made.supplyingLocation, made.requestingLocation, QString::number(100000 + items / 2)});
    return found.Eof() ? QString() : found.Fields(0).toText();
}

Contents generate(db::Connection &connection, const Scale &scale)
{
    std::mt19937 random(scale.seed);
    Contents made;
    db::Transaction transaction(connection);

    connection.execute(
        QStringLiteral("INSERT INTO tbHospitalInfo (HospitalID, Company, Address, "
                       "AllowWDZeroOnHand, isAutoWithdrawRequestNumber) "
                       "VALUES (1, ?, ?, 0, 1)"),
        {QStringLiteral("ST. LUKE'S GENERAL HOSPITAL"), QStringLiteral("12 RIZAL AVENUE")});

    // Locations: the central store, the pharmacy, then wards and departments.
    const QString location = QStringLiteral("INSERT INTO tbInvLocation (LocationID, Location, "
                                            "Status, isWarehouse, isDispensingArea, AllowOrder) "
                                            "VALUES (?, ?, 'A', ?, ?, 1)");
    static const char *const Wards[] = {"WARD",    "ICU", "OR",    "ER",       "OPD",
                                        "NURSERY", "LAB", "X-RAY", "DIALYSIS", "CSR"};
    for (int l = 1; l <= scale.locations; ++l) {
        QString name = l == 1   ? QStringLiteral("CENTRAL SUPPLY")
                       : l == 2 ? QStringLiteral("PHARMACY")
                                : QStringLiteral("%1 %2").arg(QLatin1String(Wards[l % 10])).arg(l);
        if (l == 7)
            name = QStringLiteral("DOCTORS' LOUNGE");
        connection.execute(location, {QString::number(l), name, l == 1 ? 1 : 0, l == 2 ? 1 : 0});
    }
    for (int s = 0; s < 100; ++s) {
        connection.execute(QStringLiteral("INSERT INTO tbInvSupplier (SupplierID, SupplierName, "
                                          "Status) VALUES (?, ?, 'A')"),
                           {QStringLiteral("S%1").arg(s, 3, 10, QLatin1Char('0')),
                            s % 17 == 0 ? QStringLiteral("MERCURY'S DRUG DISTRIBUTOR %1").arg(s)
                                        : QStringLiteral("MEDICAL SUPPLIER %1 INC.").arg(s)});
    }
    const char *const classes[][2] = {{"MED", "MEDICINES"},
                                      {"SUP", "MEDICAL SUPPLIES"},
                                      {"LAB", "LABORATORY"},
                                      {"XRY", "RADIOLOGY"},
                                      {"EQP", "EQUIPMENT"}};
    for (const auto &c : classes) {
        connection.execute(
            QStringLiteral("INSERT INTO tbInvClassification (ItemClassificationID, "
                           "ItemClassificationName, Status, IsFixedAsset) "
                           "VALUES (?, ?, 'A', ?)"),
            {QLatin1String(c[0]), QLatin1String(c[1]), qstrcmp(c[0], "EQP") == 0 ? 1 : 0});
    }
    const char *const units[] = {"PIECE", "BOX", "BOTTLE", "AMPULE", "VIAL", "TUBE", "ROLL"};
    for (int u = 0; u < int(std::size(units)); ++u) {
        connection.execute(QStringLiteral("INSERT INTO tbInvUnitOfMeasure (UnitOfMeasureID, "
                                          "UnitOfMeasure, Status) VALUES (?, ?, 'A')"),
                           {u + 1, QLatin1String(units[u])});
    }

    // Users and the wards each belongs to. The first user's first ward is the benchmark's
    // requesting location.
    std::vector<QStringList> userLocations(std::size_t(scale.users));
    for (int u = 0; u < scale.users; ++u) {
        const QString id = QStringLiteral("E%1").arg(u + 1, 2, 10, QLatin1Char('0'));
        connection.execute(QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, "
                                          "FirstName, Password, DepartmentID) "
                                          "VALUES (?, ?, ?, ?, ?)"),
                           {id, QLatin1String(pick(random, LastNames)),
                            QLatin1String(pick(random, FirstNames)), QStringLiteral("x"),
                            QStringLiteral("INV")});
        const int wards = scale.locations - 2;
        for (int j = between(random, 1, 4); j > 0; --j) {
            const QString ward = QString::number(3 + (u * 4 + j) % wards);
            if (userLocations[std::size_t(u)].contains(ward))
                continue;
            userLocations[std::size_t(u)].append(ward);
            connection.execute(QStringLiteral("INSERT INTO tbinvUserLocation (UserID, LocationID) "
                                              "VALUES (?, ?)"),
                               {id, ward});
        }
    }
    made.supplyingLocation = QStringLiteral("1");
    made.requestingLocation = userLocations.front().front();

    // The item master, and each item's stock cards: the central store holds everything, the
    // pharmacy most medicines, and a few wards each item.
    const QString master = QStringLiteral(
        "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ItemClassificationID, "
        "ItemStatus, MarkupIn, MarkupOut, Packing, ListCost, AverageCost, UnitOfMeasureID) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QString stock = QStringLiteral(
        "INSERT INTO tbInvent (ItemID, LocationID, ItemStatus, OnHand, MinStockLevel, Markup_In, "
        "Markup_Out, AverageCost, ExpiryDate) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QDateTime epoch(QDate(2024, 1, 1), QTime(8, 0));
    std::vector<QString> codes;
    codes.reserve(std::size_t(scale.items));
    for (int i = 0; i < scale.items; ++i) {
        const QString code = QString::number(100000 + i);
        codes.push_back(code);
        const Item item = makeItem(random);
        const double cost = between(random, 50, 500000) / 100.0;
        connection.execute(
            master, {code, item.name, item.desc,
                     QStringLiteral("S%1").arg(between(random, 0, 99), 3, 10, QLatin1Char('0')),
                     item.classification, between(random, 0, 99) < 3 ? 1 : 0, 10, 20,
                     between(random, 1, 12), cost, cost * 0.95, between(random, 1, 7)});
        QStringList held{QStringLiteral("1")};
        if (item.classification == QLatin1String("MED") && between(random, 0, 99) < 70)
            held.append(QStringLiteral("2"));
        for (int w = between(random, 0, 4); w > 0; --w) {
            const QString ward = QString::number(between(random, 3, scale.locations));
            if (!held.contains(ward))
                held.append(ward);
        }
        // Every twentieth item is also held by the benchmark's requesting ward.
        if (i % 20 == 0 && !held.contains(made.requestingLocation))
            held.append(made.requestingLocation);
        for (const QString &at : held) {
            connection.execute(stock, {code, at, between(random, 0, 99) < 2 ? 1 : 0,
                                       double(between(random, 0, 2000)),
                                       double(between(random, 0, 50)), 15, 25, cost * 0.95,
                                       stamp(epoch.addDays(between(random, 200, 1500)))});
            ++made.stockRows;
        }
    }

    // Requests: 1-30 lines each, in every state, dated over three years in number order.
    const QString line = QStringLiteral(
        "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, "
        "isADS, LocationID, TargetLocationID, TransDate, UserID, Remarks, Status, ProcessDate, "
        "ProcessBy, VerifiedBy, VerifiedDate) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const qint64 span = 3LL * 365 * 24 * 3600;
    auto writeRequest = [&](int number, int lines) {
        const int u = between(random, 0, scale.users - 1);
        const QStringList &wards = userLocations[std::size_t(u)];
        const QString user = QStringLiteral("E%1").arg(u + 1, 2, 10, QLatin1Char('0'));
        const QString from = wards.at(between(random, 0, int(wards.size()) - 1));
        const QString to = between(random, 0, 99) < 70 ? QStringLiteral("1") : QStringLiteral("2");
        const QDateTime when =
            epoch.addSecs(span * number / (scale.requests + 1) + between(random, 0, 3600));
        const int state = between(random, 0, 99);
        // pending 30 %, verified 20 %, processed 40 %, cancelled 10 %
        const QVariant none;
        const bool verified = state >= 30 && state < 90;
        const QVariant status = state < 50   ? none
                                : state < 90 ? QVariant(QStringLiteral("P"))
                                             : QVariant(QStringLiteral("D"));
        const QVariant verifier = verified ? QVariant(QStringLiteral("E02")) : none;
        const QVariant verifiedAt = verified ? QVariant(stamp(when.addSecs(1800))) : none;
        const QVariant processedAt = state >= 50 ? QVariant(stamp(when.addSecs(7200))) : none;
        const QVariant processor = state >= 50 ? QVariant(QStringLiteral("E03")) : none;
        const QString remarks = between(random, 0, 9) == 0
                                    ? QStringLiteral("for tomorrow's O.R. schedule")
                                    : QStringLiteral("routine replenishment");
        for (int n = 0; n < lines; ++n) {
            const QString &item = codes[std::size_t(between(random, 0, scale.items - 1))];
            connection.execute(
                line, {QString::number(number), item, double(between(random, 1, 100)),
                       between(random, 50, 500000) / 100.0,
                       between(random, 0, 9) == 0 ? QStringLiteral("Y") : QStringLiteral("N"),
                       between(random, 0, 19) == 0 ? 1 : 0, from, to, stamp(when), user, remarks,
                       status, processedAt, processor, verifier, verifiedAt});
            ++made.requestLines;
        }
    };
    for (int number = 1; number <= scale.requests; ++number)
        writeRequest(number, between(random, 1, 30));
    made.largeRequest = QString::number(scale.requests + 1);
    writeRequest(scale.requests + 1, LargeRequestLines);

    transaction.commit();
    connection.Execute(QStringLiteral("ANALYZE"));

    made.sampleItem = sampleItem(connection, made, scale.items);
    if (made.sampleItem.isEmpty())
        made.sampleItem = codes[std::size_t(scale.items / 2)];
    return made;
}

Contents describe(db::Connection &connection, Scale &scale)
{
    auto count = [&connection](const char *sql) {
        return connection.query(QLatin1String(sql), {}).Fields(0).toLong();
    };
    scale.items = int(count("SELECT count(*) FROM tbInvMaster"));
    scale.locations = int(count("SELECT count(*) FROM tbInvLocation"));
    scale.users = int(count("SELECT count(*) FROM tbPasswordMain"));
    Contents made;
    made.stockRows = count("SELECT count(*) FROM tbInvent");
    made.requestLines = count("SELECT count(*) FROM tbInvWithdrawRequest");
    made.supplyingLocation = QStringLiteral("1");
    made.requestingLocation =
        connection
            .query(QStringLiteral("SELECT LocationID FROM tbinvUserLocation WHERE UserID = 'E01' "
                                  "ORDER BY rowid LIMIT 1"),
                   {})
            .Fields(0)
            .toText();
    made.largeRequest =
        connection
            .query(QStringLiteral("SELECT DocumentNumber FROM tbInvWithdrawRequest "
                                  "GROUP BY DocumentNumber HAVING count(*) = ? LIMIT 1"),
                   {LargeRequestLines})
            .Fields(0)
            .toText();
    scale.requests = made.largeRequest.toInt() - 1;
    made.sampleItem = sampleItem(connection, made, scale.items);
    return made;
}

} // namespace benchgen
