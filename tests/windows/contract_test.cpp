// The viewer's contract: the calls a lesson makes, in order, and a stand-in that answers no other.
#include <future>
#include <memory>

#include <ole2.h>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

std::string Hex(HRESULT hr)
{
    char sz[16];
    sprintf(sz, "0x%08lX", static_cast<unsigned long>(hr));
    return sz;
}

class Contract : public Lesson {
protected:
    void SetUp() override
    {
        Lesson::SetUp();
        WriteShow("Welcome\r\nQuestion 7\r\nThe end\r\n");
    }
    // The open call the launcher must make on m_show, answered.
    std::string OpenLine() const { return "app 2002 BSTR:" + m_show + " I4:1 I4:0 -> ok"; }
};

// One step of a lesson: a command sent, or "close" (the student closes the show),
// and the text of the box it brings up, if any, with the status written by then.
struct Step {
    const char* command;
    const char* box = NULL;
    const char* statusDuringBox = NULL;
};

TEST_F(Contract, TheViewerGetsExactlyTheContractsCalls)
{
    const std::string refused = " -> 0x80020009"; // DISP_E_EXCEPTION: the viewer refused
    struct Row {
        const char* name;
        const char* directive;
        std::vector<Step> steps;
        std::vector<std::string> calls; // after the open call
        const char* status;
        const char* score;
    } rows[] = {
        {"R: the show stopped, then run",
         "",
         {{"-R"}, {"-G=50"}},
         {"show 2003 -> ok", "show 2002 -> ok", "app 2003 -> ok"},
         "<none>",
         "50"},
        {"a refused restart is reported, the lesson goes on",
         "#quelmar restart-fails",
         {{"-R", "Restart refused: ", "<none>"}, {"-S=C"}},
         {"show 2003" + refused, "app 2003 -> ok"},
         "C",
         "<none>"},
        {"a refused quit is reported once the result is written",
         "#quelmar quit-fails",
         {{"-S=P -G=70", "Quit refused", "P"}},
         {"app 2003" + refused},
         "P",
         "70"},
        {"the show closed by the student", "", {{"close"}}, {"app 2003 -> ok"}, "I,S", "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteShow(std::string(row.directive) + "\r\nSlide\r\n");
        DeleteFileA(m_journal.c_str());
        DeleteFileA(m_result.c_str());
        Child lesson = Start();
        for (const Step& step : row.steps) {
            if (std::string(step.command) == "close")
                PostMessageA(FindWindowA(kShowWindowClass, NULL), WM_CLOSE, 0, 0);
            else
                Send(step.command);
            if (step.box == NULL)
                continue;
            HWND hBox = FindBox(20000);
            ASSERT_NE(hBox, nullptr) << step.command;
            EXPECT_EQ(BoxText(hBox).find(step.box), 0u) << BoxText(hBox);
            EXPECT_EQ(Result("lesson_status"), step.statusDuringBox);
            PressOk(hBox);
        }
        ExpectEnded(lesson);
        std::vector<std::string> calls = {OpenLine()};
        calls.insert(calls.end(), row.calls.begin(), row.calls.end());
        EXPECT_EQ(Journal(), calls);
        EXPECT_EQ(Result("lesson_status"), row.status);
        EXPECT_EQ(Result("score"), row.score);
    }
}

TEST_F(Contract, TextsThatAreNotCommandsAreIgnoredAndASecondNoticeDeliversTheTextAgain)
{
    struct Row {
        const char* text;
        std::vector<std::string> calls; // on the viewer, each time the text is delivered
        size_t records;                 // likewise
    } rows[] = {
        {"", {}, 0},
        {"S=P -G=5", {}, 0},
        {"-", {}, 0},
        {"-x", {}, 0},
        {"-H", {}, 0},
        // Commands: the second notice must deliver them too.
        {"-R", {"show 2003 -> ok", "show 2002 -> ok"}, 0},
        {"-Q=Q1 a 1", {}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("text \"" + std::string(row.text) + "\"");
        DeleteFileA(m_journal.c_str());
        DeleteFileA(m_quiz.c_str());
        Child lesson = Start();
        HWND hFrame = FindWindowA(kFrameClass, "TARNSKOV");
        ASSERT_NE(hFrame, nullptr);
        Send(row.text);
        // The notice a sender posts, with no new text; once the block has been read again
        // (the event a sender waits for), the next text may be written.
        HANDLE hTaken = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kTakenEventName);
        ASSERT_NE(hTaken, nullptr);
        ResetEvent(hTaken);
        PostMessageA(hFrame, WM_SHOW_COMMAND, kTextInBlock, 0);
        EXPECT_EQ(WaitForSingleObject(hTaken, 10000), WAIT_OBJECT_0);
        CloseHandle(hTaken);
        EXPECT_TRUE(lesson.Running());
        Send("-S=P");
        ExpectEnded(lesson);

        std::vector<std::string> journal = {OpenLine()};
        for (int delivery = 0; delivery < 2; ++delivery)
            journal.insert(journal.end(), row.calls.begin(), row.calls.end());
        journal.push_back("app 2003 -> ok");
        EXPECT_EQ(Journal(), journal);
        EXPECT_EQ(Lines(Quiz()).size(), row.records ? 1 + 2 * row.records : 0u) << Quiz();
        EXPECT_EQ(Result("lesson_status"), "P");
    }
}

// quelmar itself, created by its ProgID in this process and called with exact arguments.
struct Releaser {
    void operator()(IUnknown* p) const { p->Release(); }
};
using DispatchPtr = std::unique_ptr<IDispatch, Releaser>;

// One argument: a BSTR without text is the presentation's path.
struct Arg {
    VARTYPE vt;
    LONG n;
    const wchar_t* text;
};
const Arg kPath = {VT_BSTR, 0, NULL};
Arg I4(LONG n)
{
    return {VT_I4, n, NULL};
}

const WORD kMethod = DISPATCH_METHOD;

class Quelmar : public Lesson {
protected:
    void SetUp() override
    {
        Lesson::SetUp();
        ASSERT_EQ(CoInitialize(NULL), S_OK);
        CLSID clsid;
        IDispatch* app = NULL;
        const std::string progId = kViewerProgId;
        ASSERT_EQ(CLSIDFromProgID(std::wstring(progId.begin(), progId.end()).c_str(), &clsid),
                  S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, NULL, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&app)),
                  S_OK);
        m_pApp.reset(app);
    }
    void TearDown() override
    {
        m_pShow.reset();
        m_pApp.reset();
        CoUninitialize();
        Lesson::TearDown();
    }
    // Calls target with args in declared order; a show handed back is kept in m_pShow.
    HRESULT Invoke(IDispatch* target, DISPID id, WORD flags, const std::vector<Arg>& args,
                   EXCEPINFO* pException, UINT* pArgErr)
    {
        const std::wstring path(m_show.begin(), m_show.end());
        std::vector<VARIANTARG> rgvarg(args.size());
        std::vector<LONG> referenced(args.size());
        for (size_t i = 0; i < args.size(); ++i) {
            VARIANTARG& v = rgvarg[args.size() - 1 - i];
            VariantInit(&v);
            v.vt = args[i].vt;
            if (v.vt == VT_BSTR)
                v.bstrVal = SysAllocString(args[i].text ? args[i].text : path.c_str());
            else if (v.vt == VT_I2)
                v.iVal = static_cast<SHORT>(args[i].n);
            else if (v.vt == (VT_I4 | VT_BYREF))
                v.plVal = &(referenced[i] = args[i].n);
            else
                v.lVal = args[i].n;
        }
        DISPPARAMS params = {rgvarg.data(), NULL, static_cast<UINT>(args.size()), 0};
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result,
                                    pException, pArgErr);
        for (VARIANTARG& v : rgvarg)
            VariantClear(&v);
        if (result.vt == VT_DISPATCH && result.pdispVal != NULL)
            m_pShow.reset(result.pdispVal);
        else
            VariantClear(&result);
        return hr;
    }
    std::string WithPath(const std::string& line) const
    {
        size_t at = line.find("<p>");
        return at == std::string::npos ? line : line.substr(0, at) + m_show + line.substr(at + 3);
    }
    DispatchPtr m_pApp, m_pShow;
};

TEST_F(Quelmar, AnswersOnlyCallsThatKeepTheContractAndJournalsEach)
{
    // The journal's path holds blanks; those around it are not part of it.
    m_journal = m_dir + "\\the calls.log";
    WriteWholeFile(m_show, "#quelmar journal \t " + m_journal + " \t\r\nSlide\r\n");
    const Arg P = kPath, text1 = {VT_BSTR, 0, L"1"}, short1 = {VT_I2, 1, NULL};
    const Arg byRef0 = {VT_I4 | VT_BYREF, 0, NULL};
    const WORD M = kMethod, get = DISPATCH_PROPERTYGET;
    const HRESULT count = DISP_E_BADPARAMCOUNT, type = DISP_E_TYPEMISMATCH;
    const HRESULT member = DISP_E_MEMBERNOTFOUND, value = E_INVALIDARG;
    enum Target { App, Show };
    struct Row {
        Target target;
        DISPID id;
        WORD flags;
        std::vector<Arg> args;
        HRESULT hr;
        UINT argErr;      // checked for DISP_E_TYPEMISMATCH
        const char* call; // the journal's new line up to its answer, <p> for the path; "" for none
    } rows[] = {
        // No presentation named yet, so no journal.
        {App, 2002, M, {I4(1), I4(1), I4(0)}, type, 2, ""},
        // The path is learned before the arguments are checked.
        {App, 2002, M, {P, I4(0), I4(1)}, value, 0, "app 2002 BSTR:<p> I4:0 I4:1"},
        {App, 2002, get, {P, I4(1), I4(0)}, member, 0, "app 2002 BSTR:<p> I4:1 I4:0"},
        {App, 2004, M, {}, member, 0, "app 2004"},
        {App, 2002, M, {I4(1), I4(0)}, count, 0, "app 2002 I4:1 I4:0"},
        {App, 2002, M, {I4(1), I4(1), I4(0), I4(0)}, count, 0, "app 2002 I4:1 I4:1 I4:0 I4:0"},
        {App, 2003, M, {I4(0)}, count, 0, "app 2003 I4:0"},
        {App, 2002, M, {P, short1, I4(0)}, type, 1, "app 2002 BSTR:<p> VT2 I4:0"},
        {App, 2002, M, {P, I4(1), byRef0}, type, 0, "app 2002 BSTR:<p> I4:1 VT16387"},
        // The first wrong type counts, before any wrong value.
        {App, 2002, M, {I4(1), text1, I4(9)}, type, 2, "app 2002 I4:1 BSTR:1 I4:9"},
        {App, 2002, M, {P, I4(1), I4(1)}, value, 0, "app 2002 BSTR:<p> I4:1 I4:1"},
        {App, 2002, M, {P, I4(1), I4(0)}, S_OK, 0, "app 2002 BSTR:<p> I4:1 I4:0"},
        {Show, 2003, M, {I4(0)}, count, 0, "show 2003 I4:0"},
        {Show, 2002, get, {}, member, 0, "show 2002"},
        {Show, 2004, M, {}, member, 0, "show 2004"},
        {Show, 2003, M | get, {}, S_OK, 0, "show 2003"},
        {Show, 2002, M, {}, S_OK, 0, "show 2002"},
        {App, 2003, M, {}, S_OK, 0, "app 2003"},
    };
    std::vector<std::string> journal;
    for (const Row& row : rows) {
        SCOPED_TRACE(WithPath(row.call));
        ASSERT_TRUE(row.target == App || m_pShow);
        EXCEPINFO exception = {};
        UINT argErr = 99;
        HRESULT hr = Invoke(row.target == Show ? m_pShow.get() : m_pApp.get(), row.id, row.flags,
                            row.args, &exception, &argErr);
        EXPECT_EQ(Hex(hr), Hex(row.hr));
        if (row.hr == DISP_E_TYPEMISMATCH) {
            EXPECT_EQ(argErr, row.argErr);
        }
        EXPECT_TRUE(exception.bstrDescription == NULL && exception.bstrSource == NULL &&
                    exception.scode == 0 && exception.wCode == 0);
        if (*row.call)
            journal.push_back(WithPath(row.call) + " -> " + (hr == S_OK ? "ok" : Hex(hr)));
        // Each line is in the file by the time the call has returned.
        EXPECT_EQ(Journal(), journal);
    }
}

TEST_F(Quelmar, OpenDelayHoldsTheOpenCallBackAndShowsBeforeItReturns)
{
    WriteShow("#quelmar open-delay 700\r\nSlide\r\n");
    DWORD start = GetTickCount();
    EXPECT_EQ(Hex(Invoke(m_pApp.get(), 2002, kMethod, {kPath, I4(1), I4(0)}, NULL, NULL)),
              Hex(S_OK));
    EXPECT_GE(GetTickCount() - start, 700u - 16) << "less one tick of the clock at most";
    EXPECT_NE(FindWindowA(kShowWindowClass, m_show.c_str()), nullptr);
}

TEST_F(Quelmar, AMistypedDirectiveRefusesTheOpenCallWhichIsJournalled)
{
    const char* directives[] = {"#quelmar open-delay 0", "#quelmar open-delay 2147483648",
                                "#quelmar open-delay 5 ms", "#quelmar journal"};
    std::vector<std::string> journal;
    for (const char* directive : directives) {
        SCOPED_TRACE(directive);
        WriteShow(std::string(directive) + "\r\nSlide\r\n");
        EXCEPINFO exception = {};
        EXPECT_EQ(Hex(Invoke(m_pApp.get(), 2002, kMethod, {kPath, I4(1), I4(0)}, &exception, NULL)),
                  Hex(DISP_E_EXCEPTION));
        char description[512] = "";
        WideCharToMultiByte(CP_ACP, 0, exception.bstrDescription, -1, description,
                            sizeof(description), NULL, NULL);
        EXPECT_EQ(description, "Bad directive in " + m_show + ": " + directive);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrHelpFile);
        journal.push_back(WithPath("app 2002 BSTR:<p> I4:1 I4:0 -> 0x80020009"));
        EXPECT_EQ(Journal(), journal);
    }
}

} // namespace
