// quelmar.exe's registration keeps to its own keys: another viewer's ProgID stays as it is.
#include <gtest/gtest.h>

#include "testkit.h"

using namespace testkit;

namespace {

const std::string kProgId = kViewerProgId;
const std::string kOtherClsid = "{5B1F9A52-3C7E-4D20-9A61-0E4C2F8B7D13}";

// The default value of HKCR\<subkey>, "<none>" when the key is not there.
std::string ClassValue(const std::string& subkey)
{
    CRegKeyOwner key;
    char sz[MAX_PATH] = "";
    DWORD cb = sizeof(sz);
    if (key.Open(HKEY_CLASSES_ROOT, subkey.c_str(), KEY_READ) != ERROR_SUCCESS)
        return "<none>";
    RegQueryValueExA(key.Get(), NULL, NULL, NULL, reinterpret_cast<BYTE*>(sz), &cb);
    return sz;
}

void SetClassValue(const std::string& subkey, const std::string& value)
{
    CRegKeyOwner key;
    ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, subkey.c_str(), KEY_SET_VALUE), ERROR_SUCCESS);
    RegSetValueExA(key.Get(), NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

// quelmar.exe with those options: its exit code, and in *err what it wrote on stderr.
DWORD RunQuelmar(const std::string& options, std::string* err)
{
    const std::string errPath = FreshDir("registration") + "\\stderr.txt";
    SECURITY_ATTRIBUTES sa = {sizeof(sa), NULL, TRUE};
    CHandleOwner errFile(
        CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, NULL));
    Child quelmar;
    quelmar.Start("\"" + BinPath("quelmar.exe") + "\" " + options, NULL, false, errFile.Get());
    const DWORD code = quelmar.Wait(30000);
    errFile.Close();
    ReadWholeFile(errPath, err);
    return code;
}

class Registration : public testing::Test {
protected:
    void SetUp() override
    {
        Reset();
        m_clsid = ClassValue(kProgId + "\\CLSID");
        m_server = "\"" + BinPath("quelmar.exe") + "\"";
    }
    void TearDown() override { Reset(); }
    // quelmar registered alone, as every other suite needs it, whatever a test left.
    void Reset()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + kOtherClsid).c_str());
        ASSERT_TRUE(RegisterViewer());
    }
    // What the registry says of both viewers.
    std::string Classes()
    {
        return ClassValue(kProgId) + "|" + ClassValue(kProgId + "\\CLSID") + "|" +
               ClassValue("CLSID\\" + kOtherClsid + "\\LocalServer32") + "|" +
               ClassValue("CLSID\\" + m_clsid + "\\LocalServer32");
    }
    std::string m_clsid, m_server;
};

TEST_F(Registration, AnotherViewersProgIdIsLeftAloneUnlessForced)
{
    std::string err;
    ASSERT_EQ(RunQuelmar("/UnregServer", &err), 0u) << err;
    SetClassValue(kProgId, "Another viewer");
    SetClassValue(kProgId + "\\CLSID", kOtherClsid);
    SetClassValue("CLSID\\" + kOtherClsid + "\\LocalServer32", "C:\\viewer\\viewer.exe");
    const std::string before = Classes();
    ASSERT_EQ(before, "Another viewer|" + kOtherClsid + "|C:\\viewer\\viewer.exe|<none>");

    EXPECT_EQ(RunQuelmar("/RegServer", &err), 1u);
    EXPECT_NE(err.find(kProgId + " is registered to another class, " + kOtherClsid), err.npos)
        << err;
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(RunQuelmar("/UnregServer", &err), 0u);
    EXPECT_NE(err.find("left as it is"), err.npos) << err;
    EXPECT_EQ(Classes(), before);

    EXPECT_EQ(RunQuelmar("/RegServer /force", &err), 0u) << err;
    EXPECT_EQ(Classes(), "Another viewer|" + m_clsid + "|C:\\viewer\\viewer.exe|" + m_server);
}

TEST_F(Registration, QuelmarsOwnRegistrationComesAndGoes)
{
    std::string err;
    ASSERT_EQ(Classes(), "|" + m_clsid + "|<none>|" + m_server);
    EXPECT_EQ(RunQuelmar("/UnregServer", &err), 0u) << err;
    EXPECT_EQ(Classes(), "<none>|<none>|<none>|<none>");
    EXPECT_EQ(RunQuelmar("/RegServer", &err), 0u) << err;
    EXPECT_EQ(RunQuelmar("/RegServer", &err), 0u) << err;
    EXPECT_EQ(Classes(), "|" + m_clsid + "|<none>|" + m_server);
}

} // namespace
