#pragma once

#include "platform/error.h"
#include "platform/session/sessionsettings.h"

#include <QString>

#include <optional>

namespace db {
class Connection;
}

// Why a database could not be used, as the sign-in and the database dialogs show it: one plain
// sentence for the clerk, and the server's (or the driver's) own text for whoever looks further.
struct OpenProblem
{
    QString reason;
    QString details; // empty when the reason says it all
};

// The reason a database the settings name could not be opened, worded from the error's text:
// a server that does not answer, a refused logon, a missing database, a file that cannot be read.
OpenProblem describeOpenFailure(const AppError &error, const SessionSettings &settings);

// "Connected, but this database has no Inventory Request tables: run sql/postgresql/01 to 03",
// worded for the engine and its own scripts; nothing when the program's tables are there.
std::optional<QString> missingTables(db::Connection &connection);

// Thrown by the sign-in when the database still cannot be opened: what to show in its place.
class DatabaseUnavailable : public AppError
{
public:
    explicit DatabaseUnavailable(OpenProblem problem);
    const OpenProblem &problem() const { return m_problem; }

private:
    OpenProblem m_problem;
};
