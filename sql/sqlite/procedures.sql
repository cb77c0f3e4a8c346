-- The stored procedures of the embedded database. Each block is one procedure: a header line
--   -- PROCEDURE name @Param, @Param
-- then one SELECT in which the parameters appear as @Param; their values are bound, never pasted.

-- PROCEDURE sp_Inv_UserLocation @UserID
-- The active locations an employee belongs to.
SELECT L.Location, L.LocationID
  FROM tbinvUserLocation U
  JOIN tbInvLocation L ON L.LocationID = U.LocationID
 WHERE U.UserID = @UserID
   AND (L.Status IS NULL OR L.Status <> 'I')
 ORDER BY L.Location;

-- PROCEDURE sp_Inv_SearchItem_In_Invent @ItemID, @LocationID
-- An item's stock card at a location, with the master values the stock display needs.
SELECT I.LocationID, I.ItemID, I.Markup_In, I.Markup_Out, I.NetAmount, I.OnHand, I.MinStockLevel,
       I.OnOrder, I.SellingPriceIn, I.SellingPriceOut, I.ItemStatus, I.AverageCost,
       I.AveConsumption, I.LastInventoryCount, I.ExpiryDate, I.NewGLCode, I.POMonthsToDeliver,
       I.MinimumOrAverage, I.StartDate, I.EndDate, M.ListCost, M.UnitOfMeasureID,
       ifnull(U.UnitOfMeasure, '') AS UnitOfMeasure,
       ifnull(I.LastDeliveryDate, '1899-12-30 00:00:00') AS [Last DDate],
       ifnull(I.LastDeliveryQty, 0) AS [Last Qty],
       M.Packing, I.IsFloor, I.IsCeiling, I.Floor, I.Ceiling, I.IsADSStock, I.ADSStock
  FROM tbInvent I
  JOIN tbInvMaster M ON M.ItemID = I.ItemID
  LEFT JOIN tbInvUnitOfMeasure U ON U.UnitOfMeasureID = M.UnitOfMeasureID
 WHERE I.ItemID = @ItemID
   AND I.LocationID = @LocationID;

-- PROCEDURE sp_Inv_KitofItems @ItemID
-- The member items of a kit, given the kit item's code.
SELECT K.ItemID, rtrim(ifnull(M.ItemName, '')) || ' ' || ifnull(M.ItemDesc, '') AS ItemName,
       K.Quantity AS Qty, M.AverageCost AS UnitCost, M.Packing, K.RetailType,
       K.Quantity * M.AverageCost AS Amount
  FROM tbInvMaster KM
  JOIN tbInvKit K ON K.KitID = KM.KitID
  JOIN tbInvMaster M ON M.ItemID = K.ItemID
 WHERE KM.ItemID = @ItemID
   AND NOT K.Active = 'I'
 ORDER BY K.ItemID;

-- PROCEDURE sp_Inv_KitofItems_PerItem @ItemID, @MemberID
-- One member item of a kit.
SELECT K.ItemID, rtrim(ifnull(M.ItemName, '')) || ' ' || ifnull(M.ItemDesc, '') AS ItemName,
       K.Quantity AS Qty, M.AverageCost AS UnitCost, M.Packing, K.RetailType,
       K.Quantity * M.AverageCost AS Amount
  FROM tbInvMaster KM
  JOIN tbInvKit K ON K.KitID = KM.KitID
  JOIN tbInvMaster M ON M.ItemID = K.ItemID
 WHERE KM.ItemID = @ItemID
   AND K.ItemID = @MemberID
   AND NOT K.Active = 'I'
 ORDER BY K.ItemID;

-- PROCEDURE sp_Inv_LoadWithdrawalRequest @DocumentNumber
-- The lines of one request, each with the request's header (its date, justification, requester,
-- status and verifier), in the order they were saved.
SELECT R.LocationID, L.Location, R.TargetLocationID, T.Location AS TLocation, R.DocumentNumber,
       R.ItemID, rtrim(ifnull(M.ItemName, '')) || ' ' || ifnull(M.ItemDesc, '') AS Description,
       R.Quantity, R.UnitCost, R.ForRetail, R.isADS, R.TransDate, R.Remarks, R.UserID, R.Status,
       R.VerifiedBy
  FROM tbInvWithdrawRequest R
  LEFT JOIN tbInvLocation L ON L.LocationID = R.LocationID
  LEFT JOIN tbInvLocation T ON T.LocationID = R.TargetLocationID
  LEFT JOIN tbInvMaster M ON M.ItemID = R.ItemID
 WHERE R.DocumentNumber = @DocumentNumber
 ORDER BY R.LineID;
