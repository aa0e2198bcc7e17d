// Windows Firewall through its COM interface, INetFwPolicy2: the profiles in force, whether the
// firewall is on for them, and the inbound rules that apply to them.
#include <windows.h>
// The GUIDs of netfw.h are defined here, once (selectany).
#include <initguid.h>
#include <netfw.h>
#include <oleauto.h>

#include <string>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

constexpr long kUdp = 17;
constexpr long kAnyProtocol = 256;

// Releases a COM interface at the end of its scope.
template <typename T>
struct ComRef {
    T* p = nullptr;
    ~ComRef() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
};

struct Bstr {
    BSTR text = nullptr;
    ~Bstr() { SysFreeString(text); }
};

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; text && *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
    return narrow;
}

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

// An enabled inbound allow rule for one of the profiles in force: does it let us, or the port, in?
void Consider(INetFwRule* rule, long profiles, unsigned short port, const std::wstring& program,
              FirewallState& state) {
    VARIANT_BOOL enabled = VARIANT_FALSE;
    NET_FW_RULE_DIRECTION direction{};
    NET_FW_ACTION action{};
    long ruleProfiles = 0;
    if (FAILED(rule->get_Enabled(&enabled)) || enabled != VARIANT_TRUE) return;
    if (FAILED(rule->get_Direction(&direction)) || direction != NET_FW_RULE_DIR_IN) return;
    if (FAILED(rule->get_Action(&action)) || action != NET_FW_ACTION_ALLOW) return;
    if (FAILED(rule->get_Profiles(&ruleProfiles)) || (ruleProfiles & profiles) == 0) return;
    Bstr application;
    if (SUCCEEDED(rule->get_ApplicationName(&application.text)) && application.text && !program.empty() &&
        CompareStringOrdinal(application.text, -1, program.c_str(), -1, TRUE) == CSTR_EQUAL) {
        state.programAllowed = true;
    }
    long protocol = 0;
    Bstr ports;
    if (SUCCEEDED(rule->get_Protocol(&protocol)) && (protocol == kUdp || protocol == kAnyProtocol) &&
        (protocol == kAnyProtocol || (SUCCEEDED(rule->get_LocalPorts(&ports.text)) &&
                                      PortListIncludes(ports.text ? Narrow(ports.text) : "*", port)))) {
        // Without an application the rule is for every program.
        if (!application.text || SysStringLen(application.text) == 0) state.portAllowed = true;
    }
}

std::optional<FirewallState> ReadPolicy(unsigned short port) {
    ComRef<INetFwPolicy2> policy;
    if (FAILED(CoCreateInstance(CLSID_NetFwPolicy2, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwPolicy2,
                                reinterpret_cast<void**>(&policy.p)))) {
        return std::nullopt;
    }
    long profiles = 0;
    if (FAILED(policy->get_CurrentProfileTypes(&profiles))) return std::nullopt;
    FirewallState state;
    const struct {
        NET_FW_PROFILE_TYPE2 type;
        const char* name;
    } kProfiles[] = {{NET_FW_PROFILE2_DOMAIN, "domain"}, {NET_FW_PROFILE2_PRIVATE, "private"},
                     {NET_FW_PROFILE2_PUBLIC, "public"}};
    for (const auto& profile : kProfiles) {
        if (!(profiles & profile.type)) continue;
        state.profiles += (state.profiles.empty() ? "" : ", ") + std::string(profile.name);
        VARIANT_BOOL on = VARIANT_FALSE;
        if (SUCCEEDED(policy->get_FirewallEnabled(profile.type, &on)) && on == VARIANT_TRUE) state.enabled = true;
    }
    ComRef<INetFwRules> rules;
    ComRef<IUnknown> enumerator;
    ComRef<IEnumVARIANT> each;
    if (FAILED(policy->get_Rules(&rules.p)) || FAILED(rules->get__NewEnum(&enumerator.p)) ||
        FAILED(enumerator->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&each.p)))) {
        return state;  // on or off is known; no rule could be read
    }
    const std::wstring program = ThisProgram();
    VARIANT item;
    VariantInit(&item);
    ULONG fetched = 0;
    while (each->Next(1, &item, &fetched) == S_OK && fetched == 1) {
        ComRef<INetFwRule> rule;
        if (item.vt == VT_DISPATCH && item.pdispVal &&
            SUCCEEDED(item.pdispVal->QueryInterface(IID_INetFwRule, reinterpret_cast<void**>(&rule.p)))) {
            Consider(rule.p, profiles, port, program, state);
        }
        VariantClear(&item);
    }
    return state;
}

class PolicyFirewall final : public Firewall {
public:
    std::optional<FirewallState> Inspect(unsigned short udpPort) override {
        // COM for this call; a caller that has it already keeps its own.
        const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        std::optional<FirewallState> state = ReadPolicy(udpPort);
        if (SUCCEEDED(init)) CoUninitialize();
        return state;
    }
};

}  // namespace

Firewall& Win32Firewall() {
    static PolicyFirewall firewall;
    return firewall;
}

}  // namespace vidudi::platform
