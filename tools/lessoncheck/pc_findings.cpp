// Decides lessoncheck /pc's findings from the registry facts, and writes them as text.
#include "pc_findings.h"

#include "lesson_report.h"
#include "viewer/powerpoint_contract.h"
#include "viewer/viewer_contract.h"

#include <algorithm>
#include <cctype>

const char kPcFile[] = "(this PC)";

namespace {

bool SameText(const std::string& strOne, const std::string& strTwo)
{
    return strOne.size() == strTwo.size() &&
           std::equal(strOne.begin(), strOne.end(), strTwo.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// The program a LocalServer32 command line starts: inside its quotes, or up to ".exe".
std::string ServerProgram(const std::string& strServer)
{
    if (!strServer.empty() && strServer[0] == '"')
        return strServer.substr(1, strServer.find('"', 1) - 1);
    std::string strLower = strServer;
    std::transform(strLower.begin(), strLower.end(), strLower.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    const size_t nExe = strLower.find(".exe");
    return nExe == std::string::npos ? strServer : strServer.substr(0, nExe + 4);
}

bool IsProgramNamed(const std::string& strProgram, const char* pszName)
{
    const size_t nSlash = strProgram.find_last_of("\\/");
    return SameText(nSlash == std::string::npos ? strProgram : strProgram.substr(nSlash + 1),
                    pszName);
}

void Add(CButtonCheck* pRow, ESeverity nSeverity, const std::string& strText)
{
    pRow->m_arrFindings.push_back({nSeverity, strText});
}

const char* ViewName(const CPcFacts& facts, int nView)
{
    return !facts.m_bTwoViews ? "" : nView == kView32 ? " (32-bit view)" : " (64-bit view)";
}

// A registration's row: whose server it is, and an error where its program is missing.
CButtonCheck ServerRow(const CPcFacts& facts, const char* pszProgId, int nView,
                       const CServerEntry& entry, const char* pszWhose)
{
    CButtonCheck row;
    row.m_strButton = std::string(pszProgId) + ViewName(facts, nView);
    row.m_strProgram = ServerProgram(entry.m_strServer);
    if (entry.m_strClsid.empty())
        Add(&row, kSeverityNone, "not registered");
    else if (entry.m_strServer.empty())
        Add(&row, kSeverityError, "its class " + entry.m_strClsid + " has no LocalServer32 here");
    else if (!facts.m_pfnFileExists(row.m_strProgram))
        Add(&row, kSeverityError, "its server " + row.m_strProgram + " is not on this PC");
    else
        Add(&row, kSeverityNone, pszWhose);
    return row;
}

bool IsBridge(const CServerEntry& entry)
{
    return SameText(entry.m_strClsid, kBridgeClsidText);
}

const char* ViewerWhose(const CServerEntry& entry)
{
    if (IsBridge(entry))
        return "the bridge to PowerPoint";
    if (IsProgramNamed(ServerProgram(entry.m_strServer), "quelmar.exe"))
        return "quelmar, the demo and test stand-in";
    return "another program: the viewer, or one in its place";
}

void AddViewerRows(const CPcFacts& facts, CLessonCheck* pCheck)
{
    for (int nView = kView32; nView <= (facts.m_bTwoViews ? kView64 : kView32); ++nView) {
        const CServerEntry& entry = facts.m_arrViewer[nView];
        CButtonCheck row = ServerRow(facts, kViewerProgId, nView, entry, ViewerWhose(entry));
        if (nView == facts.m_nLauncherView) {
            Add(&row, kSeverityNone, "the launcher reads this view");
            if (entry.m_strClsid.empty())
                Add(&row, kSeverityError, "no lesson can start");
            else if (IsProgramNamed(row.m_strProgram, "quelmar.exe"))
                Add(&row, kSeverityWarning, "lessons run in the demo viewer, not for students");
        }
        pCheck->m_arrRows.push_back(row);
    }
}

void AddOptionsRow(const CPcFacts& facts, CLessonCheck* pCheck)
{
    CButtonCheck row;
    row.m_strButton = std::string("HKCU\\") + kOptionsKey + "\\" + kMacroProtectionValue;
    if (facts.m_nOptions == kValueDword)
        Add(&row, kSeverityNone, "a REG_DWORD, as the launcher needs");
    else
        Add(&row, kSeverityError,
            std::string(facts.m_nOptions == kValueAbsent ? "absent" : "not a REG_DWORD") +
                ": every lesson of this user stops with \"PPT Viewer failure\"");
    pCheck->m_arrRows.push_back(row);
}

const char* PowerPointWhose(const CServerEntry& entry)
{
    return SameText(entry.m_strClsid, kStandinClsidText) ? "the test stand-in of PowerPoint"
                                                         : "PowerPoint, or a program in its place";
}

void AddPowerPointRows(const CPcFacts& facts, CLessonCheck* pCheck)
{
    bool bRegistered = false;
    for (int nView = kView32; nView <= (facts.m_bTwoViews ? kView64 : kView32); ++nView) {
        const CServerEntry& entry = facts.m_arrPowerPoint[nView];
        CButtonCheck row =
            ServerRow(facts, kPowerPointProgId, nView, entry, PowerPointWhose(entry));
        if (SameText(entry.m_strClsid, kStandinClsidText))
            Add(&row, kSeverityWarning, "lessons run in the stand-in, not in PowerPoint");
        bRegistered = bRegistered || !entry.m_strClsid.empty();
        pCheck->m_arrRows.push_back(row);
    }
    if (!bRegistered)
        Add(&pCheck->m_arrRows.back(), kSeverityError,
            "PowerPoint is not registered: the bridge has nothing to drive");
}

void AddPolicyRow(const CPcFacts& facts, CLessonCheck* pCheck)
{
    CButtonCheck row;
    row.m_strButton =
        "HKCU\\" + PcPolicyKey(facts.m_strPowerPointVersion) + "\\" + kRunProgramsValue;
    const bool bDword = facts.m_nPolicy == kValueDword;
    if (facts.m_nPolicy == kValueOther)
        Add(&row, kSeverityError, "not a REG_DWORD: what PowerPoint makes of it is unknown");
    else if (!bDword || facts.m_dwPolicy == kRunProgramsNever)
        Add(&row, kSeverityError,
            std::string(bDword ? "0" : "absent") +
                ": the lessons' buttons do nothing in PowerPoint");
    else if (facts.m_dwPolicy == kRunProgramsAsk)
        Add(&row, kSeverityWarning, "1: the student is asked at each click before it runs");
    else if (facts.m_dwPolicy == kRunProgramsAlways)
        Add(&row, kSeverityNone, "2: the buttons run their programs without asking");
    else
        Add(&row, kSeverityError,
            std::to_string(facts.m_dwPolicy) + ": no value the policy defines (0, 1 or 2)");
    pCheck->m_arrRows.push_back(row);
}

std::string Plural(int nCount, const char* pszWhat)
{
    return std::to_string(nCount) + " " + pszWhat + (nCount == 1 ? "" : "s");
}

} // namespace

std::string PcPolicyKey(const std::string& strVersion)
{
    std::string strKey = kRunProgramsPolicyKey;
    const size_t nAt = strKey.find("16.0");
    return strVersion.empty() ? strKey : strKey.replace(nAt, 2, strVersion);
}

std::string VersionOfCurVer(const std::string& strCurVer)
{
    const std::string strPrefix = std::string(kPowerPointProgId) + ".";
    const std::string strVersion =
        strCurVer.size() > strPrefix.size() &&
                SameText(strCurVer.substr(0, strPrefix.size()), strPrefix)
            ? strCurVer.substr(strPrefix.size())
            : "";
    const bool bDigits = !strVersion.empty() && strVersion.size() <= 3 &&
                         std::all_of(strVersion.begin(), strVersion.end(),
                                     [](unsigned char ch) { return std::isdigit(ch) != 0; });
    return bDigits ? strVersion : "";
}

bool IsBridgeRegistered(const CPcFacts& facts)
{
    return IsBridge(facts.m_arrViewer[kView32]) ||
           (facts.m_bTwoViews && IsBridge(facts.m_arrViewer[kView64]));
}

CLessonCheck CheckPc(const CPcFacts& facts)
{
    CLessonCheck check;
    AddViewerRows(facts, &check);
    AddOptionsRow(facts, &check);
    if (IsBridgeRegistered(facts)) {
        AddPowerPointRows(facts, &check);
        AddPolicyRow(facts, &check);
    }
    return check;
}

std::string PcTable(const CLessonCheck& check)
{
    std::string strTable = std::string(kPcFile) + "\r\n";
    for (const CButtonCheck& row : check.m_arrRows) {
        strTable += "  " + row.m_strButton +
                    (row.m_strProgram.empty() ? "" : "  " + row.m_strProgram) + "\r\n";
        for (const CFinding& finding : row.m_arrFindings)
            strTable += std::string("      ") + SeverityName(finding.m_nSeverity) +
                        (finding.m_nSeverity == kSeverityNone ? "" : ": ") + finding.m_strText +
                        "\r\n";
    }
    return strTable + "  " + Plural(check.Count(kSeverityError), "error") + ", " +
           Plural(check.Count(kSeverityWarning), "warning") + "\r\n\r\n";
}
