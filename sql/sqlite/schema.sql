-- The embedded database: the INVENTORY and Password databases' tables in one file.
-- Text compares without regard to case, as the hospital's server does; passwords compare exactly.
-- Dates are stored as sortable text, 'yyyy-MM-dd HH:mm:ss'.

CREATE TABLE tbHospitalInfo (
    HospitalID                  INTEGER PRIMARY KEY,
    Company                     VARCHAR(100) COLLATE NOCASE,
    Address                     VARCHAR(200) COLLATE NOCASE,
    TelNum                      VARCHAR(50)  COLLATE NOCASE,
    ClientName                  VARCHAR(20)  COLLATE NOCASE,
    AllowWDZeroOnHand           BIT NOT NULL DEFAULT 0,
    isAutoWithdrawRequestNumber BIT
);

CREATE TABLE tbInvUserSettings (
    UserID                      VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
    isVerifyInventoryRequest    BIT NOT NULL DEFAULT 0
);

CREATE TABLE tbInvLocation (
    LocationID                  VARCHAR(10)  COLLATE NOCASE PRIMARY KEY,
    Location                    VARCHAR(100) COLLATE NOCASE,
    Status                      VARCHAR(1)   COLLATE NOCASE,
    isWarehouse                 SMALLINT DEFAULT 0,
    isDispensingArea            SMALLINT DEFAULT 0,
    AllowOrder                  BIT DEFAULT 0,
    InventoryType               VARCHAR(20)  COLLATE NOCASE
);
CREATE INDEX ixInvLocation_Location ON tbInvLocation (Location);

CREATE TABLE tbinvUserLocation (
    UserID                      VARCHAR(20) COLLATE NOCASE NOT NULL,
    LocationID                  VARCHAR(10) COLLATE NOCASE NOT NULL,
    PRIMARY KEY (UserID, LocationID)
);
CREATE INDEX ixInvUserLocation_Location ON tbinvUserLocation (LocationID, UserID);

CREATE TABLE tbInvUnitOfMeasure (
    UnitOfMeasureID             SMALLINT PRIMARY KEY,
    UnitOfMeasure               VARCHAR(50) COLLATE NOCASE,
    Status                      VARCHAR(1)  COLLATE NOCASE
);

CREATE TABLE tbInvClassification (
    ItemClassificationID        VARCHAR(5)   COLLATE NOCASE PRIMARY KEY,
    ItemClassificationName      VARCHAR(100) COLLATE NOCASE,
    Status                      VARCHAR(1)   COLLATE NOCASE,
    IsFixedAsset                BIT DEFAULT 0
);

CREATE TABLE tbInvTerms (
    TermsID                     SMALLINT PRIMARY KEY,
    Terms                       VARCHAR(50) COLLATE NOCASE,
    NoDays                      SMALLINT,
    Status                      VARCHAR(1)  COLLATE NOCASE
);

CREATE TABLE tbInvSupplier (
    SupplierID                  VARCHAR(10)  COLLATE NOCASE PRIMARY KEY,
    SupplierName                VARCHAR(100) COLLATE NOCASE,
    Status                      VARCHAR(1)   COLLATE NOCASE,
    SupplierType                VARCHAR(20)  COLLATE NOCASE,
    Address1                    VARCHAR(100) COLLATE NOCASE,
    Address2                    VARCHAR(100) COLLATE NOCASE,
    Address3                    VARCHAR(100) COLLATE NOCASE,
    TermsID                     SMALLINT,
    TelNum                      VARCHAR(50)  COLLATE NOCASE,
    FreeGoods                   BIT,
    isVAT                       BIT,
    ContactPerson               VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX ixInvSupplier_Name ON tbInvSupplier (SupplierName);

CREATE TABLE tbInvMaster (
    ItemID                      VARCHAR(20)  COLLATE NOCASE PRIMARY KEY,
    ItemName                    VARCHAR(100) COLLATE NOCASE,
    ItemDesc                    VARCHAR(200) COLLATE NOCASE,
    SupplierID                  VARCHAR(10)  COLLATE NOCASE,
    ManufacturerID              VARCHAR(10)  COLLATE NOCASE,
    MarkupIn                    SMALLINT DEFAULT 0,
    MarkupOut                   SMALLINT DEFAULT 0,
    DownTime                    FLOAT DEFAULT 0,
    ListCost                    DECIMAL(18,4) DEFAULT 0,
    Freight                     FLOAT DEFAULT 0,
    SalesTax                    FLOAT DEFAULT 0,
    ItemStatus                  SMALLINT DEFAULT 0,
    Packing                     SMALLINT DEFAULT 1,
    VAT                         SMALLINT DEFAULT 0,
    BarCode                     VARCHAR(50)  COLLATE NOCASE,
    ItemClassificationID        VARCHAR(5)   COLLATE NOCASE,
    ItemClass                   VARCHAR(20)  COLLATE NOCASE,
    UnitOfMeasureID             SMALLINT,
    OralInject                  VARCHAR(5)   COLLATE NOCASE,
    AverageCost                 DECIMAL(18,4) DEFAULT 0,
    GenericID                   VARCHAR(10)  COLLATE NOCASE,
    IsSeniorDiscounted          BIT DEFAULT 0,
    WithLotNumber               BIT DEFAULT 0,
    MedicareType                VARCHAR(5)   COLLATE NOCASE,
    MedicareCategory            VARCHAR(5)   COLLATE NOCASE,
    GLCode                      VARCHAR(20)  COLLATE NOCASE,
    IncludeInStatement          BIT DEFAULT 1,
    KitID                       VARCHAR(10)  COLLATE NOCASE
);
-- The product search reads names in order and checks the code and status from the index alone.
CREATE INDEX ixInvMaster_Name ON tbInvMaster (ItemName, ItemDesc, ItemID, ItemStatus);
CREATE INDEX ixInvMaster_BarCode ON tbInvMaster (BarCode);
CREATE INDEX ixInvMaster_Kit ON tbInvMaster (KitID);

-- An item's stock card at one location.
CREATE TABLE tbInvent (
    ItemID                      VARCHAR(20) COLLATE NOCASE NOT NULL,
    LocationID                  VARCHAR(10) COLLATE NOCASE NOT NULL,
    OnHand                      FLOAT DEFAULT 0,
    OnOrder                     FLOAT DEFAULT 0,
    MinStockLevel               FLOAT DEFAULT 0,
    Markup_In                   SMALLINT DEFAULT 0,
    Markup_Out                  SMALLINT DEFAULT 0,
    NetAmount                   DECIMAL(18,4) DEFAULT 0,
    SellingPriceIn              DECIMAL(18,4) DEFAULT 0,
    SellingPriceOut             DECIMAL(18,4) DEFAULT 0,
    ItemStatus                  SMALLINT DEFAULT 0,
    AverageCost                 DECIMAL(18,4) DEFAULT 0,
    AveConsumption              FLOAT DEFAULT 0,
    LastInventoryCount          DATETIME,
    ExpiryDate                  DATETIME,
    NewGLCode                   VARCHAR(20) COLLATE NOCASE,
    POMonthsToDeliver           FLOAT DEFAULT 0,
    MinimumOrAverage            BIT DEFAULT 0,
    StartDate                   VARCHAR(20) COLLATE NOCASE DEFAULT '',
    EndDate                     VARCHAR(20) COLLATE NOCASE DEFAULT '',
    Floor                       FLOAT DEFAULT 0,
    Ceiling                     FLOAT DEFAULT 0,
    IsFloor                     BIT DEFAULT 0,
    IsCeiling                   BIT DEFAULT 0,
    IsADSStock                  BIT DEFAULT 0,
    ADSStock                    FLOAT DEFAULT 0,
    LastDeliveryQty             FLOAT,
    LastDeliveryDate            DATETIME,
    PRIMARY KEY (ItemID, LocationID)
);
CREATE INDEX ixInvent_Location ON tbInvent (LocationID, ItemID, ItemStatus);

-- Member items of a kit; the kit item itself carries the KitID in tbInvMaster.
CREATE TABLE tbInvKit (
    KitID                       VARCHAR(10) COLLATE NOCASE NOT NULL,
    ItemID                      VARCHAR(20) COLLATE NOCASE NOT NULL,
    Quantity                    FLOAT DEFAULT 1,
    RetailType                  VARCHAR(1)  COLLATE NOCASE DEFAULT 'N',
    Active                      VARCHAR(1)  COLLATE NOCASE DEFAULT 'A',
    PRIMARY KEY (KitID, ItemID)
);

-- One row per item line; the header repeats on every line of a document.
CREATE TABLE tbInvWithdrawRequest (
    LineID                      INTEGER PRIMARY KEY,
    DocumentNumber              VARCHAR(10)  COLLATE NOCASE NOT NULL,
    ItemID                      VARCHAR(20)  COLLATE NOCASE,
    Quantity                    DECIMAL(18,4),
    UnitCost                    DECIMAL(18,4),
    ForRetail                   VARCHAR(1)   COLLATE NOCASE,
    isADS                       BIT DEFAULT 0,
    LocationID                  VARCHAR(10)  COLLATE NOCASE,
    TargetLocationID            VARCHAR(10)  COLLATE NOCASE,
    TransDate                   DATETIME,
    UserID                      VARCHAR(20)  COLLATE NOCASE,
    Remarks                     VARCHAR(500) COLLATE NOCASE,
    Status                      VARCHAR(1)   COLLATE NOCASE,
    ProcessDate                 DATETIME,
    ProcessBy                   VARCHAR(20)  COLLATE NOCASE,
    VerifiedBy                  VARCHAR(20)  COLLATE NOCASE,
    VerifiedDate                DATETIME,
    -- The number as a number, indexed: the next number is one index step, however many lines.
    -- Only a request number counts (1 to 9 digits, blanks around them allowed), as on the servers;
    -- anything else (written by another program) gives NULL, which max() passes over.
    DocumentNo                  INTEGER GENERATED ALWAYS AS (
        CASE WHEN length(trim(DocumentNumber, ' ' || char(9, 10, 11, 12, 13))) BETWEEN 1 AND 9
              AND trim(DocumentNumber, ' ' || char(9, 10, 11, 12, 13)) NOT GLOB '*[^0-9]*'
             THEN CAST(trim(DocumentNumber, ' ' || char(9, 10, 11, 12, 13)) AS INTEGER) END) VIRTUAL
);
CREATE INDEX ixInvWithdrawRequest_Document ON tbInvWithdrawRequest (DocumentNumber);
CREATE INDEX ixInvWithdrawRequest_No ON tbInvWithdrawRequest (DocumentNo);
CREATE INDEX ixInvWithdrawRequest_Location ON tbInvWithdrawRequest (LocationID, Status, TransDate);

-- Every version of a request, one row per save, verification or cancellation, written in the same
-- transaction as the change: the header as it became and its lines as stored (a JSON array of
-- {code, quantity, unitCost, retail, ads}). Versions count 1, 2, 3... per request number; rows are
-- only ever added: the program never updates or deletes them.
CREATE TABLE tbInvRequestHistory (
    DocumentNumber              VARCHAR(10)  COLLATE NOCASE NOT NULL,
    Version                     INTEGER NOT NULL,
    Action                      VARCHAR(10)  COLLATE NOCASE NOT NULL,
    EmployeeID                  VARCHAR(20)  COLLATE NOCASE NOT NULL,
    ActionDate                  DATETIME NOT NULL,
    LocationID                  VARCHAR(10)  COLLATE NOCASE,
    TargetLocationID            VARCHAR(10)  COLLATE NOCASE,
    TransDate                   DATETIME,
    UserID                      VARCHAR(20)  COLLATE NOCASE,
    Remarks                     VARCHAR(500) COLLATE NOCASE,
    VerifiedBy                  VARCHAR(20)  COLLATE NOCASE,
    Lines                       TEXT NOT NULL,
    PRIMARY KEY (DocumentNumber, Version)
);

-- Generic names, in the default database of the hospital's server.
CREATE TABLE tbforClassification (
    Node_Key                    VARCHAR(20)  COLLATE NOCASE PRIMARY KEY,
    ClassificationName          VARCHAR(100) COLLATE NOCASE
);

CREATE TABLE tbforGeneric (
    GenericID                   VARCHAR(10)  COLLATE NOCASE PRIMARY KEY,
    GenericName                 VARCHAR(100) COLLATE NOCASE,
    Node_Key                    VARCHAR(20)  COLLATE NOCASE
);

-- Staff, from the Password database. Password holds the transform's output.
CREATE TABLE tbPasswordMain (
    EmployeeID                  VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
    LastName                    VARCHAR(50) COLLATE NOCASE,
    FirstName                   VARCHAR(50) COLLATE NOCASE,
    MiddleName                  VARCHAR(50) COLLATE NOCASE,
    Password                    VARCHAR(100),
    DepartmentID                VARCHAR(5)  COLLATE NOCASE,
    Right_Code1                 VARCHAR(1)  COLLATE NOCASE,
    Right_Code2                 VARCHAR(1)  COLLATE NOCASE
);
