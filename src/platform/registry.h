#pragma once
// One string value of the system registry (RegOpenKeyExA, RegQueryValueExA, RegCloseKey).
#include <cstddef>
#include <string>

namespace vidudi::platform {

// The program only ever reads the machine-wide part.
enum class RegistryRoot { LocalMachine };

// The buffer a value is read into, its terminating zero included.
constexpr std::size_t kRegistryTextBuffer = 120;

class Registry {
public:
    virtual ~Registry() = default;
    // Opens the key for querying only and reads the value; an empty value name reads the key's
    // default value. A key that cannot be opened, a missing value, a value that is not text, and
    // a text of kRegistryTextBuffer characters or more all give the empty text: our choice. The
    // callers build a command line from the result, and an empty name makes a command line that
    // cannot start, which sends them to their fallback; a cut-off text could start a different
    // program.
    virtual std::string ReadString(RegistryRoot root, const std::string& subkey, const std::string& valueName) = 0;
};

}  // namespace vidudi::platform
