#include <windows.h>

#include <algorithm>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

constexpr int kWideCharacters = 1023;  // a 1024-character buffer with its terminator

// Cuts a count of UTF-16 units so that it does not end inside a surrogate pair.
int WholeCharacters(const wchar_t* wide, int count) {
    return count > 0 && IS_HIGH_SURROGATE(wide[count - 1]) ? count - 1 : count;
}

class SystemTextConversion final : public TextConversion {
public:
    std::string Utf8ToAnsi(std::string_view utf8) override {
        if (utf8.empty()) return {};
        const int bytes = static_cast<int>(std::min<std::size_t>(utf8.size(), 0x7FFFFFFF));
        wchar_t wide[kWideCharacters];
        int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, wide, kWideCharacters);
        if (count == 0) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
            // Longer than the buffer: keep what fits of it.
            std::wstring all(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, nullptr, 0)),
                             L'\0');
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, all.data(), static_cast<int>(all.size()));
            count = WholeCharacters(all.data(), std::min(static_cast<int>(all.size()), kWideCharacters));
            std::copy_n(all.data(), count, wide);
        }
        // Unrepresentable characters become the default character, not a look-alike letter that
        // could name a different share. A UTF-8 system code page takes no flags.
        const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
        char ansi[kMaxAnsiTextLength + 1];
        const int room = static_cast<int>(kMaxAnsiTextLength);
        while (count > 0) {
            const int written = WideCharToMultiByte(CP_ACP, flags, wide, count, ansi, room, nullptr, nullptr);
            if (written > 0) return std::string(ansi, static_cast<std::size_t>(written));
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
            // Too long for 131 bytes (double-byte code pages): drop characters from the end.
            count = WholeCharacters(wide, count - 1);
        }
        return {};
    }
};

}  // namespace

TextConversion& Win32TextConversion() {
    static SystemTextConversion conversion;
    return conversion;
}

}  // namespace vidudi::platform
