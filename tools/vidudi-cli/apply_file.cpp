#include "apply_file.h"

#include <algorithm>

namespace vidudi::cli {

const char* const kApplyColumns[7] = {"device", "address", "netmask", "gateway", "dhcp", "name", "workgroup"};

namespace {

struct Record {
    int line;
    std::vector<std::string> fields;
};

// RFC 4180 records; quoted fields may hold commas, quotes (doubled) and line ends.
bool SplitRecords(const std::string& text, std::vector<Record>& records, std::string& problem) {
    int line = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        Record record{line, {}};
        std::string field;
        bool ended = false;
        while (!ended) {
            if (at < text.size() && text[at] == '"') {
                const int opened = line;
                for (++at;; ++at) {
                    if (at >= text.size()) {
                        problem = "line " + std::to_string(opened) + ": a quoted field is not closed";
                        return false;
                    }
                    if (text[at] == '"' && at + 1 < text.size() && text[at + 1] == '"') {
                        field += '"';
                        ++at;
                    } else if (text[at] == '"') {
                        ++at;
                        break;
                    } else {
                        if (text[at] == '\n') ++line;
                        field += text[at];
                    }
                }
            }
            while (at < text.size() && text[at] != ',' && text[at] != '\n' && text[at] != '\r') field += text[at++];
            record.fields.push_back(field);
            field.clear();
            if (at < text.size() && text[at] == ',') {
                ++at;
                continue;
            }
            if (at < text.size() && text[at] == '\r') ++at;
            if (at < text.size() && text[at] == '\n') ++at;
            ++line;
            ended = true;
        }
        const bool blank = record.fields.size() == 1 && record.fields[0].empty();
        if (!blank) records.push_back(std::move(record));
    }
    return true;
}

}  // namespace

ApplyFile ReadApplyFile(const std::string& text, std::string& problem) {
    ApplyFile file;
    std::vector<Record> records;
    if (!SplitRecords(text, records, problem)) return {};
    if (records.empty()) {
        problem = "no header line";
        return {};
    }
    for (const std::string& column : records.front().fields) {
        const bool known = std::any_of(std::begin(kApplyColumns), std::end(kApplyColumns),
                                       [&](const char* c) { return column == c; });
        if (!known) {
            problem = "line 1: unknown column '" + column + "' (columns: device, address, netmask, gateway, dhcp, name, workgroup)";
            return {};
        }
        if (std::count(file.columns.begin(), file.columns.end(), column)) {
            problem = "line 1: the column '" + column + "' is there twice";
            return {};
        }
        file.columns.push_back(column);
    }
    if (!std::count(file.columns.begin(), file.columns.end(), "device")) {
        problem = "line 1: there is no device column";
        return {};
    }
    for (std::size_t r = 1; r < records.size(); ++r) {
        const Record& record = records[r];
        if (record.fields.size() > file.columns.size()) {
            problem = "line " + std::to_string(record.line) + ": more fields than the header has columns";
            return {};
        }
        ApplyRow row{record.line, {}};
        for (std::size_t c = 0; c < file.columns.size(); ++c) {
            row.cells[file.columns[c]] = c < record.fields.size() ? record.fields[c] : "";
        }
        file.rows.push_back(std::move(row));
    }
    return file;
}

}  // namespace vidudi::cli
