#include "platform/db/sqllog.h"

Q_LOGGING_CATEGORY(lcSql, "inventory.sql", QtInfoMsg)
