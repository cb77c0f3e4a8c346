-- The stored procedures the program calls, in INVENTORY. Same parameters and result columns (names
-- and order) as the embedded database's procedures. Needs SQL Server 2016 SP1 or later
-- (CREATE OR ALTER). Run after 02_schema.sql:  sqlcmd -S server -U sa -i 04_procedures.sql

USE INVENTORY;
GO

-- The active locations an employee belongs to.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_UserLocation
    @UserID varchar(20)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT L.Location, L.LocationID
      FROM dbo.tbinvUserLocation U
      JOIN dbo.tbInvLocation L ON L.LocationID = U.LocationID
     WHERE U.UserID = @UserID
       AND (L.Status IS NULL OR L.Status <> 'I')
     ORDER BY L.Location;
END
GO

-- An item's stock card at a location, with the master values the stock display needs.
-- A stock card never delivered to shows date zero (30 December 1899) and quantity 0.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_SearchItem_In_Invent
    @ItemID varchar(20),
    @LocationID varchar(10)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT I.LocationID, I.ItemID, I.Markup_In, I.Markup_Out, I.NetAmount, I.OnHand,
           I.MinStockLevel, I.OnOrder, I.SellingPriceIn, I.SellingPriceOut, I.ItemStatus,
           I.AverageCost, I.AveConsumption, I.LastInventoryCount, I.ExpiryDate, I.NewGLCode,
           I.POMonthsToDeliver, I.MinimumOrAverage, I.StartDate, I.EndDate, M.ListCost,
           M.UnitOfMeasureID,
           ISNULL(U.UnitOfMeasure, '') AS UnitOfMeasure,
           ISNULL(I.LastDeliveryDate, CONVERT(datetime, '18991230', 112)) AS [Last DDate],
           ISNULL(I.LastDeliveryQty, 0) AS [Last Qty],
           M.Packing, I.IsFloor, I.IsCeiling, I.Floor, I.Ceiling, I.IsADSStock, I.ADSStock
      FROM dbo.tbInvent I
      JOIN dbo.tbInvMaster M ON M.ItemID = I.ItemID
      LEFT JOIN dbo.tbInvUnitOfMeasure U ON U.UnitOfMeasureID = M.UnitOfMeasureID
     WHERE I.ItemID = @ItemID
       AND I.LocationID = @LocationID;
END
GO

-- The member items of a kit, given the kit item's code.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_KitofItems
    @ItemID varchar(20)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT K.ItemID, RTRIM(ISNULL(M.ItemName, '')) + ' ' + ISNULL(M.ItemDesc, '') AS ItemName,
           K.Quantity AS Qty, M.AverageCost AS UnitCost, M.Packing, K.RetailType,
           K.Quantity * M.AverageCost AS Amount
      FROM dbo.tbInvMaster KM
      JOIN dbo.tbInvKit K ON K.KitID = KM.KitID
      JOIN dbo.tbInvMaster M ON M.ItemID = K.ItemID
     WHERE KM.ItemID = @ItemID
       AND NOT K.Active = 'I'
     ORDER BY K.ItemID;
END
GO

-- One member item of a kit.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_KitofItems_PerItem
    @ItemID varchar(20),
    @MemberID varchar(20)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT K.ItemID, RTRIM(ISNULL(M.ItemName, '')) + ' ' + ISNULL(M.ItemDesc, '') AS ItemName,
           K.Quantity AS Qty, M.AverageCost AS UnitCost, M.Packing, K.RetailType,
           K.Quantity * M.AverageCost AS Amount
      FROM dbo.tbInvMaster KM
      JOIN dbo.tbInvKit K ON K.KitID = KM.KitID
      JOIN dbo.tbInvMaster M ON M.ItemID = K.ItemID
     WHERE KM.ItemID = @ItemID
       AND K.ItemID = @MemberID
       AND NOT K.Active = 'I'
     ORDER BY K.ItemID;
END
GO

-- The lines of one request, each with the request's header, in the order they were saved.
CREATE OR ALTER PROCEDURE dbo.sp_Inv_LoadWithdrawalRequest
    @DocumentNumber varchar(10)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT R.LocationID, L.Location, R.TargetLocationID, T.Location AS TLocation,
           R.DocumentNumber, R.ItemID,
           RTRIM(ISNULL(M.ItemName, '')) + ' ' + ISNULL(M.ItemDesc, '') AS Description,
           R.Quantity, R.UnitCost, R.ForRetail, R.isADS, R.TransDate, R.Remarks, R.UserID,
           R.Status, R.VerifiedBy
      FROM dbo.tbInvWithdrawRequest R
      LEFT JOIN dbo.tbInvLocation L ON L.LocationID = R.LocationID
      LEFT JOIN dbo.tbInvLocation T ON T.LocationID = R.TargetLocationID
      LEFT JOIN dbo.tbInvMaster M ON M.ItemID = R.ItemID
     WHERE R.DocumentNumber = @DocumentNumber
     ORDER BY R.LineID;
END
GO
