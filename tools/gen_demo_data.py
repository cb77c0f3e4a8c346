#!/usr/bin/env python3
"""Writes the demo hospital's data for both databases the program runs on.

    python3 tools/gen_demo_data.py

writes sql/sqlite/demo_data.sql (the embedded database), sql/mssql/03_demo_data.sql (the same
rows for SQL Server) and sql/postgresql/03_demo_data.sql (the same rows for PostgreSQL). The output is the same on every run (fixed seed, fixed dates); both files are
checked in, and the build does not run this script.

The hospital is invented: Kestrel Ridge General Hospital, a mid-size general hospital.

Staff and their demo passwords (the staff table stores the password transform's output, never
these texts; passwords compare exactly, case included):

    ID   Name                   Password    Department  Rights  Verifies requests
    E01  MERCADO, LORNA         DEMO        4           A S     yes (authorised verifier)
    E02  OKAFOR, GRACE          NURSE       12          U N     no
    E03  HALVERSEN, PETER       STOCK2026   4           A N     no (second right missing)
    E04  VILLANUEVA, ROSARIO    PHARM#1     00          A S     yes
    E05  BRENNAN, THOMAS        SUPPLY      7           A S     no (department not authorised)
    E06  NAKAMURA, KEIKO        WARD4       12          U N     no
    E07  ADEYEMI, SAMUEL        ERNURSE     9           U N     no
    E08  LINDQVIST, MARTA       LAB2026     11          U N     no
    E09  CASTILLO, RAMON        Verify9     4           A S     yes
    E10  O'CONNELL, FIONA       ORSUITE     8           U N     no
    E11  PETROVA, IRINA         ICU-10      10          U N     no
    E12  FERREIRA, JOAO         DIETARY     13          U N     no

Authorised verifiers are staff of department '4' or '00' with rights 'A' and 'S'.
"""

import datetime as dt
import os
import random
from decimal import Decimal, ROUND_HALF_UP

SEED = 20261201
ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
SQLITE_OUT = os.path.join(ROOT, "sql", "sqlite", "demo_data.sql")
MSSQL_OUT = os.path.join(ROOT, "sql", "mssql", "03_demo_data.sql")
POSTGRESQL_OUT = os.path.join(ROOT, "sql", "postgresql", "03_demo_data.sql")
MSSQL_BATCH = 250  # rows between GO separators

PASSWORD_KEY = "ZEPHYRQUANTOL"

rng = random.Random(SEED)


# --- The password transform (the program's EncryptText, mode "E") ---------------------------

_UNDEFINED_1252 = (0x81, 0x8D, 0x8F, 0x90, 0x9D)


def ansi_code(ch):
    """The Windows-1252 code of a character; "?" for one the code page cannot hold."""
    if ord(ch) in _UNDEFINED_1252:
        return ord(ch)
    try:
        return ch.encode("cp1252")[0]
    except UnicodeEncodeError:
        return ord("?")


def encrypt_text(key, text):
    previous = 91
    out = "%2X" % previous
    position = 0
    for ch in text:
        value = (ansi_code(ch) + previous) % 255
        position = position + 1 if position < len(key) else 1
        if key:
            value ^= ansi_code(key[position - 1])
        out += "%2X" % value
        previous = value
    return out


# --- Values -----------------------------------------------------------------------------------

class Money:
    """A DECIMAL(18,4) value, written with four decimals."""

    def __init__(self, value):
        self.value = Decimal(str(value)).quantize(Decimal("0.0001"), rounding=ROUND_HALF_UP)

    def __str__(self):
        return "%.4f" % self.value

    def __mul__(self, other):
        return Money(self.value * Decimal(str(other)))


def money(value):
    return Money(value)


def literal(value, dialect):
    if value is None:
        return "NULL"
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, Money):
        return str(value)
    if isinstance(value, float):
        return ("%d" % value) if value == int(value) else repr(value)
    if isinstance(value, dt.datetime):
        sep = "T" if dialect == "mssql" else " "
        return "'" + value.strftime("%Y-%m-%d" + sep + "%H:%M:%S") + "'"
    if isinstance(value, str):
        return "'" + value.replace("'", "''") + "'"
    raise TypeError("no literal for %r" % (value,))


def day(y, m, d, hh=0, mm=0, ss=0):
    return dt.datetime(y, m, d, hh, mm, ss)


# --- Tables -----------------------------------------------------------------------------------

# name -> (database for SQL Server, columns); rows collected in insertion order.
TABLES = {}
ROWS = []


def table(name, database, columns):
    TABLES[name] = (database, columns.split())


def insert(name, *values):
    columns = TABLES[name][1]
    assert len(values) == len(columns), (name, values)
    ROWS.append((name, values))


table("tbHospitalInfo", "INVENTORY",
      "HospitalID Company Address TelNum ClientName AllowWDZeroOnHand isAutoWithdrawRequestNumber")
table("tbInvUnitOfMeasure", "INVENTORY", "UnitOfMeasureID UnitOfMeasure Status")
table("tbInvClassification", "INVENTORY",
      "ItemClassificationID ItemClassificationName Status IsFixedAsset")
table("tbInvTerms", "INVENTORY", "TermsID Terms NoDays Status")
table("tbInvSupplier", "INVENTORY",
      "SupplierID SupplierName Status SupplierType Address1 Address2 Address3 TermsID TelNum "
      "FreeGoods isVAT ContactPerson")
table("tbforClassification", "INVENTORY", "Node_Key ClassificationName")
table("tbforGeneric", "INVENTORY", "GenericID GenericName Node_Key")
table("tbInvLocation", "INVENTORY",
      "LocationID Location Status isWarehouse isDispensingArea AllowOrder InventoryType")
table("tbPasswordMain", "Password",
      "EmployeeID LastName FirstName MiddleName Password DepartmentID Right_Code1 Right_Code2")
table("tbInvUserSettings", "INVENTORY", "UserID isVerifyInventoryRequest")
table("tbinvUserLocation", "INVENTORY", "UserID LocationID")
table("tbInvMaster", "INVENTORY",
      "ItemID ItemName ItemDesc SupplierID ManufacturerID MarkupIn MarkupOut DownTime ListCost "
      "Freight SalesTax ItemStatus Packing VAT BarCode ItemClassificationID ItemClass "
      "UnitOfMeasureID OralInject AverageCost GenericID IsSeniorDiscounted WithLotNumber "
      "MedicareType MedicareCategory GLCode IncludeInStatement KitID")
table("tbInvKit", "INVENTORY", "KitID ItemID Quantity RetailType Active")
table("tbInvent", "INVENTORY",
      "ItemID LocationID OnHand OnOrder MinStockLevel Markup_In Markup_Out NetAmount "
      "SellingPriceIn SellingPriceOut ItemStatus AverageCost AveConsumption LastInventoryCount "
      "ExpiryDate NewGLCode POMonthsToDeliver MinimumOrAverage StartDate EndDate Floor Ceiling "
      "IsFloor IsCeiling IsADSStock ADSStock LastDeliveryQty LastDeliveryDate")
table("tbInvWithdrawRequest", "INVENTORY",
      "DocumentNumber ItemID Quantity UnitCost ForRetail isADS LocationID TargetLocationID "
      "TransDate UserID Remarks Status ProcessDate ProcessBy VerifiedBy VerifiedDate")


# --- The hospital -----------------------------------------------------------------------------

insert("tbHospitalInfo", 1, "KESTREL RIDGE GENERAL HOSPITAL",
       "1200 LARKSPUR AVENUE, KESTREL RIDGE", "(555) 014-3300", "", False, False)

UOM = ["PC", "BOX", "BOTTLE", "VIAL", "AMPULE", "TABLET", "CAPSULE", "PACK", "ROLL", "PAIR",
       "TUBE", "SACHET", "SET", "REAM", "GALLON"]
UOM_ID = {name: i + 1 for i, name in enumerate(UOM)}
for name in UOM:
    insert("tbInvUnitOfMeasure", UOM_ID[name], name, "A")

CLASSES = [
    ("A", "MEDICINES", False, "5101"),
    ("B", "MEDICAL SUPPLIES", False, "5102"),
    ("C", "LABORATORY SUPPLIES", False, "5103"),
    ("D", "OFFICE SUPPLIES", False, "5104"),
    ("E", "HOUSEKEEPING SUPPLIES", False, "5105"),
    ("F", "DIETARY SUPPLIES", False, "5106"),
    ("G", "EQUIPMENT", True, "1601"),
    ("H", "RADIOLOGY SUPPLIES", False, "5107"),
]
GL_CODE = {code: gl for code, _, _, gl in CLASSES}
for code, name, fixed, _ in CLASSES:
    insert("tbInvClassification", code, name, "A", fixed)

TERMS = [(1, "CASH", 0, "A"), (2, "15 DAYS", 15, "A"), (3, "30 DAYS", 30, "A"),
         (4, "60 DAYS", 60, "A"), (5, "90 DAYS", 90, "I")]
for row in TERMS:
    insert("tbInvTerms", *row)

# (code, name, status, type, street, terms, free goods, VAT, contact)
SUPPLIERS = [
    ("1", "NORTHGATE MEDICAL DISTRIBUTORS INC.", "A", "DISTRIBUTOR", "48 FOUNDRY ROAD", 3,
     True, True, "ANNA LISTER"),
    ("2", "BLUE HERON PHARMA TRADING", "A", "DISTRIBUTOR", "210 CANAL STREET", 4, True, True,
     "MARCUS DEVLIN"),
    ("3", "CASTLEFORD HEALTHCARE SUPPLY CO.", "A", "DISTRIBUTOR", "7 MILLBROOK LANE", 3,
     False, True, "PRIYA SANDHU"),
    ("4", "MERIDIAN LAB SOLUTIONS", "A", "DISTRIBUTOR", "95 QUARRY HILL DRIVE", 3, False,
     True, "OWEN TALBOT"),
    ("5", "OAKRIDGE OFFICE & SCHOOL SUPPLIES", "A", "DISTRIBUTOR", "16 MARKET ROW", 1, False,
     True, "LUCIA FERNANDEZ"),
    ("6", "CLEANWAVE JANITORIAL SUPPLIES", "A", "DISTRIBUTOR", "302 HARBOR ROAD", 2, False,
     False, "DENNIS HOLLOWAY"),
    ("7", "GOLDEN HARVEST FOOD DISTRIBUTORS", "A", "DISTRIBUTOR", "88 GRANARY STREET", 2,
     False, False, "CARMEN ABAD"),
    ("8", "VANTAGE IMAGING SUPPLIES", "A", "DISTRIBUTOR", "5 BEACON COURT", 4, False, True,
     "ELLIOT MARSH"),
    ("9", "HALCYON BIOMEDICAL EQUIPMENT", "A", "DISTRIBUTOR", "77 INDUSTRY AVENUE", 4, False,
     True, "NADIA KOVACS"),
    ("10", "O'LEARY SURGICAL SUPPLY", "A", "DISTRIBUTOR", "19 SPRING GARDEN ROAD", 3, True,
     True, "BRENDAN O'LEARY"),
    ("11", "AVERTON LABORATORIES", "A", "MANUFACTURER", "1 AVERTON PARK", 4, False, True,
     "HELENA WICKS"),
    ("12", "PELLUCID PHARMACEUTICALS", "A", "MANUFACTURER", "400 RIVERSIDE BOULEVARD", 4,
     True, True, "TOMAS REYES"),
    ("13", "KORVANE MEDICAL DEVICES", "A", "MANUFACTURER", "62 TECHNOLOGY LOOP", 3, False,
     True, "GRETA SOLBERG"),
    ("14", "SUNDERLIN GENERICS", "A", "MANUFACTURER", "9 WESTFIELD ROAD", 4, True, True,
     "IMRAN QURESHI"),
    ("15", "TRELLIS DIAGNOSTICS", "A", "MANUFACTURER", "30 SCIENCE PARK", 3, False, True,
     "YVONNE PARKS"),
    ("16", "MARKWELL HEALTH PRODUCTS", "I", "MANUFACTURER", "14 OLD MILL ROAD", 5, False,
     False, "GERALD FINCH"),
]
for i, (code, name, status, kind, street, terms, free, vat, contact) in enumerate(SUPPLIERS):
    insert("tbInvSupplier", code, name, status, kind, street, "KESTREL RIDGE", "",
           terms, "(555) 020-%04d" % (1100 + 37 * i), free, vat, contact)

FOR_CLASSIFICATION = [
    ("10", "ANALGESICS AND ANTIPYRETICS"), ("11", "ANTI-INFECTIVES"),
    ("12", "CARDIOVASCULAR DRUGS"), ("13", "GASTROINTESTINAL DRUGS"),
    ("14", "RESPIRATORY DRUGS"), ("15", "HORMONES AND ENDOCRINE DRUGS"),
    ("16", "FLUIDS AND ELECTROLYTES"), ("17", "VITAMINS AND MINERALS"),
    ("18", "CENTRAL NERVOUS SYSTEM DRUGS"), ("19", "ANESTHETICS"),
    ("2", "ANTISEPTICS AND DISINFECTANTS"), ("20", "BLOOD AND BLOOD-FORMING AGENTS"),
]
for row in FOR_CLASSIFICATION:
    insert("tbforClassification", *row)

# (generic ID, name, node key); a key without a full stop ("2") and one whose classification
# does not exist ("99.1") are kept on purpose.
GENERICS = [
    ("G01", "PARACETAMOL", "10.1"), ("G02", "IBUPROFEN", "10.2"), ("G03", "KETOROLAC", "10.3"),
    ("G04", "TRAMADOL", "10.4"), ("G05", "MORPHINE SULFATE", "10.5"),
    ("G06", "AMOXICILLIN", "11.1"), ("G07", "CEFUROXIME", "11.2"),
    ("G08", "CEFTRIAXONE", "11.3"), ("G09", "CIPROFLOXACIN", "11.4"),
    ("G10", "METRONIDAZOLE", "11.5"), ("G11", "AMLODIPINE", "12.1"),
    ("G12", "LOSARTAN", "12.2"), ("G13", "FUROSEMIDE", "12.3"), ("G14", "METOPROLOL", "12.4"),
    ("G15", "OMEPRAZOLE", "13.1"), ("G16", "METOCLOPRAMIDE", "13.2"),
    ("G17", "LOPERAMIDE", "13.3"), ("G18", "SALBUTAMOL", "14.1"), ("G19", "BUDESONIDE", "14.2"),
    ("G20", "INSULIN HUMAN", "15.1"), ("G21", "METFORMIN", "15.2"),
    ("G22", "HYDROCORTISONE", "15.3"), ("G23", "SODIUM CHLORIDE", "16.1"),
    ("G24", "DEXTROSE", "16.2"), ("G25", "POTASSIUM CHLORIDE", "16.3"),
    ("G26", "LACTATED RINGER'S SOLUTION", "16.4"), ("G27", "ASCORBIC ACID", "17.1"),
    ("G28", "FERROUS SULFATE", "17.2"), ("G29", "DIAZEPAM", "18.1"),
    ("G30", "LIDOCAINE", "19.1"), ("G31", "POVIDONE-IODINE", "2"),
    ("G32", "HEPARIN SODIUM", "20.1"), ("G33", "CHLORHEXIDINE", "99.1"),
]
for row in GENERICS:
    insert("tbforGeneric", *row)

# (code, name, status, warehouse, dispensing area, may order, inventory type)
LOCATIONS = [
    ("1", "MAIN PHARMACY", "A", 0, 1, True, "M"),
    ("2", "GENERAL STORES WAREHOUSE", "A", 1, 0, True, "S"),
    ("3", "OUTPATIENT PHARMACY", "A", 1, 1, True, "M"),
    ("4", "MEDICAL WARD 2ND FLOOR", "A", 0, 0, True, None),
    ("5", "SURGICAL WARD 3RD FLOOR", "A", 0, 0, True, ""),
    ("6", "PEDIATRIC WARD", "A", 0, 0, True, None),
    ("7", "OB-GYNE WARD", "A", 0, 0, True, "MS"),
    ("8", "OPERATING ROOM", "A", 0, 0, True, "MS"),
    ("9", "EMERGENCY ROOM", "A", 0, 0, True, "MS"),
    ("10", "INTENSIVE CARE UNIT", "A", 0, 0, True, "MS"),
    ("11", "LABORATORY", "A", 0, 0, True, "S"),
    ("12", "RADIOLOGY", "A", 0, 0, True, "S"),
    ("13", "DIETARY", "A", 0, 0, True, "S"),
    ("14", "HOUSEKEEPING", "A", 0, 0, True, "S"),
    ("15", "NURSING SERVICE OFFICE", "A", 0, 0, False, None),
    ("16", "DELIVERY ROOM", "A", 0, 0, True, "MS"),
    ("17", "HEMODIALYSIS UNIT", "A", 0, 0, True, "M"),
    ("18", "OLD ANNEX WARD", "I", 0, 0, False, None),
    ("19", "CENTRAL SUPPLY", "A", 1, 0, True, "A"),
    ("20", "PRIVATE WING 4TH FLOOR", "A", 0, 0, True, None),
    ("21", "ADMINISTRATION OFFICE", "A", 0, 0, False, "S"),
    ("22", "NURSERY", None, 0, 0, True, ""),
]
for row in LOCATIONS:
    insert("tbInvLocation", *row)

# (ID, last, first, middle, password, department, right 1, right 2); passwords listed above.
STAFF = [
    ("E01", "MERCADO", "LORNA", "BAUTISTA", "DEMO", "4", "A", "S"),
    ("E02", "OKAFOR", "GRACE", "ADAEZE", "NURSE", "12", "U", "N"),
    ("E03", "HALVERSEN", "PETER", "JOHAN", "STOCK2026", "4", "A", "N"),
    ("E04", "VILLANUEVA", "ROSARIO", "DIAZ", "PHARM#1", "00", "A", "S"),
    ("E05", "BRENNAN", "THOMAS", "PATRICK", "SUPPLY", "7", "A", "S"),
    ("E06", "NAKAMURA", "KEIKO", "", "WARD4", "12", "U", "N"),
    ("E07", "ADEYEMI", "SAMUEL", "OLU", "ERNURSE", "9", "U", "N"),
    ("E08", "LINDQVIST", "MARTA", "", "LAB2026", "11", "U", "N"),
    ("E09", "CASTILLO", "RAMON", "LUNA", "Verify9", "4", "A", "S"),
    ("E10", "O'CONNELL", "FIONA", "MAE", "ORSUITE", "8", "U", "N"),
    ("E11", "PETROVA", "IRINA", "", "ICU-10", "10", "U", "N"),
    ("E12", "FERREIRA", "JOAO", "MIGUEL", "DIETARY", "13", "U", "N"),
]
for emp, last, first, middle, password, dept, r1, r2 in STAFF:
    insert("tbPasswordMain", emp, last, first, middle, encrypt_text(PASSWORD_KEY, password),
           dept, r1, r2)

# E02 has no settings row on purpose.
for emp, verifies in [("E01", True), ("E03", False), ("E04", True), ("E09", True),
                      ("E05", False)]:
    insert("tbInvUserSettings", emp, verifies)

USER_LOCATIONS = {
    "E01": ["19", "1", "4", "5", "10", "18"],
    "E02": ["6"],
    "E03": ["19", "2"],
    "E04": ["1", "3", "19"],
    "E05": ["19", "2", "14"],
    "E06": ["4", "20"],
    "E07": ["9"],
    "E08": ["11"],
    "E09": ["19", "1", "7", "16"],
    "E10": ["8"],
    "E11": ["10"],
    "E12": ["13"],
}
for emp, locations in USER_LOCATIONS.items():
    for loc in locations:
        insert("tbinvUserLocation", emp, loc)


# --- The item catalogue -----------------------------------------------------------------------
#
# One line per item: name | description | unit | packing | list cost [| oral/inject | generic].
# A leading "!" marks an item no longer carried (ItemStatus 1).

MEDICINES = """
PARACETAMOL 500MG TAB|BLISTER OF 10|TABLET|100|1.2500|O|G01
PARACETAMOL 250MG/5ML SUSP 60ML|BOTTLE|BOTTLE|1|38.5000|O|G01
PARACETAMOL 120MG/5ML SYRUP 60ML|BOTTLE|BOTTLE|1|32.0000|O|G01
PARACETAMOL 150MG/ML 2ML AMP|FOR IM/IV USE|AMPULE|10|18.7500|I|G01
PARACETAMOL 10MG/ML 100ML IV|INFUSION BOTTLE|BOTTLE|1|145.0000|I|G01
IBUPROFEN 200MG TAB|BLISTER OF 10|TABLET|100|2.1000|O|G02
IBUPROFEN 400MG TAB|BLISTER OF 10|TABLET|100|3.4500|O|G02
IBUPROFEN 100MG/5ML SUSP 60ML|BOTTLE|BOTTLE|1|45.0000|O|G02
KETOROLAC 30MG/ML 1ML AMP|FOR IM/IV USE|AMPULE|10|42.0000|I|G03
KETOROLAC 10MG TAB|BLISTER OF 10|TABLET|100|9.7500|O|G03
TRAMADOL 50MG CAP|BLISTER OF 10|CAPSULE|100|6.5000|O|G04
TRAMADOL 50MG/ML 2ML AMP|FOR IM/IV USE|AMPULE|10|35.0000|I|G04
MORPHINE SULFATE 10MG/ML 1ML AMP|DANGEROUS DRUG|AMPULE|10|96.0000|I|G05
MORPHINE SULFATE 30MG TAB|DANGEROUS DRUG|TABLET|30|28.0000|O|G05
AMOXICILLIN 500MG CAP|BLISTER OF 10|CAPSULE|100|3.2500|O|G06
AMOXICILLIN 250MG/5ML SUSP 60ML|POWDER FOR SUSPENSION|BOTTLE|1|55.0000|O|G06
AMOXICILLIN 100MG/ML DROPS 15ML|POWDER FOR DROPS|BOTTLE|1|48.0000|O|G06
CO-AMOXICLAV 625MG TAB|BLISTER OF 7|TABLET|14|38.0000|O|G06
CEFUROXIME 500MG TAB|BLISTER OF 10|TABLET|20|24.0000|O|G07
CEFUROXIME 750MG VIAL|POWDER FOR INJECTION|VIAL|1|165.0000|I|G07
CEFUROXIME 1.5G VIAL|POWDER FOR INJECTION|VIAL|1|295.0000|I|G07
CEFTRIAXONE 1G VIAL|POWDER FOR INJECTION|VIAL|1|120.0000|I|G08
CEFTRIAXONE 500MG VIAL|POWDER FOR INJECTION|VIAL|1|85.0000|I|G08
CEFTRIAXONE 2G VIAL|POWDER FOR INJECTION|VIAL|1|230.0000|I|G08
CIPROFLOXACIN 500MG TAB|BLISTER OF 10|TABLET|100|7.5000|O|G09
CIPROFLOXACIN 200MG/100ML IV|INFUSION BOTTLE|BOTTLE|1|310.0000|I|G09
METRONIDAZOLE 500MG TAB|BLISTER OF 10|TABLET|100|3.0000|O|G10
METRONIDAZOLE 500MG/100ML IV|INFUSION BOTTLE|BOTTLE|1|95.0000|I|G10
METRONIDAZOLE 125MG/5ML SUSP 60ML|BOTTLE|BOTTLE|1|62.0000|O|G10
AMLODIPINE 5MG TAB|BLISTER OF 10|TABLET|100|2.5000|O|G11
AMLODIPINE 10MG TAB|BLISTER OF 10|TABLET|100|4.2500|O|G11
LOSARTAN 50MG TAB|BLISTER OF 10|TABLET|100|5.5000|O|G12
LOSARTAN 100MG TAB|BLISTER OF 10|TABLET|100|9.0000|O|G12
FUROSEMIDE 20MG TAB|BLISTER OF 10|TABLET|100|1.8000|O|G13
FUROSEMIDE 40MG TAB|BLISTER OF 10|TABLET|100|2.6000|O|G13
FUROSEMIDE 10MG/ML 2ML AMP|FOR IM/IV USE|AMPULE|10|16.5000|I|G13
METOPROLOL 50MG TAB|BLISTER OF 10|TABLET|100|3.1000|O|G14
METOPROLOL 100MG TAB|BLISTER OF 10|TABLET|100|5.2000|O|G14
METOPROLOL 1MG/ML 5ML AMP|FOR IV USE|AMPULE|5|145.0000|I|G14
OMEPRAZOLE 20MG CAP|BLISTER OF 10|CAPSULE|100|4.0000|O|G15
OMEPRAZOLE 40MG CAP|BLISTER OF 10|CAPSULE|100|7.2500|O|G15
OMEPRAZOLE 40MG VIAL|POWDER FOR INJECTION|VIAL|1|185.0000|I|G15
METOCLOPRAMIDE 10MG TAB|BLISTER OF 10|TABLET|100|1.9000|O|G16
METOCLOPRAMIDE 5MG/ML 2ML AMP|FOR IM/IV USE|AMPULE|10|14.0000|I|G16
LOPERAMIDE 2MG CAP|BLISTER OF 10|CAPSULE|100|2.2000|O|G17
SALBUTAMOL 2MG TAB|BLISTER OF 10|TABLET|100|1.5000|O|G18
SALBUTAMOL 2MG/5ML SYRUP 60ML|BOTTLE|BOTTLE|1|42.0000|O|G18
SALBUTAMOL 2.5MG/2.5ML NEBULE|FOR NEBULIZATION|PC|20|19.5000|X|G18
SALBUTAMOL 100MCG INHALER|200 DOSES|PC|1|310.0000|X|G18
BUDESONIDE 500MCG/2ML NEBULE|FOR NEBULIZATION|PC|20|68.0000|X|G19
BUDESONIDE 200MCG INHALER|200 DOSES|PC|1|620.0000|X|G19
INSULIN HUMAN REGULAR 100IU/ML 10ML|KEEP REFRIGERATED|VIAL|1|540.0000|I|G20
INSULIN HUMAN ISOPHANE 100IU/ML 10ML|KEEP REFRIGERATED|VIAL|1|560.0000|I|G20
METFORMIN 500MG TAB|BLISTER OF 10|TABLET|100|1.4000|O|G21
METFORMIN 850MG TAB|BLISTER OF 10|TABLET|100|2.3000|O|G21
HYDROCORTISONE 100MG VIAL|POWDER FOR INJECTION|VIAL|1|135.0000|I|G22
HYDROCORTISONE 250MG VIAL|POWDER FOR INJECTION|VIAL|1|260.0000|I|G22
HYDROCORTISONE 1% CREAM 15G|TOPICAL|TUBE|1|85.0000|X|G22
SODIUM CHLORIDE 0.9% 1L|PLAIN NSS|BOTTLE|12|68.0000|I|G23
SODIUM CHLORIDE 0.9% 500ML|PLAIN NSS|BOTTLE|24|52.0000|I|G23
SODIUM CHLORIDE 0.9% 100ML|PLAIN NSS|BOTTLE|48|38.0000|I|G23
SODIUM CHLORIDE 0.9% 10ML FLUSH|PREFILLED|PC|30|22.0000|I|G23
DEXTROSE 5% IN WATER 1L|D5W|BOTTLE|12|70.0000|I|G24
DEXTROSE 5% IN WATER 500ML|D5W|BOTTLE|24|55.0000|I|G24
DEXTROSE 5% IN 0.9% NACL 1L|D5NSS|BOTTLE|12|74.0000|I|G24
DEXTROSE 50% 50ML VIAL|D50W|VIAL|1|48.0000|I|G24
POTASSIUM CHLORIDE 2MEQ/ML 20ML|CONCENTRATE, DILUTE BEFORE USE|VIAL|1|36.0000|I|G25
POTASSIUM CHLORIDE 600MG TAB|SLOW RELEASE|TABLET|100|4.5000|O|G25
LACTATED RINGER'S 1L|PLR|BOTTLE|12|72.0000|I|G26
LACTATED RINGER'S 500ML|PLR|BOTTLE|24|56.0000|I|G26
ASCORBIC ACID 500MG TAB|BLISTER OF 10|TABLET|100|1.1000|O|G27
ASCORBIC ACID 100MG/5ML SYRUP 60ML|BOTTLE|BOTTLE|1|35.0000|O|G27
ASCORBIC ACID 500MG/2ML AMP|FOR IM/IV USE|AMPULE|10|12.0000|I|G27
FERROUS SULFATE 325MG TAB|BLISTER OF 10|TABLET|100|0.9500|O|G28
FERROUS SULFATE DROPS 15ML|BOTTLE|BOTTLE|1|58.0000|O|G28
DIAZEPAM 5MG TAB|DANGEROUS DRUG|TABLET|100|3.8000|O|G29
DIAZEPAM 5MG/ML 2ML AMP|DANGEROUS DRUG|AMPULE|10|45.0000|I|G29
LIDOCAINE 2% 5ML AMP|PLAIN|AMPULE|10|22.0000|I|G30
LIDOCAINE 2% 50ML VIAL|PLAIN, MULTIDOSE|VIAL|1|95.0000|I|G30
LIDOCAINE 2% JELLY 30G|STERILE|TUBE|1|120.0000|X|G30
LIDOCAINE 10% SPRAY 50ML|TOPICAL|BOTTLE|1|780.0000|X|G30
POVIDONE-IODINE 10% SOLUTION 60ML|ANTISEPTIC|BOTTLE|1|48.0000|X|G31
POVIDONE-IODINE 10% SOLUTION 1 GALLON|ANTISEPTIC|BOTTLE|1|1150.0000|X|G31
POVIDONE-IODINE 7.5% SCRUB 1L|SURGICAL SCRUB|BOTTLE|1|640.0000|X|G31
HEPARIN SODIUM 5000IU/ML 5ML|MULTIDOSE|VIAL|1|380.0000|I|G32
HEPARIN SODIUM 1000IU/ML 5ML|MULTIDOSE|VIAL|1|210.0000|I|G32
CHLORHEXIDINE 4% SCRUB 500ML|SURGICAL SCRUB|BOTTLE|1|390.0000|X|G33
CHLORHEXIDINE 0.12% MOUTHWASH 250ML|ORAL RINSE|BOTTLE|1|165.0000|X|G33
ORAL REHYDRATION SALTS 20.5G|FOR 1 LITER|SACHET|100|9.0000|O|
MULTIVITAMINS SYRUP 120ML|BOTTLE|BOTTLE|1|75.0000|O|
SILVER SULFADIAZINE 1% CREAM 25G|TOPICAL|TUBE|1|155.0000|X|
MUPIROCIN 2% OINTMENT 15G|TOPICAL|TUBE|1|240.0000|X|
ONDANSETRON 2MG/ML 4ML AMP|FOR IM/IV USE|AMPULE|5|68.0000|I|
DEXAMETHASONE 4MG/ML 1ML AMP|FOR IM/IV USE|AMPULE|10|18.0000|I|
EPINEPHRINE 1MG/ML 1ML AMP|EMERGENCY DRUG|AMPULE|10|32.0000|I|
ATROPINE SULFATE 1MG/ML 1ML AMP|EMERGENCY DRUG|AMPULE|10|24.0000|I|
OXYTOCIN 10IU/ML 1ML AMP|KEEP REFRIGERATED|AMPULE|10|38.0000|I|
MAGNESIUM SULFATE 50% 2ML AMP|FOR IM/IV USE|AMPULE|10|26.0000|I|
TETANUS TOXOID 0.5ML VIAL|KEEP REFRIGERATED|VIAL|1|85.0000|I|
PHYTOMENADIONE 10MG/ML 1ML AMP|VITAMIN K1|AMPULE|10|42.0000|I|
CLINDAMYCIN 300MG CAP|BLISTER OF 10|CAPSULE|100|14.5000|O|
AZITHROMYCIN 500MG TAB|BLISTER OF 3|TABLET|3|52.0000|O|
CLOPIDOGREL 75MG TAB|BLISTER OF 10|TABLET|100|12.0000|O|
ATORVASTATIN 20MG TAB|BLISTER OF 10|TABLET|100|8.5000|O|
ASPIRIN 80MG TAB|BLISTER OF 10|TABLET|100|0.8500|O|
ISOSORBIDE DINITRATE 5MG SL TAB|SUBLINGUAL|TABLET|100|3.6000|O|
CETIRIZINE 10MG TAB|BLISTER OF 10|TABLET|100|1.7500|O|
LORATADINE 10MG TAB|BLISTER OF 10|TABLET|100|2.0000|O|
ALUMINUM + MAGNESIUM HYDROXIDE SUSP 120ML|ANTACID|BOTTLE|1|68.0000|O|
!RANITIDINE 150MG TAB|WITHDRAWN FROM USE|TABLET|100|2.4000|O|
!CHLORAMPHENICOL 1G VIAL|NO LONGER STOCKED|VIAL|1|98.0000|I|
"""

SUPPLIES = """
GAUZE 4X4 STERILE|PACK OF 10|PACK|50|18.0000
GAUZE 4X4 NON-STERILE|PACK OF 100|PACK|20|95.0000
GAUZE ROLL 36IN X 100YDS|NON-STERILE|ROLL|1|520.0000
COTTON BALLS 300S|NON-STERILE|PACK|24|65.0000
COTTON ROLL 400G|ABSORBENT|ROLL|12|145.0000
SYRINGE 1CC TUBERCULIN|WITH NEEDLE G26|PC|100|4.5000
SYRINGE 3CC|WITH NEEDLE G23|PC|100|4.0000
SYRINGE 5CC|WITH NEEDLE G23|PC|100|4.5000
SYRINGE 10CC|WITH NEEDLE G21|PC|100|6.0000
SYRINGE 20CC|WITHOUT NEEDLE|PC|50|9.5000
SYRINGE 50CC LUER LOCK|FOR SYRINGE PUMP|PC|25|28.0000
INSULIN SYRINGE 1CC 100U|WITH NEEDLE G30|PC|100|6.5000
HYPODERMIC NEEDLE G18|1 1/2 IN|PC|100|2.0000
HYPODERMIC NEEDLE G21|1 1/2 IN|PC|100|2.0000
HYPODERMIC NEEDLE G23|1 IN|PC|100|2.0000
HYPODERMIC NEEDLE G25|5/8 IN|PC|100|2.2000
IV CANNULA G16|GREY|PC|50|38.0000
IV CANNULA G18|GREEN|PC|50|32.0000
IV CANNULA G20|PINK|PC|50|30.0000
IV CANNULA G22|BLUE|PC|50|30.0000
IV CANNULA G24|YELLOW|PC|50|34.0000
IV ADMINISTRATION SET MACRO|20 DROPS/ML|SET|50|42.0000
IV ADMINISTRATION SET MICRO|60 DROPS/ML|SET|50|48.0000
BLOOD TRANSFUSION SET|WITH FILTER|SET|25|85.0000
IV EXTENSION SET 150CM|LUER LOCK|SET|50|36.0000
THREE-WAY STOPCOCK|LUER LOCK|PC|50|22.0000
SURGICAL GLOVES STERILE 6.5|POWDERED|PAIR|50|19.0000
SURGICAL GLOVES STERILE 7|POWDERED|PAIR|50|19.0000
SURGICAL GLOVES STERILE 7.5|POWDERED|PAIR|50|19.0000
SURGICAL GLOVES STERILE 8|POWDERED|PAIR|50|19.0000
EXAMINATION GLOVES LATEX SMALL|BOX OF 100|BOX|10|320.0000
EXAMINATION GLOVES LATEX MEDIUM|BOX OF 100|BOX|10|320.0000
EXAMINATION GLOVES LATEX LARGE|BOX OF 100|BOX|10|320.0000
EXAMINATION GLOVES NITRILE MEDIUM|BOX OF 100|BOX|10|450.0000
FACE MASK SURGICAL 3-PLY|BOX OF 50|BOX|20|180.0000
N95 RESPIRATOR MASK|INDIVIDUALLY PACKED|PC|20|65.0000
SURGICAL CAP DISPOSABLE|PACK OF 100|PACK|10|210.0000
SHOE COVER DISPOSABLE|PACK OF 100|PACK|10|230.0000
SURGICAL GOWN STERILE LARGE|REINFORCED|PC|20|185.0000
SURGICAL GOWN STERILE XL|REINFORCED|PC|20|195.0000
ISOLATION GOWN DISPOSABLE|NON-STERILE|PC|50|45.0000
FOLEY CATHETER 2-WAY FR 12|LATEX, 5-15ML BALLOON|PC|10|48.0000
FOLEY CATHETER 2-WAY FR 14|LATEX, 5-15ML BALLOON|PC|10|48.0000
FOLEY CATHETER 2-WAY FR 16|LATEX, 5-15ML BALLOON|PC|10|48.0000
FOLEY CATHETER 2-WAY FR 18|LATEX, 5-15ML BALLOON|PC|10|50.0000
URINE BAG 2000ML|WITH OUTLET|PC|50|32.0000
NASOGASTRIC TUBE FR 10|PVC|PC|50|24.0000
NASOGASTRIC TUBE FR 12|PVC|PC|50|24.0000
NASOGASTRIC TUBE FR 16|PVC|PC|50|26.0000
SUCTION CATHETER FR 10|WITH CONTROL VALVE|PC|100|15.0000
SUCTION CATHETER FR 12|WITH CONTROL VALVE|PC|100|15.0000
SUCTION CATHETER FR 14|WITH CONTROL VALVE|PC|100|16.0000
ENDOTRACHEAL TUBE 6.5 CUFFED|STERILE|PC|10|95.0000
ENDOTRACHEAL TUBE 7.0 CUFFED|STERILE|PC|10|95.0000
ENDOTRACHEAL TUBE 7.5 CUFFED|STERILE|PC|10|95.0000
OXYGEN NASAL CANNULA ADULT|2M TUBING|PC|50|28.0000
OXYGEN NASAL CANNULA PEDIA|2M TUBING|PC|50|30.0000
OXYGEN FACE MASK ADULT|WITH TUBING|PC|50|45.0000
OXYGEN FACE MASK PEDIA|WITH TUBING|PC|50|45.0000
NEBULIZER KIT ADULT|MASK AND CUP|SET|50|55.0000
SUTURE SILK 2-0|CUTTING NEEDLE|PC|12|65.0000
SUTURE SILK 3-0|CUTTING NEEDLE|PC|12|65.0000
SUTURE CHROMIC 0|TAPER NEEDLE|PC|12|85.0000
SUTURE CHROMIC 2-0|TAPER NEEDLE|PC|12|85.0000
SUTURE NYLON 3-0|CUTTING NEEDLE|PC|12|70.0000
SUTURE NYLON 4-0|CUTTING NEEDLE|PC|12|70.0000
SUTURE POLYGLACTIN 2-0|ABSORBABLE, TAPER NEEDLE|PC|12|210.0000
SURGICAL BLADE NO. 10|STERILE, CARBON STEEL|PC|100|6.0000
SURGICAL BLADE NO. 11|STERILE, CARBON STEEL|PC|100|6.0000
SURGICAL BLADE NO. 15|STERILE, CARBON STEEL|PC|100|6.0000
SURGICAL BLADE NO. 22|STERILE, CARBON STEEL|PC|100|6.0000
ISOPROPYL ALCOHOL 70% 500ML|ANTISEPTIC|BOTTLE|24|58.0000
ISOPROPYL ALCOHOL 70% 1 GALLON|ANTISEPTIC|BOTTLE|4|320.0000
MICROPORE TAPE 1IN|PAPER TAPE, 10YDS|ROLL|12|38.0000
MICROPORE TAPE 1/2IN|PAPER TAPE, 10YDS|ROLL|24|22.0000
ADHESIVE PLASTER 1IN X 5YDS|ZINC OXIDE|ROLL|12|45.0000
ELASTIC BANDAGE 2IN|WITH CLIPS|ROLL|12|35.0000
ELASTIC BANDAGE 4IN|WITH CLIPS|ROLL|12|48.0000
ELASTIC BANDAGE 6IN|WITH CLIPS|ROLL|12|62.0000
TRANSPARENT IV DRESSING 6X7CM|STERILE|PC|100|18.0000
ALCOHOL PREP PAD|BOX OF 100|BOX|10|85.0000
UMBILICAL CORD CLAMP|STERILE|PC|100|8.0000
UNDERPAD 60X90CM|PACK OF 10|PACK|20|120.0000
ADULT DIAPER LARGE|PACK OF 10|PACK|10|260.0000
TONGUE DEPRESSOR WOODEN|PACK OF 100|PACK|10|55.0000
ECG ELECTRODE ADULT|PACK OF 50|PACK|10|190.0000
ECG PAPER 80MM X 20M|THERMAL|ROLL|10|95.0000
SAFETY LANCET 28G|BOX OF 100|BOX|10|240.0000
SHARPS CONTAINER 1.5L|PUNCTURE PROOF|PC|20|75.0000
SHARPS CONTAINER 5L|PUNCTURE PROOF|PC|10|140.0000
SKIN STAPLER 35W|DISPOSABLE|PC|5|650.0000
CHEST TUBE FR 28|WITH TROCAR|PC|5|420.0000
SPINAL NEEDLE G25|QUINCKE|PC|25|95.0000
SPINAL NEEDLE G27|PENCIL POINT|PC|25|185.0000
!MERCURY THERMOMETER ORAL|PHASED OUT|PC|12|45.0000
"""

LABORATORY = """
VACUUM TUBE EDTA 3ML|LAVENDER TOP|PC|100|9.0000
VACUUM TUBE PLAIN 5ML|RED TOP|PC|100|8.5000
VACUUM TUBE SODIUM CITRATE 2.7ML|LIGHT BLUE TOP|PC|100|11.0000
VACUUM TUBE LITHIUM HEPARIN 4ML|GREEN TOP|PC|100|12.0000
VACUUM TUBE SODIUM FLUORIDE 2ML|GREY TOP|PC|100|11.5000
BLOOD COLLECTION NEEDLE G21|MULTI-SAMPLE|PC|100|7.0000
TUBE HOLDER|REUSABLE|PC|50|12.0000
MICROSCOPE SLIDES FROSTED|BOX OF 72|BOX|10|115.0000
COVER SLIPS 22X22MM|BOX OF 100|BOX|10|68.0000
URINE SPECIMEN CUP 60ML|STERILE|PC|100|6.5000
STOOL SPECIMEN CONTAINER|WITH SPOON|PC|100|5.5000
PIPETTE TIPS 200UL YELLOW|PACK OF 1000|PACK|5|380.0000
PIPETTE TIPS 1000UL BLUE|PACK OF 1000|PACK|5|420.0000
GLUCOSE TEST STRIPS|BOX OF 50|BOX|10|720.0000
URINALYSIS REAGENT STRIPS 10 PARAMETERS|BOTTLE OF 100|BOTTLE|5|1250.0000
PREGNANCY TEST CASSETTE|HCG, INDIVIDUALLY PACKED|PC|50|28.0000
ANTI-A BLOOD GROUPING SERUM 10ML|MONOCLONAL|VIAL|1|420.0000
ANTI-B BLOOD GROUPING SERUM 10ML|MONOCLONAL|VIAL|1|420.0000
ANTI-D BLOOD GROUPING SERUM 10ML|MONOCLONAL|VIAL|1|680.0000
GIEMSA STAIN 500ML|STOCK SOLUTION|BOTTLE|1|890.0000
GRAM STAIN SET|4 X 250ML|SET|1|1450.0000
IMMERSION OIL 100ML|FOR MICROSCOPY|BOTTLE|1|350.0000
HEPARINIZED CAPILLARY TUBES|VIAL OF 100|VIAL|10|165.0000
CAPILLARY TUBE SEALANT|TRAY|PC|5|140.0000
TOURNIQUET QUICK RELEASE|REUSABLE|PC|10|85.0000
HBSAG RAPID TEST|BOX OF 25|BOX|4|1350.0000
DENGUE NS1 RAPID TEST|BOX OF 25|BOX|4|4250.0000
"""

OFFICE = """
BOND PAPER A4 70GSM|500 SHEETS|REAM|10|235.0000
BOND PAPER LEGAL 70GSM|500 SHEETS|REAM|10|265.0000
BALLPOINT PEN BLACK|BOX OF 50|BOX|10|320.0000
BALLPOINT PEN BLUE|BOX OF 50|BOX|10|320.0000
PENCIL NO. 2|BOX OF 12|BOX|20|72.0000
PERMANENT MARKER BLACK|BROAD TIP|PC|12|38.0000
WHITEBOARD MARKER BLUE|REFILLABLE|PC|12|42.0000
STAPLER STANDARD|METAL|PC|6|185.0000
STAPLE WIRE NO. 35|BOX OF 5000|BOX|20|48.0000
PAPER CLIPS 33MM|BOX OF 100|BOX|20|22.0000
FOLDER LEGAL SIZE|PACK OF 100|PACK|5|395.0000
PAPER FASTENER METAL|BOX OF 50|BOX|20|65.0000
RECORD BOOK 300 PAGES|HARD COVER|PC|12|135.0000
CORRECTION TAPE 5MM|6M|PC|12|45.0000
PRINTER INK BLACK 70ML|REFILL BOTTLE|BOTTLE|6|380.0000
TONER CARTRIDGE LASER BLACK|HIGH YIELD|PC|2|2850.0000
ENVELOPE LEGAL BROWN|PACK OF 50|PACK|10|125.0000
STICKY NOTES 3X3IN|PAD OF 100|PC|24|35.0000
CLEAR TAPE 1IN|50M|ROLL|24|28.0000
CARBON PAPER LEGAL|BOX OF 100|BOX|5|260.0000
"""

HOUSEKEEPING = """
HOSPITAL DISINFECTANT 1 GALLON|QUATERNARY AMMONIUM|GALLON|4|680.0000
SODIUM HYPOCHLORITE 5% 1 GALLON|BLEACH|GALLON|4|165.0000
LIQUID HAND SOAP 1L|ANTIBACTERIAL|BOTTLE|12|135.0000
DISHWASHING LIQUID 1L|LEMON|BOTTLE|12|95.0000
GARBAGE BAG BLACK XL|PACK OF 10|PACK|20|65.0000
GARBAGE BAG YELLOW XL|INFECTIOUS WASTE, PACK OF 10|PACK|20|85.0000
GARBAGE BAG GREEN XL|BIODEGRADABLE, PACK OF 10|PACK|20|72.0000
TOILET TISSUE 2-PLY|ROLL|ROLL|48|14.0000
PAPER TOWEL MULTIFOLD|PACK OF 150|PACK|24|48.0000
MOP HEAD COTTON 400G|REPLACEMENT|PC|12|145.0000
SOFT BROOM|NYLON BRISTLES|PC|6|120.0000
DUSTPAN WITH HANDLE|PLASTIC|PC|6|95.0000
HOUSEHOLD RUBBER GLOVES MEDIUM|REUSABLE|PAIR|12|55.0000
SCOURING PAD|PACK OF 10|PACK|12|60.0000
ALCOHOL HAND RUB 500ML|WITH PUMP|BOTTLE|12|185.0000
GLASS CLEANER 500ML|SPRAY BOTTLE|BOTTLE|12|98.0000
FLOOR WAX 1 GALLON|PASTE|GALLON|4|420.0000
"""

DIETARY = """
ENTERAL FORMULA STANDARD 400G|POWDER|PC|12|520.0000
ENTERAL FORMULA DIABETIC 400G|POWDER|PC|12|690.0000
INFANT FORMULA 0-6 MONTHS 400G|POWDER|PC|12|450.0000
INFANT FORMULA 6-12 MONTHS 400G|POWDER|PC|12|430.0000
RICE WELL-MILLED 25KG|SACK|PACK|1|1150.0000
WHITE SUGAR 1KG|REFINED|PACK|20|78.0000
IODIZED SALT 1KG|FINE|PACK|20|32.0000
COOKING OIL 1L|VEGETABLE|BOTTLE|12|110.0000
EVAPORATED MILK 370ML|CAN|PC|48|42.0000
ROLLED OATS 800G|QUICK COOKING|PACK|12|165.0000
WHOLE WHEAT BREAD LOAF|SLICED|PC|10|75.0000
FRESH EGGS TRAY|30 PIECES|PACK|10|240.0000
DISPOSABLE CUPS 8OZ|PACK OF 50|PACK|20|65.0000
DISPOSABLE SPOONS|PACK OF 100|PACK|20|70.0000
CLING WRAP 30CM X 300M|FOOD GRADE|ROLL|6|385.0000
"""

EQUIPMENT = """
BLOOD PRESSURE APPARATUS ANEROID|ADULT CUFF|SET|1|1850.0000
STETHOSCOPE DUAL HEAD ADULT|STAINLESS|PC|1|1250.0000
PULSE OXIMETER FINGERTIP|BATTERY OPERATED|PC|1|1600.0000
DIGITAL THERMOMETER|ORAL/AXILLARY|PC|10|145.0000
WHEELCHAIR STANDARD ADULT|FOLDING|PC|1|8500.0000
IV STAND STAINLESS|4 HOOKS, CASTERS|PC|1|2400.0000
SUCTION MACHINE PORTABLE|ELECTRIC|PC|1|18500.0000
NEBULIZER MACHINE|COMPRESSOR TYPE|PC|1|2650.0000
INFUSION PUMP VOLUMETRIC|SINGLE CHANNEL|PC|1|65000.0000
GLUCOMETER|WITH LANCING DEVICE|PC|1|1450.0000
"""

RADIOLOGY = """
X-RAY FILM 14X17IN|BOX OF 100|BOX|1|6850.0000
X-RAY FILM 10X12IN|BOX OF 100|BOX|1|4200.0000
X-RAY FILM 8X10IN|BOX OF 100|BOX|1|3100.0000
X-RAY DEVELOPER 1 GALLON|READY TO USE|GALLON|4|950.0000
!X-RAY FIXER 1 GALLON|NO LONGER STOCKED|GALLON|4|880.0000
IOHEXOL 300MGI/ML 50ML|CONTRAST MEDIUM|BOTTLE|1|1650.0000
BARIUM SULFATE 95% 300G|CONTRAST POWDER|PACK|1|540.0000
ULTRASOUND GEL 5L|WATER BASED|GALLON|1|620.0000
ULTRASOUND GEL 250ML|WATER BASED|BOTTLE|12|95.0000
ULTRASOUND THERMAL PAPER 110MM|ROLL|ROLL|10|420.0000
ECG CONTACT GEL 250ML|WATER BASED|BOTTLE|12|110.0000
"""

# class -> (catalogue, distributor codes, manufacturer codes, markup in, markup out)
CATALOGUE = [
    ("A", MEDICINES, ["2", "1"], ["11", "12", "14"], 20, 30),
    ("B", SUPPLIES, ["1", "3", "10"], ["13", "16"], 15, 25),
    ("C", LABORATORY, ["4"], ["15", "13"], 15, 25),
    ("D", OFFICE, ["5"], ["5"], 10, 10),
    ("E", HOUSEKEEPING, ["6"], ["6"], 10, 10),
    ("F", DIETARY, ["7"], ["7"], 10, 15),
    ("G", EQUIPMENT, ["9"], ["13"], 0, 0),
    ("H", RADIOLOGY, ["8"], ["15", "11"], 15, 25),
]

used_barcodes = set()


def ean13():
    while True:
        digits = [2, rng.randint(0, 9)] + [rng.randint(0, 9) for _ in range(10)]
        total = sum(d * (3 if i % 2 else 1) for i, d in enumerate(digits))
        code = "".join(map(str, digits)) + str((10 - total % 10) % 10)
        if code not in used_barcodes:
            used_barcodes.add(code)
            return code


class Item:
    pass


ITEMS = []
BY_NAME = {}


def add_item(cls, name, desc, unit, packing, cost, oral, generic, status, dist, manu, mk_in,
             mk_out, kit=None):
    item = Item()
    item.id = str(1001 + len(ITEMS))
    item.name, item.desc, item.cls = name, desc, cls
    item.unit, item.packing = UOM_ID[unit], packing
    item.list_cost = money(cost)
    # The average cost drifts a little from the list price, as deliveries come at other prices.
    item.average_cost = money(Decimal(cost) * Decimal(rng.randint(9300, 10400)) / 10000)
    item.oral, item.generic, item.status = oral, generic, status
    item.supplier, item.manufacturer = dist, manu
    item.markup_in, item.markup_out = mk_in, mk_out
    item.kit = kit
    item.barcode = None if rng.random() < 0.12 else ean13()
    assert name not in BY_NAME, name
    assert len(item.id) <= 4
    BY_NAME[name] = item
    ITEMS.append(item)
    return item


for cls, text, dists, manus, mk_in, mk_out in CATALOGUE:
    for line in text.strip().splitlines():
        status = 0
        if line.startswith("!"):
            status, line = 1, line[1:]
        parts = line.split("|")
        name, desc, unit, packing, cost = parts[:5]
        oral = parts[5] if len(parts) > 5 else "X"
        generic = parts[6] if len(parts) > 6 and parts[6] else None
        add_item(cls, name, desc, unit, int(packing), cost, oral, generic, status,
                 rng.choice(dists), rng.choice(manus), mk_in, mk_out)

# The two kits: a kit item carries the KitID; its members are ordinary items.
KITS = [
    ("K1", "IV START KIT", "CANNULA, DRESSING, SWABS, TAPE", [
        ("IV CANNULA G22", 1, "N", "A"),
        ("TRANSPARENT IV DRESSING 6X7CM", 1, "N", "A"),
        ("ALCOHOL PREP PAD", 2, "N", "A"),
        ("MICROPORE TAPE 1/2IN", 1, "Y", "A"),
    ]),
    ("K2", "SUTURE SET", "MINOR LACERATION REPAIR", [
        ("SUTURE NYLON 3-0", 1, "Y", "A"),
        ("SURGICAL BLADE NO. 15", 1, "N", "A"),
        ("GAUZE 4X4 STERILE", 2, "N", "A"),
        ("LIDOCAINE 2% 5ML AMP", 1, "Y", "A"),
        ("POVIDONE-IODINE 10% SOLUTION 60ML", 1, "N", "I"),
    ]),
]
KIT_ITEMS = []
for kit_id, name, desc, members in KITS:
    cost = sum(BY_NAME[m].average_cost.value * q for m, q, _, a in members if a == "A")
    kit = add_item("B", name, desc, "SET", 1, str(cost * Decimal("1.05")), "X", None, 0, "3",
                   "13", 15, 25, kit=kit_id)
    kit.average_cost = money(cost)  # a kit costs what its active members cost
    KIT_ITEMS.append(kit)

for item in ITEMS:
    medicine = item.cls == "A"
    insert("tbInvMaster", item.id, item.name, item.desc, item.supplier, item.manufacturer,
           item.markup_in, item.markup_out, 0.0, item.list_cost, 0.0, 0.0, item.status,
           item.packing, 0, item.barcode, item.cls, None,
           item.unit, item.oral, item.average_cost, item.generic,
           medicine and item.status == 0, medicine and item.oral in ("I", "O"),
           "Y" if medicine else "N", "A", GL_CODE[item.cls], True, item.kit)

for kit_id, _, _, members in KITS:
    for name, quantity, retail, active in members:
        insert("tbInvKit", kit_id, BY_NAME[name].id, float(quantity), retail, active)


# --- Stock cards ------------------------------------------------------------------------------

TODAY = day(2026, 12, 1)
COUNT_DATE = day(2026, 10, 31)


def stock_card(item, location, on_hand, status=0, ads=0.0, window=("", "")):
    min_level = float(max(1, round(on_hand * rng.choice([0.2, 0.25, 0.3]))))
    cost = item.average_cost
    net = cost * on_hand if on_hand > 0 else money(0)
    expiry = None
    if item.cls == "A":
        expiry = day(2027 + rng.randint(0, 2), rng.randint(1, 12), 1)
    delivered = rng.random() < 0.7
    qty = float(max(1, round(on_hand * rng.choice([0.5, 1, 1.5])))) if delivered else None
    when = (TODAY - dt.timedelta(days=rng.randint(3, 80), hours=rng.randint(0, 8)))
    when = when.replace(hour=9 + when.hour % 8, minute=rng.choice([0, 15, 30, 45]))
    floor_on = rng.random() < 0.1
    insert("tbInvent", item.id, location, float(on_hand), 0.0, min_level,
           item.markup_in, item.markup_out, net,
           cost * (1 + item.markup_in / 100), cost * (1 + item.markup_out / 100),
           status, cost, float(round(on_hand / rng.choice([4, 6, 8]), 1)),
           COUNT_DATE if rng.random() < 0.6 else None, expiry, GL_CODE[item.cls],
           float(rng.choice([0, 1, 2])), False, window[0], window[1],
           min_level if floor_on else 0.0, min_level * 4 if floor_on else 0.0,
           floor_on, floor_on, ads > 0, float(ads), qty, when if delivered else None)


def quantity_for(item, big):
    base = {"TABLET": 800, "CAPSULE": 600, "AMPULE": 120, "VIAL": 60, "PC": 150}
    unit = UOM[item.unit - 1]
    top = base.get(unit, 40)
    if not big:
        top = max(5, top // 6)
    if item.list_cost.value > 1000:
        top = max(3, top // 10)
    return rng.randint(max(2, top // 5), top)


by_class = {}
for item in ITEMS:
    by_class.setdefault(item.cls, []).append(item)
carried = [i for i in ITEMS if i.status == 0]

# Central supply carries nearly everything; a few items have run out, one is over-issued, a few
# are ADS stock, a few have a stocking window.
not_at_central = set(rng.sample([i.id for i in carried if i.cls in "DEF"], 8))
special = rng.sample([i for i in carried if i.cls in "AB" and i.kit is None], 24)
zero_stock = {i.id for i in special[:4]}
negative_stock = special[4].id
ads_stock = {i.id for i in special[5:19]}
windowed = {i.id: w for i, w in zip(special[19:24], [
    ("01/01/2026", "12/31/2026"), ("07/01/2026", ""), ("", "06/30/2027"),
    ("10/15/2026", "04/15/2027"), ("01/01/2026", "12/31/2026")])}
for item in ITEMS:
    if item.id in not_at_central:
        continue
    on_hand = quantity_for(item, True)
    if item.id in zero_stock:
        on_hand = 0
    elif item.id == negative_stock:
        on_hand = -2
    ads = float(rng.randint(5, 40)) if item.id in ads_stock else 0.0
    stock_card(item, "19", on_hand, status=item.status, ads=ads,
               window=windowed.get(item.id, ("", "")))

# Pharmacies: medicines and the injection supplies.
injection_supplies = [i for i in by_class["B"]
                      if i.name.startswith(("SYRINGE", "HYPODERMIC", "IV ", "INSULIN SYRINGE",
                                            "ALCOHOL PREP"))]
for item in by_class["A"] + injection_supplies:
    stock_card(item, "1", quantity_for(item, True), status=item.status)
for item in [i for i in by_class["A"] if i.oral == "O" and i.status == 0]:
    stock_card(item, "3", quantity_for(item, False))

# The general stores warehouse: office, housekeeping, dietary and equipment.
for cls in "DEFG":
    for item in by_class[cls]:
        stock_card(item, "2", quantity_for(item, True), status=item.status)

# Wards and special areas: a share of the medicines and supplies each.
AREAS = [("4", 0.35), ("5", 0.35), ("6", 0.25), ("7", 0.25), ("20", 0.2), ("22", 0.12),
         ("8", 0.45), ("9", 0.5), ("10", 0.45), ("16", 0.3), ("17", 0.2)]
WARD_BASICS = [BY_NAME[name] for name in [
    "PARACETAMOL 500MG TAB", "PARACETAMOL 150MG/ML 2ML AMP", "SODIUM CHLORIDE 0.9% 1L",
    "DEXTROSE 5% IN WATER 1L", "LACTATED RINGER'S 1L", "GAUZE 4X4 STERILE", "SYRINGE 3CC",
    "SYRINGE 5CC", "IV CANNULA G20", "IV CANNULA G22", "IV ADMINISTRATION SET MACRO",
    "MICROPORE TAPE 1IN", "EXAMINATION GLOVES LATEX MEDIUM", "ALCOHOL PREP PAD"]]
ward_pool = [i for i in ITEMS
             if i.cls in "AB" and i.status == 0 and i.kit is None and i not in WARD_BASICS]
for loc, share in AREAS:
    chosen = WARD_BASICS + rng.sample(ward_pool, int(len(ward_pool) * share))
    if loc in ("4", "5", "8", "9"):
        chosen += KIT_ITEMS
    chosen.sort(key=lambda i: int(i.id))
    for n, item in enumerate(chosen):
        # Now and then an item has been dropped from a ward's list.
        status = 1 if n % 37 == 36 else 0
        stock_card(item, loc, quantity_for(item, False), status=status)
for loc, cls in [("11", "C"), ("12", "H"), ("13", "F"), ("14", "E"), ("21", "D")]:
    for item in by_class[cls]:
        if item.status == 0:
            stock_card(item, loc, quantity_for(item, False))

# The items each location carries as active stock cards, by item code.
STOCKED = {}
for name, values in ROWS:
    if name == "tbInvent" and values[10] == 0:
        STOCKED.setdefault(values[1], set()).add(values[0])


# --- Saved requests ---------------------------------------------------------------------------

# (number, from, to, user, date, status, processed, verified by, verified date, remarks, lines)
REQUESTS = [
    ("1", "19", "4", "E01", day(2026, 11, 2, 8, 40), "P", day(2026, 11, 3, 10, 5), "E01",
     day(2026, 11, 2, 15, 20), "WARD STOCK REPLENISHMENT", 5),
    ("2", "19", "9", "E07", day(2026, 11, 4, 22, 15), "P", day(2026, 11, 5, 9, 30), "E09",
     day(2026, 11, 5, 7, 45), "ER RESTOCK AFTER NIGHT SHIFT", 4),
    ("3", "1", "10", "E11", day(2026, 11, 6, 14, 0), "P", day(2026, 11, 7, 8, 10), None,
     None, "ICU MEDICINE REQUIREMENT", 3),
    ("4", "19", "5", "E01", day(2026, 11, 9, 9, 25), "D", day(2026, 11, 9, 11, 0), None, None,
     "WARD STOCK REPLENISHMENT", 2),
    ("5", "19", "8", "E10", day(2026, 11, 12, 7, 50), None, None, "E01",
     day(2026, 11, 12, 13, 35), "SCHEDULED SURGERIES THIS WEEK", 6),
    ("6", "19", "6", "E02", day(2026, 11, 16, 10, 5), "", None, "E04",
     day(2026, 11, 16, 16, 0), "PEDIA WARD MONTHLY STOCK", 3),
    ("7", "19", "4", "E06", day(2026, 11, 19, 11, 30), None, None, None, None,
     "WARD STOCK REPLENISHMENT", 4),
    ("8", "19", "10", "E11", day(2026, 11, 21, 23, 10), "", None, "", None,
     "URGENT: VENTILATED PATIENTS", 2),
    ("9", "1", "5", "E01", day(2026, 11, 23, 9, 0), "D", day(2026, 11, 23, 9, 45), None,
     None, "DUPLICATE REQUEST", 1),
    ("10", "1", "6", "E02", day(2026, 11, 25, 15, 40), None, None, None, None,
     "MEDICINES FOR ADMITTED PATIENTS", 3),
    ("11", "1", "4", "E06", day(2026, 11, 27, 8, 15), None, None, "E09",
     day(2026, 11, 27, 14, 50), "WARD'S EMERGENCY CART REFILL", 4),
    ("12", "19", "5", "E01", day(2026, 11, 30, 13, 20), None, None, None, None,
     "WARD STOCK REPLENISHMENT", 5),
]
for number, source, target, user, when, status, processed, verifier, verified, remarks, n in \
        REQUESTS:
    # Lines are items the supplying location carries and the department stocks.
    pool = sorted(STOCKED[source] & STOCKED[target], key=int)
    pool = [i for i in pool if ITEMS[int(i) - 1001].status == 0]
    for item_id in rng.sample(pool, n):
        item = ITEMS[int(item_id) - 1001]
        retail = "Y" if item.cls == "A" and rng.random() < 0.6 else "N"
        quantity = money(rng.choice([2, 5, 10, 12, 20, 24, 30, 50]))
        process_by = user if status == "D" else ("E03" if status == "P" else None)
        insert("tbInvWithdrawRequest", number, item_id, quantity, item.average_cost, retail,
               False, source, target, when, user, remarks, status, processed, process_by,
               verifier, verified)

# One ADS line: a request drawn from central supply's ADS stock.
in_last_request = {values[1] for name, values in ROWS
                   if name == "tbInvWithdrawRequest" and values[0] == "12"}
ads_item = next(i for i in ITEMS if i.id in ads_stock and i.id in STOCKED["5"]
                and i.id not in in_last_request)
insert("tbInvWithdrawRequest", "12", ads_item.id, money(5), ads_item.average_cost, "N", True,
       "19", "5", day(2026, 11, 30, 13, 20), "E01", "WARD STOCK REPLENISHMENT", None, None, None,
       None, None)


# --- Output -----------------------------------------------------------------------------------

HEADER = [
    "-- The demo hospital's data. Generated by tools/gen_demo_data.py; edit the generator, not",
    "-- this file.",
]


def statement(name, values, dialect):
    database, columns = TABLES[name]
    target = "%s.dbo.%s" % (database, name) if dialect == "mssql" else name
    return "INSERT INTO %s (%s) VALUES (%s);" % (
        target, ", ".join(columns), ", ".join(literal(v, dialect) for v in values))


def write(path, dialect):
    lines = list(HEADER)
    if dialect == "mssql":
        lines += ["-- Run after 01_create_databases.sql and 02_schema.sql, on empty tables.",
                  "SET NOCOUNT ON;", "GO"]
    previous = None
    for n, (name, values) in enumerate(ROWS):
        if name != previous:
            lines += ["", "-- " + name]
            previous = name
        lines.append(statement(name, values, dialect))
        if dialect == "mssql" and (n + 1) % MSSQL_BATCH == 0:
            lines.append("GO")
    if dialect == "mssql":
        lines.append("GO")
    if dialect == "postgresql":
        lines[len(HEADER):len(HEADER)] = [
            "-- Run last, after 01_schema.sql and 02_functions.sql, on empty tables:",
            "--   psql -v ON_ERROR_STOP=1 -d inventory -f 03_demo_data.sql",
            "BEGIN;"]
        lines.append("COMMIT;")
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def main():
    write(SQLITE_OUT, "sqlite")
    write(MSSQL_OUT, "mssql")
    write(POSTGRESQL_OUT, "postgresql")
    counts = {}
    for name, _ in ROWS:
        counts[name] = counts.get(name, 0) + 1
    for name, count in counts.items():
        print("%-22s %5d" % (name, count))


if __name__ == "__main__":
    main()
