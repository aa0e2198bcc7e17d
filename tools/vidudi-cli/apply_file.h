#pragma once
// The CSV file of `vidudi apply` (RFC 4180; LF or CRLF line ends): a header line naming the
// columns, then one row per adapter.
#include <map>
#include <string>
#include <vector>

namespace vidudi::cli {

struct ApplyRow {
    int line;  // where the row starts in the file, from 1
    std::map<std::string, std::string> cells;  // column -> text; a column the row leaves empty is ""
};

struct ApplyFile {
    std::vector<std::string> columns;
    std::vector<ApplyRow> rows;
};

// The columns a file may have: device, and any of the others.
extern const char* const kApplyColumns[7];

// The rows, or `problem` set (an unknown or repeated column, no device column, a row with more
// fields than the header, an open quote). Blank lines are skipped.
ApplyFile ReadApplyFile(const std::string& text, std::string& problem);

}  // namespace vidudi::cli
