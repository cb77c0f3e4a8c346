-- The program's tables on SQL Server: the same tables, columns and indexes as the embedded
-- database. Tables that already exist are left as they are.
-- Run after 01_create_databases.sql:  sqlcmd -S server -U sa -i 02_schema.sql

USE INVENTORY;
GO

IF OBJECT_ID(N'dbo.tbHospitalInfo', N'U') IS NULL
CREATE TABLE dbo.tbHospitalInfo (
    HospitalID                  int NOT NULL PRIMARY KEY,
    Company                     varchar(100) NULL,
    Address                     varchar(200) NULL,
    TelNum                      varchar(50) NULL,
    ClientName                  varchar(20) NULL,
    AllowWDZeroOnHand           bit NOT NULL DEFAULT 0,
    isAutoWithdrawRequestNumber bit NULL
);
GO

IF OBJECT_ID(N'dbo.tbInvUserSettings', N'U') IS NULL
CREATE TABLE dbo.tbInvUserSettings (
    UserID                      varchar(20) NOT NULL PRIMARY KEY,
    isVerifyInventoryRequest    bit NOT NULL DEFAULT 0
);
GO

IF OBJECT_ID(N'dbo.tbInvLocation', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvLocation (
        LocationID              varchar(10) NOT NULL PRIMARY KEY,
        Location                varchar(100) NULL,
        Status                  varchar(1) NULL,
        isWarehouse             smallint NULL DEFAULT 0,
        isDispensingArea        smallint NULL DEFAULT 0,
        AllowOrder              bit NULL DEFAULT 0,
        InventoryType           varchar(20) NULL
    );
    CREATE INDEX ixInvLocation_Location ON dbo.tbInvLocation (Location);
END
GO

IF OBJECT_ID(N'dbo.tbinvUserLocation', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbinvUserLocation (
        UserID                  varchar(20) NOT NULL,
        LocationID              varchar(10) NOT NULL,
        CONSTRAINT PK_tbinvUserLocation PRIMARY KEY (UserID, LocationID)
    );
    CREATE INDEX ixInvUserLocation_Location ON dbo.tbinvUserLocation (LocationID, UserID);
END
GO

IF OBJECT_ID(N'dbo.tbInvUnitOfMeasure', N'U') IS NULL
CREATE TABLE dbo.tbInvUnitOfMeasure (
    UnitOfMeasureID             smallint NOT NULL PRIMARY KEY,
    UnitOfMeasure               varchar(50) NULL,
    Status                      varchar(1) NULL
);
GO

IF OBJECT_ID(N'dbo.tbInvClassification', N'U') IS NULL
CREATE TABLE dbo.tbInvClassification (
    ItemClassificationID        varchar(5) NOT NULL PRIMARY KEY,
    ItemClassificationName      varchar(100) NULL,
    Status                      varchar(1) NULL,
    IsFixedAsset                bit NULL DEFAULT 0
);
GO

IF OBJECT_ID(N'dbo.tbInvTerms', N'U') IS NULL
CREATE TABLE dbo.tbInvTerms (
    TermsID                     smallint NOT NULL PRIMARY KEY,
    Terms                       varchar(50) NULL,
    NoDays                      smallint NULL,
    Status                      varchar(1) NULL
);
GO

IF OBJECT_ID(N'dbo.tbInvSupplier', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvSupplier (
        SupplierID              varchar(10) NOT NULL PRIMARY KEY,
        SupplierName            varchar(100) NULL,
        Status                  varchar(1) NULL,
        SupplierType            varchar(20) NULL,
        Address1                varchar(100) NULL,
        Address2                varchar(100) NULL,
        Address3                varchar(100) NULL,
        TermsID                 smallint NULL,
        TelNum                  varchar(50) NULL,
        FreeGoods               bit NULL,
        isVAT                   bit NULL,
        ContactPerson           varchar(100) NULL
    );
    CREATE INDEX ixInvSupplier_Name ON dbo.tbInvSupplier (SupplierName);
END
GO

IF OBJECT_ID(N'dbo.tbInvMaster', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvMaster (
        ItemID                  varchar(20) NOT NULL PRIMARY KEY,
        ItemName                varchar(100) NULL,
        ItemDesc                varchar(200) NULL,
        SupplierID              varchar(10) NULL,
        ManufacturerID          varchar(10) NULL,
        MarkupIn                smallint NULL DEFAULT 0,
        MarkupOut               smallint NULL DEFAULT 0,
        DownTime                float NULL DEFAULT 0,
        ListCost                decimal(18,4) NULL DEFAULT 0,
        Freight                 float NULL DEFAULT 0,
        SalesTax                float NULL DEFAULT 0,
        ItemStatus              smallint NULL DEFAULT 0,
        Packing                 smallint NULL DEFAULT 1,
        VAT                     smallint NULL DEFAULT 0,
        BarCode                 varchar(50) NULL,
        ItemClassificationID    varchar(5) NULL,
        ItemClass               varchar(20) NULL,
        UnitOfMeasureID         smallint NULL,
        OralInject              varchar(5) NULL,
        AverageCost             decimal(18,4) NULL DEFAULT 0,
        GenericID               varchar(10) NULL,
        IsSeniorDiscounted      bit NULL DEFAULT 0,
        WithLotNumber           bit NULL DEFAULT 0,
        MedicareType            varchar(5) NULL,
        MedicareCategory        varchar(5) NULL,
        GLCode                  varchar(20) NULL,
        IncludeInStatement      bit NULL DEFAULT 1,
        KitID                   varchar(10) NULL
    );
    -- The product search reads names in order and checks the status from the index alone (the
    -- code, the clustered key, is in every index).
    CREATE INDEX ixInvMaster_Name ON dbo.tbInvMaster (ItemName, ItemDesc) INCLUDE (ItemStatus);
    CREATE INDEX ixInvMaster_BarCode ON dbo.tbInvMaster (BarCode);
    CREATE INDEX ixInvMaster_Kit ON dbo.tbInvMaster (KitID);
END
GO

-- An item's stock card at one location.
IF OBJECT_ID(N'dbo.tbInvent', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvent (
        ItemID                  varchar(20) NOT NULL,
        LocationID              varchar(10) NOT NULL,
        OnHand                  float NULL DEFAULT 0,
        OnOrder                 float NULL DEFAULT 0,
        MinStockLevel           float NULL DEFAULT 0,
        Markup_In               smallint NULL DEFAULT 0,
        Markup_Out              smallint NULL DEFAULT 0,
        NetAmount               decimal(18,4) NULL DEFAULT 0,
        SellingPriceIn          decimal(18,4) NULL DEFAULT 0,
        SellingPriceOut         decimal(18,4) NULL DEFAULT 0,
        ItemStatus              smallint NULL DEFAULT 0,
        AverageCost             decimal(18,4) NULL DEFAULT 0,
        AveConsumption          float NULL DEFAULT 0,
        LastInventoryCount      datetime NULL,
        ExpiryDate              datetime NULL,
        NewGLCode               varchar(20) NULL,
        POMonthsToDeliver       float NULL DEFAULT 0,
        MinimumOrAverage        bit NULL DEFAULT 0,
        StartDate               varchar(20) NULL DEFAULT '',
        EndDate                 varchar(20) NULL DEFAULT '',
        Floor                   float NULL DEFAULT 0,
        Ceiling                 float NULL DEFAULT 0,
        IsFloor                 bit NULL DEFAULT 0,
        IsCeiling               bit NULL DEFAULT 0,
        IsADSStock              bit NULL DEFAULT 0,
        ADSStock                float NULL DEFAULT 0,
        LastDeliveryQty         float NULL,
        LastDeliveryDate        datetime NULL,
        CONSTRAINT PK_tbInvent PRIMARY KEY (ItemID, LocationID)
    );
    CREATE INDEX ixInvent_Location ON dbo.tbInvent (LocationID, ItemID, ItemStatus);
END
GO

-- Member items of a kit; the kit item itself carries the KitID in tbInvMaster.
IF OBJECT_ID(N'dbo.tbInvKit', N'U') IS NULL
CREATE TABLE dbo.tbInvKit (
    KitID                       varchar(10) NOT NULL,
    ItemID                      varchar(20) NOT NULL,
    Quantity                    float NULL DEFAULT 1,
    RetailType                  varchar(1) NULL DEFAULT 'N',
    Active                      varchar(1) NULL DEFAULT 'A',
    CONSTRAINT PK_tbInvKit PRIMARY KEY (KitID, ItemID)
);
GO

-- One row per item line; the header repeats on every line of a document.
IF OBJECT_ID(N'dbo.tbInvWithdrawRequest', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbInvWithdrawRequest (
        LineID                  int IDENTITY(1,1) NOT NULL PRIMARY KEY,
        DocumentNumber          varchar(10) NOT NULL,
        ItemID                  varchar(20) NULL,
        Quantity                decimal(18,4) NULL,
        UnitCost                decimal(18,4) NULL,
        ForRetail               varchar(1) NULL,
        isADS                   bit NULL DEFAULT 0,
        LocationID              varchar(10) NULL,
        TargetLocationID        varchar(10) NULL,
        TransDate               datetime NULL,
        UserID                  varchar(20) NULL,
        Remarks                 varchar(500) NULL,
        Status                  varchar(1) NULL,
        ProcessDate             datetime NULL,
        ProcessBy               varchar(20) NULL,
        VerifiedBy              varchar(20) NULL,
        VerifiedDate            datetime NULL
    );
    CREATE INDEX ixInvWithdrawRequest_Document ON dbo.tbInvWithdrawRequest (DocumentNumber);
    CREATE INDEX ixInvWithdrawRequest_Location
        ON dbo.tbInvWithdrawRequest (LocationID, Status, TransDate);
END
GO

-- A name index made before the status was part of it is dropped and made again; a hospital's
-- existing table without the index gets it. (DROP_EXISTING would fail with error 7999 on a table
-- that has no such index.)
IF EXISTS (SELECT 1 FROM sys.indexes
           WHERE name = N'ixInvMaster_Name' AND object_id = OBJECT_ID(N'dbo.tbInvMaster'))
   AND NOT EXISTS (SELECT 1 FROM sys.index_columns ic
                   JOIN sys.indexes i ON i.object_id = ic.object_id AND i.index_id = ic.index_id
                   WHERE i.name = N'ixInvMaster_Name'
                     AND i.object_id = OBJECT_ID(N'dbo.tbInvMaster')
                     AND COL_NAME(ic.object_id, ic.column_id) = N'ItemStatus')
    DROP INDEX ixInvMaster_Name ON dbo.tbInvMaster;
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'ixInvMaster_Name' AND object_id = OBJECT_ID(N'dbo.tbInvMaster'))
    CREATE INDEX ixInvMaster_Name ON dbo.tbInvMaster (ItemName, ItemDesc) INCLUDE (ItemStatus);
GO

-- A hospital's existing requests table: the line number the stored lines are read back in, in
-- the order they were saved, and the indexes the program's reads rely on.
IF COL_LENGTH(N'dbo.tbInvWithdrawRequest', N'LineID') IS NULL
    ALTER TABLE dbo.tbInvWithdrawRequest ADD LineID int IDENTITY(1,1) NOT NULL;
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'ixInvWithdrawRequest_Document'
                 AND object_id = OBJECT_ID(N'dbo.tbInvWithdrawRequest'))
    CREATE INDEX ixInvWithdrawRequest_Document ON dbo.tbInvWithdrawRequest (DocumentNumber);
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'ixInvWithdrawRequest_Location'
                 AND object_id = OBJECT_ID(N'dbo.tbInvWithdrawRequest'))
    CREATE INDEX ixInvWithdrawRequest_Location
        ON dbo.tbInvWithdrawRequest (LocationID, Status, TransDate);
GO

-- The document number as a number, with its own index: the program's next number,
-- "Select (max(DocumentNo) + 1) ...", is then one index seek however many lines are stored.
-- Only a request number counts: 1 to 9 digits, blanks around them allowed, as the program and the
-- other engines count them. Any other text (written by another program) gives NULL, which max()
-- passes over, and the line stays insertable. Added to a table made before the column existed as
-- well; a column made by an earlier script (TRY_CAST, which also took 10 digits and a sign as a
-- number, so the next number could be one no request may have) is made again.
IF EXISTS (SELECT 1 FROM sys.computed_columns
           WHERE object_id = OBJECT_ID(N'dbo.tbInvWithdrawRequest') AND name = N'DocumentNo'
             AND definition LIKE N'%try[_]cast%')
BEGIN
    IF EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'ixInvWithdrawRequest_No'
                 AND object_id = OBJECT_ID(N'dbo.tbInvWithdrawRequest'))
        DROP INDEX ixInvWithdrawRequest_No ON dbo.tbInvWithdrawRequest;
    ALTER TABLE dbo.tbInvWithdrawRequest DROP COLUMN DocumentNo;
END
GO
IF COL_LENGTH(N'dbo.tbInvWithdrawRequest', N'DocumentNo') IS NULL
    ALTER TABLE dbo.tbInvWithdrawRequest
        ADD DocumentNo AS CASE WHEN LEN(LTRIM(RTRIM(DocumentNumber))) BETWEEN 1 AND 9
                                AND LTRIM(RTRIM(DocumentNumber)) NOT LIKE '%[^0-9]%'
                               THEN CAST(LTRIM(RTRIM(DocumentNumber)) AS int) END PERSISTED;
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'ixInvWithdrawRequest_No'
                 AND object_id = OBJECT_ID(N'dbo.tbInvWithdrawRequest'))
    CREATE INDEX ixInvWithdrawRequest_No ON dbo.tbInvWithdrawRequest (DocumentNo);
GO

-- Every version of a request, one row per save, verification or cancellation, written in the same
-- transaction as the change: the header as it became and its lines as stored (a JSON array of
-- {code, quantity, unitCost, retail, ads}). Versions count 1, 2, 3... per request number; the
-- primary key (number, version) is the index the history is read by. Rows are only ever added:
-- the trigger refuses UPDATE and DELETE.
IF OBJECT_ID(N'dbo.tbInvRequestHistory', N'U') IS NULL
    CREATE TABLE dbo.tbInvRequestHistory (
        DocumentNumber          varchar(10) NOT NULL,
        Version                 int NOT NULL,
        Action                  varchar(10) NOT NULL,
        EmployeeID              varchar(20) NOT NULL,
        ActionDate              datetime NOT NULL,
        LocationID              varchar(10) NULL,
        TargetLocationID        varchar(10) NULL,
        TransDate               datetime NULL,
        UserID                  varchar(20) NULL,
        Remarks                 varchar(500) NULL,
        VerifiedBy              varchar(20) NULL,
        Lines                   nvarchar(max) NOT NULL,
        CONSTRAINT PK_tbInvRequestHistory PRIMARY KEY (DocumentNumber, Version)
    );
GO
IF OBJECT_ID(N'dbo.tbInvRequestHistory_AppendOnly', N'TR') IS NULL
    EXEC (N'CREATE TRIGGER dbo.tbInvRequestHistory_AppendOnly ON dbo.tbInvRequestHistory
INSTEAD OF UPDATE, DELETE
AS
BEGIN
    RAISERROR (N''A request''''s history is never changed or removed.'', 16, 1);
END');
GO

-- Generic names. The program reads these two without a database prefix, from the logon's
-- default database, so they live in INVENTORY.
IF OBJECT_ID(N'dbo.tbforClassification', N'U') IS NULL
CREATE TABLE dbo.tbforClassification (
    Node_Key                    varchar(20) NOT NULL PRIMARY KEY,
    ClassificationName          varchar(100) NULL
);
GO

IF OBJECT_ID(N'dbo.tbforGeneric', N'U') IS NULL
CREATE TABLE dbo.tbforGeneric (
    GenericID                   varchar(10) NOT NULL PRIMARY KEY,
    GenericName                 varchar(100) NULL,
    Node_Key                    varchar(20) NULL
);
GO

USE Password;
GO

-- Staff. Password holds the password transform's output and compares exactly, case included.
IF OBJECT_ID(N'dbo.tbPasswordMain', N'U') IS NULL
CREATE TABLE dbo.tbPasswordMain (
    EmployeeID                  varchar(20) NOT NULL PRIMARY KEY,
    LastName                    varchar(50) NULL,
    FirstName                   varchar(50) NULL,
    MiddleName                  varchar(50) NULL,
    Password                    varchar(100) COLLATE SQL_Latin1_General_CP1_CS_AS NULL,
    DepartmentID                varchar(5) NULL,
    Right_Code1                 varchar(1) NULL,
    Right_Code2                 varchar(1) NULL
);
GO
