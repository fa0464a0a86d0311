#pragma once

#include <memory>
#include <string>

#include "results/SqlConnection.h"

namespace padscope {

// Opens (creating when missing) the SQLite file at `path`, in write-ahead
// mode, waiting up to a minute for another writer. Null, with `error` set to
// one line, when it cannot be opened.
std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, std::string& error);

}  // namespace padscope
