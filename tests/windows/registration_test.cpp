// quelmar.exe's and the PowerPoint bridge's registrations keep to their own keys: another
// server's ProgID stays as it is, in either registry view; the bridge's per-user command.
#include <gtest/gtest.h>

#include "testkit.h"
#include "viewer/powerpoint_contract.h"

using namespace testkit;

namespace {

const std::string kProgId = kViewerProgId, kOtherClsid = "{5B1F9A52-3C7E-4D20-9A61-0E4C2F8B7D13}";

// The default value of HKCR\<subkey>, set first when given; "<none>" when the key is not there.
std::string ClassValue(const std::string& subkey, const char* set = NULL)
{
    CRegKeyOwner key;
    char sz[MAX_PATH] = "";
    DWORD cb = sizeof(sz);
    if (set)
        SetValue(subkey.c_str(), NULL, REG_SZ, set, lstrlenA(set) + 1, HKEY_CLASSES_ROOT);
    if (key.Open(HKEY_CLASSES_ROOT, subkey.c_str(), KEY_READ) != ERROR_SUCCESS)
        return "<none>";
    RegQueryValueExA(key.Get(), NULL, NULL, NULL, reinterpret_cast<BYTE*>(sz), &cb);
    return sz;
}

// What the registry says of both viewers: the ProgID, its class, and each class's server.
std::string Classes(const std::string& clsid)
{
    return ClassValue(kProgId) + "|" + ClassValue(kProgId + "\\CLSID") + "|" +
           ClassValue("CLSID\\" + kOtherClsid + "\\LocalServer32") + "|" +
           ClassValue("CLSID\\" + clsid + "\\LocalServer32");
}

// quelmar's own registration goes whole; another viewer's stays, unless /force replaces it.
// quelmar alone is registered at the end: the other suites need it.
TEST(Registration, KeepsToItsOwnKeys)
{
    auto reset = [] {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + kOtherClsid).c_str());
        return RegisterViewer();
    };
    ASSERT_TRUE(reset());
    const std::string clsid = ClassValue(kProgId + "\\CLSID");
    const std::string server = "\"" + BinPath("quelmar.exe") + "\"";
    EXPECT_EQ(Classes(clsid), "|" + clsid + "|<none>|" + server);
    EXPECT_EQ(RunQuelmar("/UnregServer"), 0u);
    EXPECT_EQ(Classes(clsid), "<none>|<none>|<none>|<none>");

    ClassValue(kProgId, "Another viewer");
    ClassValue(kProgId + "\\CLSID", kOtherClsid.c_str());
    ClassValue("CLSID\\" + kOtherClsid + "\\LocalServer32", "C:\\viewer\\viewer.exe");
    const std::string before = Classes(clsid);
    EXPECT_EQ(RunQuelmar("/RegServer"), 1u);
    EXPECT_EQ(Classes(clsid), before);
    EXPECT_EQ(RunQuelmar("/UnregServer"), 0u);
    EXPECT_EQ(Classes(clsid), before);

    EXPECT_EQ(RunQuelmar("/RegServer /force"), 0u);
    EXPECT_EQ(Classes(clsid), "Another viewer|" + clsid + "|C:\\viewer\\viewer.exe|" + server);
    EXPECT_TRUE(reset());
}

DWORD RunBridge(const std::string& options)
{
    return LaunchRaw("\"" + BinPath(kBridgeExeName) + "\" " + options).Wait(30000);
}

// The bridge refuses the ProgID while quelmar holds it, or another class holds it in the other
// registry view only (one key on 64-bit Windows, two under Wine), and removes only its own keys.
TEST(Registration, BridgeTakesOnlyAFreeProgId)
{
    const std::string bridge = kBridgeClsidText, quelmar = ClassValue(kProgId + "\\CLSID");
    ASSERT_TRUE(ViewerRegistered());
    const std::string before = Classes(bridge);
    EXPECT_EQ(RunBridge("/RegServer"), 1u);
    EXPECT_EQ(RunBridge("/UnregServer"), 0u);
    EXPECT_EQ(Classes(bridge), before);

    EXPECT_EQ(RunQuelmar("/UnregServer"), 0u);
    EXPECT_EQ(RunBridge("/RegServer"), 0u);
    EXPECT_EQ(Classes(bridge), "|" + bridge + "|<none>|\"" + BinPath(kBridgeExeName) + "\"");
    EXPECT_EQ(RunQuelmar("/RegServer"), 1u);
    EXPECT_EQ(RunQuelmar("/UnregServer"), 0u);
    EXPECT_EQ(ClassValue("CLSID\\" + quelmar + "\\LocalServer32"), "<none>");
    EXPECT_EQ(RunBridge("/UnregServer"), 0u);
    EXPECT_EQ(Classes(bridge), "<none>|<none>|<none>|<none>");

    const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const std::string other = "SOFTWARE\\Classes\\" + kProgId;
    CRegKeyOwner key;
    ASSERT_EQ(
        key.Create(HKEY_LOCAL_MACHINE, (other + "\\CLSID").c_str(), KEY_SET_VALUE | otherView),
        ERROR_SUCCESS);
    RegSetValueExA(key.Get(), NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(kOtherClsid.c_str()),
                   static_cast<DWORD>(kOtherClsid.size() + 1));
    key.Close();
    EXPECT_EQ(RunBridge("/RegServer"), 1u);
    EXPECT_NE(ClassValue(kProgId + "\\CLSID"), bridge);
    EXPECT_EQ(ClassValue("CLSID\\" + bridge + "\\LocalServer32"), "<none>");
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (other + "\\CLSID").c_str(), otherView, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, other.c_str(), otherView, 0);
    EXPECT_TRUE(RegisterViewer());
}

// Active Setup's command gives the user the launcher's options value, 1, only where it is absent.
TEST(Registration, BridgeUserSetupAddsOnlyAMissingValue)
{
    const DWORD saved = MacroValue();
    DeleteValue(kOptionsKey, kMacroProtectionValue);
    EXPECT_EQ(RunBridge(kBridgeUserSetupOption), 0u);
    EXPECT_EQ(MacroValue(), 1u);
    SetMacroProtection(0);
    EXPECT_EQ(RunBridge(kBridgeUserSetupOption), 0u);
    EXPECT_EQ(MacroValue(), 0u);
    SetValue(kOptionsKey, kMacroProtectionValue, REG_SZ, "0", 2);
    EXPECT_EQ(RunBridge(kBridgeUserSetupOption), 0u);
    EXPECT_EQ(MacroValue(), kNoValue);
    if (saved != kNoValue)
        SetMacroProtection(saved);
}

} // namespace
