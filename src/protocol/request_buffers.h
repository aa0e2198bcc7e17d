#pragma once
// Parameter and result buffers of the request catalogue: callers fill them before a request
// and read them after it.
#include <cstddef>
#include <cstring>

namespace vidudi {

extern char g_szTargetIP[16];
extern char g_szNewIP[16];
extern char g_szNewNetmask[16];
extern char g_szNewGateway[16];
extern char g_szLoginUser[17];
extern char g_szLoginPassword[17];
extern char g_szHostName[32];
extern char g_szWorkGroup[36];

void ClearRequestBuffers();

// Bounded copy into a fixed text buffer; the rest of the buffer is NUL-filled, so the text is
// always terminated and nothing of an earlier, longer text remains.
template <std::size_t N>
void CopyText(char (&destination)[N], const char* source) {
    std::size_t length = source ? strnlen(source, N - 1) : 0;
    if (length) std::memcpy(destination, source, length);
    std::memset(destination + length, 0, N - length);
}

}  // namespace vidudi
