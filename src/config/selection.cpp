#include "config/selection.h"

namespace vidudi::config {

std::string g_strSelectedName;
char g_szSelectedIP[16];

}  // namespace vidudi::config
