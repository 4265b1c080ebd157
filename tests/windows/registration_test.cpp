// quelmar.exe's registration keeps to its own keys: another viewer's ProgID stays as it is.
#include <gtest/gtest.h>

#include "testkit.h"

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

} // namespace
