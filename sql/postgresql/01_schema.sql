-- The program's tables on PostgreSQL: the tables of the INVENTORY and Password databases and the
-- generic names of the default database, all in one database (schema public), with the same
-- columns and indexes as the embedded database.
-- Run first, on an empty database:  psql -v ON_ERROR_STOP=1 -d inventory -f 01_schema.sql
-- Every statement is skipped where its object exists already, so running it again on a database
-- made by an earlier version adds what that version lacked (new indexes, statistics) and keeps
-- everything else; run ANALYZE afterwards for the new statistics.
--
-- Text compares without regard to case, as on the hospital's SQL Server: text columns are of the
-- domain nocase (citext in the "C" collation: case-insensitive, sorted by character code, so an
-- index on a name also serves a search for the start of a name). Passwords compare exactly.
-- Dates are timestamp(3), as SQL Server's datetime; its bit columns are smallint (0 or 1).

CREATE EXTENSION IF NOT EXISTS citext;
DO $$
BEGIN
    CREATE DOMAIN nocase AS citext COLLATE "C";
EXCEPTION WHEN duplicate_object THEN
    NULL;
END
$$;

CREATE TABLE IF NOT EXISTS tbHospitalInfo (
    HospitalID                  integer PRIMARY KEY,
    Company                     nocase,
    Address                     nocase,
    TelNum                      nocase,
    ClientName                  nocase,
    AllowWDZeroOnHand           smallint NOT NULL DEFAULT 0,
    isAutoWithdrawRequestNumber smallint
);

CREATE TABLE IF NOT EXISTS tbInvUserSettings (
    UserID                      nocase PRIMARY KEY,
    isVerifyInventoryRequest    smallint NOT NULL DEFAULT 0
);

CREATE TABLE IF NOT EXISTS tbInvLocation (
    LocationID                  nocase PRIMARY KEY,
    Location                    nocase,
    Status                      nocase,
    isWarehouse                 smallint DEFAULT 0,
    isDispensingArea            smallint DEFAULT 0,
    AllowOrder                  smallint DEFAULT 0,
    InventoryType               nocase
);
CREATE INDEX IF NOT EXISTS ixInvLocation_Location ON tbInvLocation (Location);

CREATE TABLE IF NOT EXISTS tbinvUserLocation (
    UserID                      nocase NOT NULL,
    LocationID                  nocase NOT NULL,
    PRIMARY KEY (UserID, LocationID)
);
CREATE INDEX IF NOT EXISTS ixInvUserLocation_Location ON tbinvUserLocation (LocationID, UserID);

CREATE TABLE IF NOT EXISTS tbInvUnitOfMeasure (
    UnitOfMeasureID             smallint PRIMARY KEY,
    UnitOfMeasure               nocase,
    Status                      nocase
);

CREATE TABLE IF NOT EXISTS tbInvClassification (
    ItemClassificationID        nocase PRIMARY KEY,
    ItemClassificationName      nocase,
    Status                      nocase,
    IsFixedAsset                smallint DEFAULT 0
);

CREATE TABLE IF NOT EXISTS tbInvTerms (
    TermsID                     smallint PRIMARY KEY,
    Terms                       nocase,
    NoDays                      smallint,
    Status                      nocase
);

CREATE TABLE IF NOT EXISTS tbInvSupplier (
    SupplierID                  nocase PRIMARY KEY,
    SupplierName                nocase,
    Status                      nocase,
    SupplierType                nocase,
    Address1                    nocase,
    Address2                    nocase,
    Address3                    nocase,
    TermsID                     smallint,
    TelNum                      nocase,
    FreeGoods                   smallint,
    isVAT                       smallint,
    ContactPerson               nocase
);
CREATE INDEX IF NOT EXISTS ixInvSupplier_Name ON tbInvSupplier (SupplierName);

CREATE TABLE IF NOT EXISTS tbInvMaster (
    ItemID                      nocase PRIMARY KEY,
    ItemName                    nocase,
    ItemDesc                    nocase,
    SupplierID                  nocase,
    ManufacturerID              nocase,
    MarkupIn                    smallint DEFAULT 0,
    MarkupOut                   smallint DEFAULT 0,
    DownTime                    double precision DEFAULT 0,
    ListCost                    numeric(18,4) DEFAULT 0,
    Freight                     double precision DEFAULT 0,
    SalesTax                    double precision DEFAULT 0,
    ItemStatus                  smallint DEFAULT 0,
    Packing                     smallint DEFAULT 1,
    VAT                         smallint DEFAULT 0,
    BarCode                     nocase,
    ItemClassificationID        nocase,
    ItemClass                   nocase,
    UnitOfMeasureID             smallint,
    OralInject                  nocase,
    AverageCost                 numeric(18,4) DEFAULT 0,
    GenericID                   nocase,
    IsSeniorDiscounted          smallint DEFAULT 0,
    WithLotNumber               smallint DEFAULT 0,
    MedicareType                nocase,
    MedicareCategory            nocase,
    GLCode                      nocase,
    IncludeInStatement          smallint DEFAULT 1,
    KitID                       nocase
);
-- The product search reads names in order and checks the code and status from the index alone.
CREATE INDEX IF NOT EXISTS ixInvMaster_Name ON tbInvMaster (ItemName, ItemDesc, ItemID, ItemStatus);
CREATE INDEX IF NOT EXISTS ixInvMaster_BarCode ON tbInvMaster (BarCode);
CREATE INDEX IF NOT EXISTS ixInvMaster_Kit ON tbInvMaster (KitID);
-- The code as citext compares it (lowered in the database's default collation), as plain text in
-- byte order: a request's lines look their items up by it (sp_Inv_LoadWithdrawalRequest) without
-- lowering both sides of every comparison in the index, as the citext key would. The name and
-- description are in the index as well, so that a request's 10,000 lines read them from the index
-- alone rather than from 10,000 rows of the table (the code too: the planner reads from an index
-- only what it finds there as a column). It takes the place of the index of the key alone, which
-- an older database drops here.
CREATE INDEX IF NOT EXISTS ixInvMaster_ItemKeyName
    ON tbInvMaster ((lower(ItemID::text COLLATE "default") COLLATE "C"))
    INCLUDE (ItemID, ItemName, ItemDesc);
DROP INDEX IF EXISTS ixInvMaster_ItemKey;

-- An item's stock card at one location.
CREATE TABLE IF NOT EXISTS tbInvent (
    ItemID                      nocase NOT NULL,
    LocationID                  nocase NOT NULL,
    OnHand                      double precision DEFAULT 0,
    OnOrder                     double precision DEFAULT 0,
    MinStockLevel               double precision DEFAULT 0,
    Markup_In                   smallint DEFAULT 0,
    Markup_Out                  smallint DEFAULT 0,
    NetAmount                   numeric(18,4) DEFAULT 0,
    SellingPriceIn              numeric(18,4) DEFAULT 0,
    SellingPriceOut             numeric(18,4) DEFAULT 0,
    ItemStatus                  smallint DEFAULT 0,
    AverageCost                 numeric(18,4) DEFAULT 0,
    AveConsumption              double precision DEFAULT 0,
    LastInventoryCount          timestamp(3),
    ExpiryDate                  timestamp(3),
    NewGLCode                   nocase,
    POMonthsToDeliver           double precision DEFAULT 0,
    MinimumOrAverage            smallint DEFAULT 0,
    StartDate                   nocase DEFAULT '',
    EndDate                     nocase DEFAULT '',
    Floor                       double precision DEFAULT 0,
    Ceiling                     double precision DEFAULT 0,
    IsFloor                     smallint DEFAULT 0,
    IsCeiling                   smallint DEFAULT 0,
    IsADSStock                  smallint DEFAULT 0,
    ADSStock                    double precision DEFAULT 0,
    LastDeliveryQty             double precision,
    LastDeliveryDate            timestamp(3),
    PRIMARY KEY (ItemID, LocationID)
);
CREATE INDEX IF NOT EXISTS ixInvent_Location ON tbInvent (LocationID, ItemID, ItemStatus);

-- Every stock row under its item's name: a location's products in name order. The product search
-- of the request window walks them from the typed start of a name and stops at the rows it lists,
-- where the item master's name index would have it check every name of the range against the
-- location's stock. Kept by the triggers below in the transaction of each change, and made whole
-- again by inv_stock_names_refresh() (run here, and by whoever loads tables with triggers off).
-- The program only reads it; its rows are those of tbInvent, with the item's name beside each.
-- One transaction: a program that finds the table finds it filled and kept.
BEGIN;
CREATE TABLE IF NOT EXISTS tbInvStockName (
    ItemID                      nocase NOT NULL,
    LocationID                  nocase NOT NULL,
    ItemStatus                  smallint,
    ItemName                    nocase,
    ItemDesc                    nocase,
    PRIMARY KEY (ItemID, LocationID)
);
CREATE INDEX IF NOT EXISTS ixInvStockName_Name
    ON tbInvStockName (LocationID, ItemStatus, ItemName, ItemDesc, ItemID);

CREATE OR REPLACE FUNCTION inv_stock_names_refresh() RETURNS void LANGUAGE sql AS $$
    DELETE FROM tbInvStockName S
     WHERE NOT EXISTS (SELECT 1 FROM tbInvent I
                        WHERE I.ItemID = S.ItemID AND I.LocationID = S.LocationID);
    INSERT INTO tbInvStockName (ItemID, LocationID, ItemStatus, ItemName, ItemDesc)
    SELECT I.ItemID, I.LocationID, I.ItemStatus, M.ItemName, M.ItemDesc
      FROM tbInvent I LEFT JOIN tbInvMaster M ON M.ItemID = I.ItemID
    ON CONFLICT (ItemID, LocationID) DO UPDATE
       SET ItemID = EXCLUDED.ItemID, LocationID = EXCLUDED.LocationID,
           ItemStatus = EXCLUDED.ItemStatus, ItemName = EXCLUDED.ItemName,
           ItemDesc = EXCLUDED.ItemDesc;
$$;

-- A stock row added, changed or taken away.
CREATE OR REPLACE FUNCTION inv_stock_names_of_stock() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP = 'TRUNCATE' THEN
        TRUNCATE tbInvStockName;
        RETURN NULL;
    END IF;
    IF TG_OP IN ('UPDATE', 'DELETE') THEN
        DELETE FROM tbInvStockName WHERE ItemID = OLD.ItemID AND LocationID = OLD.LocationID;
    END IF;
    IF TG_OP IN ('INSERT', 'UPDATE') THEN
        INSERT INTO tbInvStockName (ItemID, LocationID, ItemStatus, ItemName, ItemDesc)
        SELECT NEW.ItemID, NEW.LocationID, NEW.ItemStatus, M.ItemName, M.ItemDesc
          FROM (SELECT 1) AS One LEFT JOIN tbInvMaster M ON M.ItemID = NEW.ItemID
        ON CONFLICT (ItemID, LocationID) DO UPDATE
           SET ItemID = EXCLUDED.ItemID, LocationID = EXCLUDED.LocationID,
               ItemStatus = EXCLUDED.ItemStatus, ItemName = EXCLUDED.ItemName,
               ItemDesc = EXCLUDED.ItemDesc;
    END IF;
    RETURN NULL;
END
$$;

-- An item added, renamed, given another code or taken away: its stock rows follow.
CREATE OR REPLACE FUNCTION inv_stock_names_of_item() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP = 'TRUNCATE' THEN
        UPDATE tbInvStockName SET ItemName = NULL, ItemDesc = NULL;
        RETURN NULL;
    END IF;
    IF TG_OP = 'DELETE' OR (TG_OP = 'UPDATE' AND OLD.ItemID::text <> NEW.ItemID::text) THEN
        UPDATE tbInvStockName SET ItemName = NULL, ItemDesc = NULL WHERE ItemID = OLD.ItemID;
    END IF;
    IF TG_OP IN ('INSERT', 'UPDATE') THEN
        UPDATE tbInvStockName SET ItemName = NEW.ItemName, ItemDesc = NEW.ItemDesc
         WHERE ItemID = NEW.ItemID;
    END IF;
    RETURN NULL;
END
$$;

DROP TRIGGER IF EXISTS trInvent_StockName ON tbInvent;
CREATE TRIGGER trInvent_StockName
    AFTER INSERT OR DELETE OR UPDATE OF ItemID, LocationID, ItemStatus ON tbInvent
    FOR EACH ROW EXECUTE FUNCTION inv_stock_names_of_stock();
DROP TRIGGER IF EXISTS trInvent_StockNameTruncate ON tbInvent;
CREATE TRIGGER trInvent_StockNameTruncate AFTER TRUNCATE ON tbInvent
    FOR EACH STATEMENT EXECUTE FUNCTION inv_stock_names_of_stock();
DROP TRIGGER IF EXISTS trInvMaster_StockName ON tbInvMaster;
CREATE TRIGGER trInvMaster_StockName
    AFTER INSERT OR DELETE OR UPDATE OF ItemID, ItemName, ItemDesc ON tbInvMaster
    FOR EACH ROW EXECUTE FUNCTION inv_stock_names_of_item();
DROP TRIGGER IF EXISTS trInvMaster_StockNameTruncate ON tbInvMaster;
CREATE TRIGGER trInvMaster_StockNameTruncate AFTER TRUNCATE ON tbInvMaster
    FOR EACH STATEMENT EXECUTE FUNCTION inv_stock_names_of_item();

-- The stock rows by code and location as citext compares them, as plain text in byte order (as
-- ixInvMaster_ItemKeyName): the product search below finds the store's row of each item it lists
-- in one index step without lowering both sides of every comparison.
CREATE INDEX IF NOT EXISTS ixInvent_ItemKey
    ON tbInvent ((lower(ItemID::text COLLATE "default") COLLATE "C"),
                 (lower(LocationID::text COLLATE "default") COLLATE "C"));

-- The product search at a location: each stock row of tbInvStockName (a department's name,
-- description, code and status, in the order of ixInvStockName_Name) with its item and the
-- item's stock rows, joined by the codes as citext compares them (the same equality) through
-- the plain-text indexes. SupplyingKey is the stock row's location lowered likewise: the search
-- asks for Lower(its store's code), one step of ixInvent_ItemKey. The program only reads it, and
-- only where it exists; it is made in the same transaction as the table.
CREATE OR REPLACE VIEW vwInvStockSearch AS
SELECT R.LocationID, R.ItemStatus AS StockStatus, R.ItemName, R.ItemDesc, R.ItemID AS StockItemID,
       lower(D.LocationID::text COLLATE "default") COLLATE "C" AS SupplyingKey,
       D.Markup_In, D.Markup_Out, D.ItemStatus AS SupplyingStatus,
       A.ItemID, A.ItemName AS ProductName, A.ItemDesc AS ProductDesc, A.ItemStatus,
       A.Packing, A.ListCost, A.SupplierID, A.ItemClassificationID
  FROM tbInvStockName R
  JOIN tbInvMaster A
    ON lower(A.ItemID::text COLLATE "default") COLLATE "C"
       = lower(R.ItemID::text COLLATE "default") COLLATE "C"
  JOIN tbInvent D
    ON lower(D.ItemID::text COLLATE "default") COLLATE "C"
       = lower(A.ItemID::text COLLATE "default") COLLATE "C";

SELECT inv_stock_names_refresh();
COMMIT;

-- Member items of a kit; the kit item itself carries the KitID in tbInvMaster.
CREATE TABLE IF NOT EXISTS tbInvKit (
    KitID                       nocase NOT NULL,
    ItemID                      nocase NOT NULL,
    Quantity                    double precision DEFAULT 1,
    RetailType                  nocase DEFAULT 'N',
    Active                      nocase DEFAULT 'A',
    PRIMARY KEY (KitID, ItemID)
);

-- One row per item line; the header repeats on every line of a document.
CREATE TABLE IF NOT EXISTS tbInvWithdrawRequest (
    LineID                      integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
    DocumentNumber              nocase NOT NULL,
    ItemID                      nocase,
    Quantity                    numeric(18,4),
    UnitCost                    numeric(18,4),
    ForRetail                   nocase,
    isADS                       smallint DEFAULT 0,
    LocationID                  nocase,
    TargetLocationID            nocase,
    TransDate                   timestamp(3),
    UserID                      nocase,
    Remarks                     nocase,
    Status                      nocase,
    ProcessDate                 timestamp(3),
    ProcessBy                   nocase,
    VerifiedBy                  nocase,
    VerifiedDate                timestamp(3),
    -- The number as a number, indexed: the next number is one index step, however many lines.
    -- A number that is not one (written by another program) gives NULL, which max() passes over.
    DocumentNo                  integer GENERATED ALWAYS AS (
        CASE WHEN DocumentNumber::text ~ '^\s*[0-9]{1,9}\s*$'
             THEN CAST(DocumentNumber::text AS integer) END) STORED
);
-- A request's lines in their order: its first line is one index step (rather than a walk of the
-- whole table in LineID order), and reading them all needs no sort. It takes the place of the
-- index on DocumentNumber alone, which an older database drops here.
CREATE INDEX IF NOT EXISTS ixInvWithdrawRequest_DocumentLine
    ON tbInvWithdrawRequest (DocumentNumber, LineID);
DROP INDEX IF EXISTS ixInvWithdrawRequest_Document;
CREATE INDEX IF NOT EXISTS ixInvWithdrawRequest_No ON tbInvWithdrawRequest (DocumentNo);
CREATE INDEX IF NOT EXISTS ixInvWithdrawRequest_Location ON tbInvWithdrawRequest (LocationID, Status, TransDate);
-- The request list's open lines (no status yet), a ward's in date order, with what the list shows:
-- the list reads its wards' open lines from this alone instead of the whole table. The planner
-- estimates "coalesce(Status, '') = ''" from the statistics below; without them it guessed 33
-- lines where there are 969,000 of 3.1 million, and chose badly.
CREATE INDEX IF NOT EXISTS ixInvWithdrawRequest_Open
    ON tbInvWithdrawRequest (LocationID, TransDate)
    INCLUDE (DocumentNumber, TargetLocationID, UserID, VerifiedBy, Status)
    WHERE coalesce(Status, '') = '';
CREATE STATISTICS IF NOT EXISTS stInvWithdrawRequest_Open
    ON (coalesce(Status, '')), (coalesce(VerifiedBy, '')) FROM tbInvWithdrawRequest;

-- Every version of a request, one row per save, verification or cancellation, written in the same
-- transaction as the change: the header as it became and its lines as stored (a JSON array of
-- {code, quantity, unitCost, retail, ads}). Versions count 1, 2, 3... per request number; rows are
-- only ever added: the triggers refuse UPDATE, DELETE and TRUNCATE.
CREATE TABLE IF NOT EXISTS tbInvRequestHistory (
    DocumentNumber              nocase NOT NULL,
    Version                     integer NOT NULL,
    Action                      nocase NOT NULL,
    EmployeeID                  nocase NOT NULL,
    ActionDate                  timestamp(3) NOT NULL,
    LocationID                  nocase,
    TargetLocationID            nocase,
    TransDate                   timestamp(3),
    UserID                      nocase,
    Remarks                     nocase,
    VerifiedBy                  nocase,
    Lines                       text NOT NULL,
    PRIMARY KEY (DocumentNumber, Version)
);
CREATE OR REPLACE FUNCTION tbInvRequestHistory_Refuse() RETURNS trigger
    LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION 'A request''s history is never changed or removed.';
END
$$;
DO $$
BEGIN
    CREATE TRIGGER tbInvRequestHistory_AppendOnly BEFORE UPDATE OR DELETE ON tbInvRequestHistory
        FOR EACH ROW EXECUTE FUNCTION tbInvRequestHistory_Refuse();
    CREATE TRIGGER tbInvRequestHistory_NoTruncate BEFORE TRUNCATE ON tbInvRequestHistory
        FOR EACH STATEMENT EXECUTE FUNCTION tbInvRequestHistory_Refuse();
EXCEPTION WHEN duplicate_object THEN
    NULL;
END
$$;

-- Generic names, in the default database of the hospital's server.
CREATE TABLE IF NOT EXISTS tbforClassification (
    Node_Key                    nocase PRIMARY KEY,
    ClassificationName          nocase
);

CREATE TABLE IF NOT EXISTS tbforGeneric (
    GenericID                   nocase PRIMARY KEY,
    GenericName                 nocase,
    Node_Key                    nocase
);

-- Staff, from the Password database. Password holds the transform's output.
CREATE TABLE IF NOT EXISTS tbPasswordMain (
    EmployeeID                  nocase PRIMARY KEY,
    LastName                    nocase,
    FirstName                   nocase,
    MiddleName                  nocase,
    Password                    varchar(100),
    DepartmentID                nocase,
    Right_Code1                 nocase,
    Right_Code2                 nocase
);
