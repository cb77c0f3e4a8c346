-- The functions the program's statements call: SQL Server's GetDate() and PatIndex(), and its
-- five stored procedures as set-returning functions with the same parameters and result columns
-- (names, order and case) as the procedures on SQL Server and the embedded database.
-- Run after 01_schema.sql:  psql -v ON_ERROR_STOP=1 -d inventory -f 02_functions.sql
--
-- The program calls a procedure as on SQL Server ("INVENTORY..sp_Inv_UserLocation 'E01'"); its
-- PostgreSQL dialect sends "SELECT * FROM sp_Inv_UserLocation($1)" with the arguments bound.
-- Parameters are citext, so that they compare with the nocase columns without regard to case.

-- The current date and time, to the millisecond, as SQL Server's datetime holds it.
CREATE OR REPLACE FUNCTION getdate() RETURNS timestamp(3)
    LANGUAGE sql VOLATILE
    AS $$ SELECT clock_timestamp()::timestamp(3) $$;

-- The position (from 1) of the first match of a LIKE pattern in a text, 0 when there is none,
-- NULL when either is NULL. As on SQL Server the pattern is matched without regard to case, and
-- "%" (any text), "_" (one character) and "[...]" (one of the characters) are understood; a
-- pattern that does not start with "%" must match at the start, one that does not end with "%"
-- at the end.
CREATE OR REPLACE FUNCTION patindex(pattern text, expression text) RETURNS integer
    LANGUAGE plpgsql IMMUTABLE
    AS $$
DECLARE
    core text := pattern;
    regex text := '';
    anchored_start boolean := left(pattern, 1) <> '%';
    anchored_end boolean := right(pattern, 1) <> '%';
    i integer := 1;
    c text;
    close_at integer;
BEGIN
    IF pattern IS NULL OR expression IS NULL THEN
        RETURN NULL;
    END IF;
    core := regexp_replace(regexp_replace(core, '^%+', ''), '%+$', '');
    WHILE i <= length(core) LOOP
        c := substr(core, i, 1);
        IF c = '%' THEN
            regex := regex || '.*?';
        ELSIF c = '_' THEN
            regex := regex || '.';
        ELSIF c = '[' AND strpos(substr(core, i + 1), ']') > 0 THEN
            close_at := i + strpos(substr(core, i + 1), ']');
            regex := regex || '[' || replace(replace(substr(core, i + 1, close_at - i - 1),
                                                     '\', '\\'), '^', '\^') || ']';
            i := close_at;
        ELSE
            regex := regex || regexp_replace(c, '([.^$*+?()\[\]{}|\\-])', '\\\1');
        END IF;
        i := i + 1;
    END LOOP;
    IF anchored_start THEN
        regex := '^' || regex;
    END IF;
    IF anchored_end THEN
        regex := regex || '$';
    END IF;
    RETURN regexp_instr(expression, regex, 1, 1, 0, 'i');
END
$$;

-- The active locations an employee belongs to.
CREATE OR REPLACE FUNCTION sp_Inv_UserLocation(UserID citext)
    RETURNS TABLE ("Location" nocase, "LocationID" nocase)
    LANGUAGE sql STABLE
    AS $$
SELECT L.Location, L.LocationID
  FROM tbinvUserLocation U
  JOIN tbInvLocation L ON L.LocationID = U.LocationID
 WHERE U.UserID = $1
   AND (L.Status IS NULL OR L.Status <> 'I')
 ORDER BY L.Location
$$;

-- An item's stock card at a location, with the master values the stock display needs.
-- A stock card never delivered to shows date zero (30 December 1899) and quantity 0.
CREATE OR REPLACE FUNCTION sp_Inv_SearchItem_In_Invent(ItemID citext, LocationID citext)
    RETURNS TABLE ("LocationID" nocase, "ItemID" nocase, "Markup_In" smallint,
                   "Markup_Out" smallint, "NetAmount" numeric, "OnHand" double precision,
                   "MinStockLevel" double precision, "OnOrder" double precision,
                   "SellingPriceIn" numeric, "SellingPriceOut" numeric, "ItemStatus" smallint,
                   "AverageCost" numeric, "AveConsumption" double precision,
                   "LastInventoryCount" timestamp, "ExpiryDate" timestamp, "NewGLCode" nocase,
                   "POMonthsToDeliver" double precision, "MinimumOrAverage" smallint,
                   "StartDate" nocase, "EndDate" nocase, "ListCost" numeric,
                   "UnitOfMeasureID" smallint, "UnitOfMeasure" nocase,
                   "Last DDate" timestamp, "Last Qty" double precision, "Packing" smallint,
                   "IsFloor" smallint, "IsCeiling" smallint, "Floor" double precision,
                   "Ceiling" double precision, "IsADSStock" smallint, "ADSStock" double precision)
    LANGUAGE sql STABLE
    AS $$
SELECT I.LocationID, I.ItemID, I.Markup_In, I.Markup_Out, I.NetAmount, I.OnHand,
       I.MinStockLevel, I.OnOrder, I.SellingPriceIn, I.SellingPriceOut, I.ItemStatus,
       I.AverageCost, I.AveConsumption, I.LastInventoryCount, I.ExpiryDate, I.NewGLCode,
       I.POMonthsToDeliver, I.MinimumOrAverage, I.StartDate, I.EndDate, M.ListCost,
       M.UnitOfMeasureID,
       coalesce(U.UnitOfMeasure, ''),
       coalesce(I.LastDeliveryDate, '1899-12-30 00:00:00'),
       coalesce(I.LastDeliveryQty, 0),
       M.Packing, I.IsFloor, I.IsCeiling, I.Floor, I.Ceiling, I.IsADSStock, I.ADSStock
  FROM tbInvent I
  JOIN tbInvMaster M ON M.ItemID = I.ItemID
  LEFT JOIN tbInvUnitOfMeasure U ON U.UnitOfMeasureID = M.UnitOfMeasureID
 WHERE I.ItemID = $1
   AND I.LocationID = $2
$$;

-- The member items of a kit, given the kit item's code.
CREATE OR REPLACE FUNCTION sp_Inv_KitofItems(ItemID citext)
    RETURNS TABLE ("ItemID" nocase, "ItemName" text, "Qty" double precision,
                   "UnitCost" numeric, "Packing" smallint, "RetailType" nocase,
                   "Amount" double precision)
    LANGUAGE sql STABLE
    AS $$
SELECT K.ItemID, rtrim(coalesce(M.ItemName, '')) || ' ' || coalesce(M.ItemDesc, ''),
       K.Quantity, M.AverageCost, M.Packing, K.RetailType,
       K.Quantity * M.AverageCost::double precision
  FROM tbInvMaster KM
  JOIN tbInvKit K ON K.KitID = KM.KitID
  JOIN tbInvMaster M ON M.ItemID = K.ItemID
 WHERE KM.ItemID = $1
   AND NOT K.Active = 'I'
 ORDER BY K.ItemID
$$;

-- One member item of a kit.
CREATE OR REPLACE FUNCTION sp_Inv_KitofItems_PerItem(ItemID citext, MemberID citext)
    RETURNS TABLE ("ItemID" nocase, "ItemName" text, "Qty" double precision,
                   "UnitCost" numeric, "Packing" smallint, "RetailType" nocase,
                   "Amount" double precision)
    LANGUAGE sql STABLE
    AS $$
SELECT K.ItemID, rtrim(coalesce(M.ItemName, '')) || ' ' || coalesce(M.ItemDesc, ''),
       K.Quantity, M.AverageCost, M.Packing, K.RetailType,
       K.Quantity * M.AverageCost::double precision
  FROM tbInvMaster KM
  JOIN tbInvKit K ON K.KitID = KM.KitID
  JOIN tbInvMaster M ON M.ItemID = K.ItemID
 WHERE KM.ItemID = $1
   AND K.ItemID = $2
   AND NOT K.Active = 'I'
 ORDER BY K.ItemID
$$;

-- The lines of one request, each with the request's header, in the order they were saved. The
-- lines are put in order before their names are looked up, so that the rows leave the server as
-- they are made, rather than all at once after a sort at the end: a client takes in the first
-- lines while the server still reads the names of the last.
CREATE OR REPLACE FUNCTION sp_Inv_LoadWithdrawalRequest(DocumentNumber citext)
    RETURNS TABLE ("LocationID" nocase, "Location" nocase, "TargetLocationID" nocase,
                   "TLocation" nocase, "DocumentNumber" nocase, "ItemID" nocase,
                   "Description" text, "Quantity" numeric, "UnitCost" numeric,
                   "ForRetail" nocase, "isADS" smallint, "TransDate" timestamp,
                   "Remarks" nocase, "UserID" nocase, "Status" nocase, "VerifiedBy" nocase)
    LANGUAGE sql STABLE
    AS $$
SELECT R.LocationID, L.Location, R.TargetLocationID, T.Location, R.DocumentNumber,
       R.ItemID,
       -- Each line's item by ixInvMaster_ItemKeyName: the same equality as the citext key's, one
       -- probe a line with plain text comparisons (rather than hashing the whole item master),
       -- the name and description read from the index alone. The code is the key, so LIMIT 1
       -- drops nothing; a line whose item is gone reads as one blank, as the item's empty name
       -- and description do. A subquery rather than a join: the planner would put a cache of
       -- the items in front of a join, which a request's lines, nearly all of other items, only
       -- fill (7 ms of 80 for 10,000 lines).
       coalesce((SELECT rtrim(coalesce(M.ItemName, '')) || ' ' || coalesce(M.ItemDesc, '')
                   FROM tbInvMaster M
                  WHERE lower(M.ItemID::text COLLATE "default") COLLATE "C"
                        = lower(R.ItemID::text COLLATE "default") COLLATE "C"
                  LIMIT 1), ' '),
       R.Quantity, R.UnitCost, R.ForRetail, R.isADS, R.TransDate, R.Remarks, R.UserID,
       R.Status, R.VerifiedBy
  FROM (SELECT LineID, LocationID, TargetLocationID, DocumentNumber, ItemID, Quantity, UnitCost,
               ForRetail, isADS, TransDate, Remarks, UserID, Status, VerifiedBy
          FROM tbInvWithdrawRequest
         WHERE DocumentNumber = $1
         ORDER BY LineID) R
  LEFT JOIN tbInvLocation L ON L.LocationID = R.LocationID
  LEFT JOIN tbInvLocation T ON T.LocationID = R.TargetLocationID
 ORDER BY R.LineID
$$;
