#include "protocol/request_buffers.h"

namespace vidudi {

char g_szTargetIP[16];
char g_szNewIP[16];
char g_szNewNetmask[16];
char g_szNewGateway[16];
char g_szLoginUser[17];
char g_szLoginPassword[17];
char g_szHostName[32];
char g_szWorkGroup[36];

void ClearRequestBuffers() {
    CopyText(g_szTargetIP, "");
    CopyText(g_szNewIP, "");
    CopyText(g_szNewNetmask, "");
    CopyText(g_szNewGateway, "");
    CopyText(g_szLoginUser, "");
    CopyText(g_szLoginPassword, "");
    CopyText(g_szHostName, "");
    CopyText(g_szWorkGroup, "");
}

}  // namespace vidudi
