// The PowerPoint stand-in by itself, through COM as the bridge reaches it.
#include "lesson_fixture.h"
#include "viewer/powerpoint_contract.h"

#include <ole2.h>

namespace {

using namespace lessonkit;

// An automation reference the test owns.
struct Ref {
    IDispatch* p = nullptr;
    Ref() = default;
    explicit Ref(IDispatch* q) : p(q) {}
    Ref(Ref&& o) noexcept : p(o.p) { o.p = nullptr; }
    ~Ref()
    {
        if (p)
            p->Release();
    }
};

VARIANT Text(const std::string& text)
{
    VARIANT v = {};
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), v.bstrVal,
                        static_cast<int>(text.size()));
    return v;
}
VARIANT Num(VARTYPE vt, long n)
{
    VARIANT v = {};
    v.vt = vt;
    vt == VT_I4 ? (void)(v.lVal = n) : (void)(v.iVal = static_cast<SHORT>(n));
    return v;
}

// A late-bound call by name, its arguments in declared order (a set's value alone): its HRESULT,
// the argument it blamed, and its result.
struct Outcome {
    HRESULT hr = E_FAIL;
    UINT argErr = ~0u;
    VARIANT result = {};
};
Outcome Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args = {})
{
    Outcome out;
    DISPID id = 0, put = DISPID_PROPERTYPUT;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    out.hr = object ? object->GetIDsOfNames(IID_NULL, names, 1, 0, &id) : E_POINTER;
    std::reverse(args.begin(), args.end());
    const bool set = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params = {args.data(), set ? &put : nullptr, static_cast<UINT>(args.size()),
                         set ? 1u : 0u};
    EXCEPINFO ei = {};
    if (SUCCEEDED(out.hr))
        out.hr = object->Invoke(id, IID_NULL, 0, flags, &params, &out.result, &ei, &out.argErr);
    SysFreeString(ei.bstrSource), SysFreeString(ei.bstrDescription);
    for (VARIANT& v : args)
        VariantClear(&v);
    return out;
}
Ref Get(IDispatch* object, const wchar_t* name, WORD flags = DISPATCH_PROPERTYGET,
        std::vector<VARIANT> args = {})
{
    Outcome out = Call(object, name, flags, std::move(args));
    EXPECT_EQ(out.hr, S_OK) << "no object from " << static_cast<const void*>(name);
    return Ref(out.result.vt == VT_DISPATCH ? out.result.pdispVal : nullptr);
}
long Long(IDispatch* object, const wchar_t* name)
{
    return Call(object, name, DISPATCH_PROPERTYGET).result.lVal;
}

Ref CreatePowerPoint()
{
    CLSID clsid;
    IDispatch* p = nullptr;
    EXPECT_EQ(CLSIDFromProgID(L"PowerPoint.Application", &clsid), S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&p)),
              S_OK);
    return Ref(p);
}

class StandIn : public testing::Test {
public:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(LaunchRaw("\"" + BinPath(kStandinExeName) + "\" /RegServer /force").Wait(30000),
                  0u);
    }
    void SetUp() override
    {
        Clean();
        CoInitialize(nullptr);
        m_dir = FreshDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        m_show = m_dir + "\\lesson.ppt";
        ASSERT_TRUE(CopyFileA(BinPath("good.ppt").c_str(), m_show.c_str(), FALSE));
        SetValue(kStandinTestKey, kStandinJournalValue, REG_SZ, (m_dir + "\\calls.log").c_str(),
                 static_cast<DWORD>(m_dir.size() + 11));
    }
    void TearDown() override
    {
        CoUninitialize();
        Clean();
    }
    static void Clean()
    {
        KillStandin();
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinTestKey);
    }
    std::vector<std::string> Journal() { return Lines(FileText(m_dir + "\\calls.log")); }
    std::string m_dir, m_show;
};

// Each call as it was made, and what the object model makes of it.
TEST_F(StandIn, AnswersByNameAsStrictlyAsTheReference)
{
    Ref app = CreatePowerPoint(), presentations = Get(app.p, L"Presentations");
    struct Row {
        const wchar_t* name;
        WORD flags;
        std::vector<VARIANT> args;
        HRESULT hr;
        UINT argErr;
    };
    const Row rows[] = {
        {L"Nonesuch", DISPATCH_METHOD, {}, DISP_E_UNKNOWNNAME, ~0u},
        {L"Open", DISPATCH_METHOD, {Num(VT_I4, 1), Num(VT_I4, 0)}, DISP_E_TYPEMISMATCH, 1},
        {L"Open", DISPATCH_METHOD, {Text(m_show), Text("yes")}, DISP_E_TYPEMISMATCH, 0},
        {L"Open", DISPATCH_METHOD, {}, DISP_E_PARAMNOTOPTIONAL, ~0u},
        {L"Open", DISPATCH_METHOD, {Text(m_show), Num(VT_I4, 1)}, DISP_E_EXCEPTION, ~0u},
        {L"Open", DISPATCH_PROPERTYGET, {Text(m_show)}, DISP_E_MEMBERNOTFOUND, ~0u},
        {L"Count", DISPATCH_PROPERTYPUT, {Num(VT_I4, 1)}, DISP_E_MEMBERNOTFOUND, ~0u},
        {L"open", DISPATCH_METHOD, {Text(m_dir + "\\none.ppt")}, DISP_E_EXCEPTION, ~0u},
        {L"Open",
         DISPATCH_METHOD,
         {Text(m_show), Num(VT_BOOL, VARIANT_TRUE), Num(VT_I2, 0), Num(VT_I4, 0)},
         S_OK,
         ~0u}};
    for (const Row& row : rows) {
        Outcome out = Call(presentations.p, row.name, row.flags, row.args);
        EXPECT_EQ(out.hr, row.hr) << &row - rows;
        EXPECT_TRUE(row.hr != DISP_E_TYPEMISMATCH || out.argErr == row.argErr) << &row - rows;
        VariantClear(&out.result);
    }
    EXPECT_EQ(Long(presentations.p, L"Count"), 1);
    const std::vector<std::string> calls = Journal();
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        "Presentations Open BSTR:" + m_show + " BOOL:-1 I2:0 I4:0 -> ok"),
              calls.end());
    EXPECT_EQ(FindWindowA(kPowerPointFrameClass, nullptr), nullptr) << "opened without a window";
    Call(app.p, L"Quit", DISPATCH_METHOD);
    EXPECT_TRUE(WaitNoProcess(kStandinExeName, 5000));
}

// A second CreateObject attaches to the one instance; its windows follow the calls; Quit ends it
// while references remain.
TEST_F(StandIn, OneInstanceShowsItsWindowsAndEndsOnQuit)
{
    Ref app = CreatePowerPoint(), again = CreatePowerPoint();
    Ref presentation =
        Get(Get(app.p, L"Presentations").p, L"Open", DISPATCH_METHOD, {Text(m_show)});
    EXPECT_EQ(Long(Get(again.p, L"Presentations").p, L"Count"), 1);
    EXPECT_EQ(CountProcesses(kStandinExeName), 1u);
    EXPECT_NE(FindWindowA(kPowerPointFrameClass, nullptr), nullptr) << "WithWindow's default";
    Ref settings = Get(presentation.p, L"SlideShowSettings");
    EXPECT_EQ(Call(settings.p, L"ShowPresenterView", DISPATCH_PROPERTYPUT, {Num(VT_I4, -1)}).hr,
              S_OK);
    Ref window = Get(settings.p, L"Run", DISPATCH_METHOD), view = Get(window.p, L"View");
    const HWND hShow = FindWindowA(kShowWindowClass, nullptr);
    EXPECT_EQ(Long(window.p, L"HWND"), HandleToLong(hShow));
    EXPECT_NE(FindWindowA(kPresenterViewClass, nullptr), nullptr);
    EXPECT_EQ(Call(view.p, L"GotoSlide", DISPATCH_METHOD, {Num(VT_I2, 3)}).hr, S_OK);
    EXPECT_EQ(Long(view.p, L"CurrentShowPosition"), 3);
    EXPECT_EQ(Call(view.p, L"First", DISPATCH_METHOD).hr, S_OK);
    EXPECT_EQ(Long(view.p, L"CurrentShowPosition"), 1);
    SendMessageA(hShow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(hShow));
    EXPECT_TRUE(WaitFor([] { return !FindWindowA(kPresenterViewClass, nullptr); }, 2000));
    EXPECT_EQ(Call(presentation.p, L"SlideShowWindow", DISPATCH_PROPERTYGET).hr, DISP_E_EXCEPTION);
    EXPECT_EQ(Call(presentation.p, L"Close", DISPATCH_METHOD).hr, S_OK);
    EXPECT_EQ(FindWindowA(kPowerPointFrameClass, nullptr), nullptr);
    EXPECT_EQ(Call(app.p, L"Quit", DISPATCH_METHOD).hr, S_OK);
    EXPECT_TRUE(WaitNoProcess(kStandinExeName, 5000)) << "Quit left it running";
    EXPECT_NE(Call(again.p, L"Version", DISPATCH_PROPERTYGET).hr, S_OK);
}

} // namespace
