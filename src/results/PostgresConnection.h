#pragma once

#include <memory>
#include <string>

#include "results/SqlConnection.h"

namespace padscope {

// Connects to a PostgreSQL server through libpq: `conninfo` is a URI or a
// keyword=value string; libpq's environment variables and password file
// fill in what it leaves out. Gives up after ten seconds unless the address
// or PGCONNECT_TIMEOUT says otherwise. Null, with `error` set to one line
// (never holding a password), when it cannot connect.
std::unique_ptr<SqlConnection> OpenPostgres(const std::string& conninfo, std::string& error);

}  // namespace padscope
