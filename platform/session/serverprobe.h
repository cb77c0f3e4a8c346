#pragma once

#include "platform/db/connection.h"

class QWidget;

// Before the program opens its connection to a PostgreSQL server (which blocks until the server
// answers), it reaches the server without blocking the window: when the server has not answered
// within a moment, a small dialog says "Connecting to dbserver:5432..." with a Cancel button,
// for at most the logon's timeout. Returns once the server answered, whatever it said (a refused
// password is reported by the connection itself). Throws db::DbError when the user cancelled
// (Kind::Failed) or the server did not answer in time (Kind::TimedOut).
void probeServer(const db::PostgresLogon &logon, QWidget *parent = nullptr);
