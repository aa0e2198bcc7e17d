// Stands in for a browser: appends the command line it was started with to launched.txt in its
// own folder, and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    std::string record(path, length);
    record = record.substr(0, record.find_last_of('\\') + 1) + "launched.txt";
    FILE* file = std::fopen(record.c_str(), "ab");
    if (!file) return 1;
    std::fprintf(file, "%s\n", GetCommandLineA());
    std::fclose(file);
    return 0;
}
