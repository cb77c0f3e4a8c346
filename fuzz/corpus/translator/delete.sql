Delete INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '7' -- the old lines
 /* and the rest */