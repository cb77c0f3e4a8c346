-- Creates the program's two databases on a SQL Server, when they are not there yet:
--   INVENTORY  the stock tables, requests and stored procedures (the logon's default database)
--   Password   the staff table the sign-in and the request verification read
-- Both use a case-insensitive collation on the Windows-1252 code page: the program looks names
-- and codes up without regard to case, and joins the two databases' tables on employee codes.
-- Run as a login allowed to create databases:
--   sqlcmd -S server -U sa -i 01_create_databases.sql

IF DB_ID(N'INVENTORY') IS NULL
    CREATE DATABASE INVENTORY COLLATE SQL_Latin1_General_CP1_CI_AS;
GO

IF DB_ID(N'Password') IS NULL
    CREATE DATABASE Password COLLATE SQL_Latin1_General_CP1_CI_AS;
GO
