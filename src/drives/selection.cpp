#include "drives/selection.h"

namespace vidudi {

std::string g_strSelectedName;
char g_szSelectedIP[16];

}  // namespace vidudi
