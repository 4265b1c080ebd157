// lessoncheck's findings on the lessons Apache POI made, with a pretend PC.
#include "lesson_findings.h"
#include "lesson_report.h"
#include "pc_findings.h"
#include "viewer/powerpoint_contract.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {
// A code page that holds the first 256 characters, and a PC with the launcher where the good
// lesson's buttons look for it.
bool ToLatin1(const std::u16string& str, std::string* pAnsi)
{
    pAnsi->clear();
    bool bHeld = true;
    for (char16_t ch : str) {
        bHeld = bHeld && ch < 0x100;
        *pAnsi += ch < 0x100 ? char(ch) : '?';
    }
    return bHeld;
}

bool LauncherInstalled(const std::string& strPath)
{
    return strPath == "C:\\CBT\\tarnskov.exe" ||
           strPath == "C:\\Program Files (x86)\\Tarnskov\\tarnskov.exe";
}

CLessonCheck Check(const std::string& strName)
{
    std::ifstream file(std::string(LESSONS_DIR) + "/" + strName, std::ios::binary);
    const std::vector<uint8_t> arrBytes(std::istreambuf_iterator<char>(file), {});
    CLesson lesson;
    CFileError error;
    EXPECT_TRUE(ReadLessonFile(arrBytes.data(), arrBytes.size(), &lesson, &error));
    return CheckLesson(lesson, {ToLatin1, LauncherInstalled});
}

struct CRow {
    const char* m_pszButton; // "" for the lesson's own row
    const char* m_pszSeverity;
    const char* m_pszFinding; // a part of the joined findings; "" when there are none
};

void ExpectRows(const CLessonCheck& check, const std::vector<CRow>& arrRows)
{
    ASSERT_EQ(check.m_arrRows.size(), arrRows.size());
    for (size_t n = 0; n < arrRows.size(); ++n) {
        const CButtonCheck& row = check.m_arrRows[n];
        EXPECT_EQ(row.m_strButton, arrRows[n].m_pszButton);
        EXPECT_STREQ(SeverityName(row.Worst()), arrRows[n].m_pszSeverity) << row.Findings();
        EXPECT_NE(row.Findings().find(arrRows[n].m_pszFinding), std::string::npos)
            << row.m_strButton << ": " << row.Findings();
        EXPECT_EQ(row.Findings().empty(), *arrRows[n].m_pszFinding == '\0') << row.Findings();
    }
}
} // namespace

TEST(LessonCheck, TheGoodLessonHasNoFindingAndItsNineCommands)
{
    const CLessonCheck check = Check("good.ppt");
    std::string strCommands;
    for (const CButtonCheck& row : check.m_arrRows) {
        EXPECT_EQ(row.Findings(), "") << row.m_strButton;
        if (!row.m_strTail.empty())
            strCommands += row.m_strSlide + " " + row.m_strTail + " = " + row.m_strDoes + "\n";
    }
    EXPECT_EQ(check.m_arrRows.size(), 17u);
    EXPECT_EQ(check.m_arrRows.back().m_strSlide, "master");
    EXPECT_EQ(strCommands, "2 -Q=Q1 A 0 = records Q1: A, not correct\n"
                           "2 -Q=Q1 B 0 = records Q1: B, not correct\n"
                           "2 -Q=Q1 C 0 = records Q1: C, not correct\n"
                           "2 -Q=Q1 D 1 = records Q1: D, correct\n"
                           "4 -Q=Q2 A 0 = records Q2: A, not correct\n"
                           "4 -Q=Q2 B 1 = records Q2: B, correct\n"
                           "4 -Q=Q2 C 0 = records Q2: C, not correct\n"
                           "4 -Q=Q2 D 0 = records Q2: D, not correct\n"
                           "5 -S=P -G=90 = finishes: status 'P', score '90'\n");
}

TEST(LessonCheck, FaultsInAnswersFound)
{
    ExpectRows(Check("faults.ppt"),
               {{"A) relative", "warning", "relative program"},
                {"B) no dash", "error", "no leading '-'"},
                {"C) outside A-D", "error", "the response 'E' is not one letter A-D"},
                {"D) another id", "warning", "different ids: 'Q1', 'Q2'"},
                {"Ignored letter", "error", "ignores the letter 'X'"},
                {"Quote in id", "error", "holds a double quote"},
                {"Too long", "error", "268 characters, over 255"},
                {"Blank in path", "error", "tries C:\\Program.exe, then C:\\Program Files\\CBT"},
                {"Hover", "warning", "mouse-over"},
                {"Click here to answer C.", "error", "the id 'Q3' is followed by no response"},
                {"", "warning", "no button finishes the lesson"}});
}

TEST(LessonCheck, FaultsInProgramsAndFinishesFound)
{
    const CLessonCheck check = Check("faults-master.ppt");
    ExpectRows(check, {{"A) notepad", "warning", "notepad.exe is not the launcher"},
                       {"B) nowhere", "warning", "C:\\Nowhere\\tarnskov.exe is not on this PC"},
                       {"C) arrow", "error", "U+2192, which the ANSI code page cannot hold"},
                       {"D) empty finish", "error",
                        "'S=', 'G=' write nothing; the finish gives "
                        "no status and no score"},
                       {"Long finish", "error", "the first 127 of its 145 characters: 'G=9000"},
                       {"Finish", "error", "{status} is sent as it stands"}});
    EXPECT_EQ(check.m_arrRows.back().m_strSlide, "master");
    EXPECT_EQ(check.m_arrRows[5].m_strDoes, "finishes: status '{status}', score '{score}'");
}

TEST(LessonCheck, CsvQuotesAFieldWithAQuote)
{
    CLessonCheck check;
    check.m_arrRows.push_back(Check("faults.ppt").m_arrRows[5]);
    EXPECT_EQ(CsvRows("a,b.ppt", check),
              "\"a,b.ppt\",2,Quote in id,C:\\CBT\\tarnskov.exe,\"-Q=Q\"\"3 A 1\",error,\"the id "
              "'Q\"\"3' holds a double quote, which ends its quoted field in the interaction file "
              "early\"\r\n");
}

namespace {
bool OnlyKnownFiles(const std::string& strPath)
{
    return strPath.find("missing") == std::string::npos;
}

// A 64-bit PC with the 32-bit bridge, the options value, PowerPoint in the 64-bit view, policy 2.
CPcFacts BridgePc()
{
    return {
        true,
        kView32,
        {{kBridgeClsidText, "\"C:\\Program Files (x86)\\Tarnskov\\tarnskov-powerpoint.exe\""}, {}},
        kValueDword,
        {{}, {"{91493441-5A91-11CF-8700-00AA0060263B}", "C:\\Office\\POWERPNT.EXE /automation"}},
        "16",
        kValueDword,
        kRunProgramsAlways,
        OnlyKnownFiles};
}

struct CPcRow {
    const char* m_pszName;
    void (*m_pfnChange)(CPcFacts* pFacts);
    int m_nErrors, m_nWarnings;
    const char* m_pszFinding; // a part of one row's findings
};
} // namespace

TEST(PcCheck, FindsWhatStopsLessonsOnThisPc)
{
    const CPcRow arrRows[] = {
        {"ready", [](CPcFacts*) {}, 0, 0, "the bridge to PowerPoint; the launcher reads this view"},
        {"asked", [](CPcFacts* p) { p->m_dwPolicy = kRunProgramsAsk; }, 0, 1, "student is asked"},
        {"no policy", [](CPcFacts* p) { p->m_nPolicy = kValueAbsent; }, 1, 0, "absent: the les"},
        {"policy 0", [](CPcFacts* p) { p->m_dwPolicy = 0; }, 1, 0, "0: the lessons' buttons do"},
        {"policy 7", [](CPcFacts* p) { p->m_dwPolicy = 7; }, 1, 0, "7: no value the policy"},
        {"policy text", [](CPcFacts* p) { p->m_nPolicy = kValueOther; }, 1, 0, "not a REG_DWORD"},
        {"no PowerPoint", [](CPcFacts* p) { p->m_arrPowerPoint[1] = {}; }, 1, 0, "nothing to"},
        {"stand-in",
         [](CPcFacts* p) {
             p->m_arrPowerPoint[0] = {kStandinClsidText, "s.exe"};
         },
         0, 1, "test stand-in of PowerPoint"},
        {"options text", [](CPcFacts* p) { p->m_nOptions = kValueOther; }, 1, 0,
         "not a REG_DWORD: every lesson of this user stops with"},
        {"server gone", [](CPcFacts* p) { p->m_arrViewer[0].m_strServer = "C:\\missing.exe -x"; },
         1, 0, "its server C:\\missing.exe is not on this PC"},
        // Without the bridge, neither PowerPoint nor its policy is asked about.
        {"quelmar",
         [](CPcFacts* p) {
             p->m_arrViewer[0] = {"{Q}", "\"C:\\T\\QUELMAR.EXE\""};
         },
         0, 1, "lessons run in the demo viewer"},
        {"bridge in the other view only",
         [](CPcFacts* p) { std::swap(p->m_arrViewer[0], p->m_arrViewer[1]); }, 1, 0,
         "not registered; the launcher reads this view; no lesson can start"},
        {"nothing", [](CPcFacts* p) { p->m_arrViewer[0] = {}, p->m_nOptions = kValueAbsent; }, 2, 0,
         "absent: every lesson"},
    };
    for (const CPcRow& row : arrRows) {
        CPcFacts facts = BridgePc();
        row.m_pfnChange(&facts);
        const CLessonCheck check = CheckPc(facts);
        EXPECT_EQ(check.Count(kSeverityError), row.m_nErrors) << row.m_pszName;
        EXPECT_EQ(check.Count(kSeverityWarning), row.m_nWarnings) << row.m_pszName;
        EXPECT_NE(CsvRows(kPcFile, check).find(row.m_pszFinding), std::string::npos)
            << row.m_pszName << "\n"
            << CsvRows(kPcFile, check);
        const bool bBridge = IsBridgeRegistered(facts);
        EXPECT_EQ(check.m_arrRows.size(), bBridge ? 6u : 3u) << row.m_pszName;
    }
}

TEST(PcCheck, ReadsTheVersionsPolicyAndWritesItsRows)
{
    EXPECT_EQ(VersionOfCurVer("PowerPoint.Application.15"), "15");
    EXPECT_EQ(VersionOfCurVer("PowerPoint.Application"), "");
    EXPECT_EQ(PcPolicyKey("15"),
              "Software\\Policies\\Microsoft\\Office\\15.0\\PowerPoint\\Security");
    EXPECT_EQ(PcPolicyKey(""), kRunProgramsPolicyKey);
    CPcFacts facts = BridgePc();
    facts.m_bTwoViews = false;
    facts.m_arrPowerPoint[0] = facts.m_arrPowerPoint[1];
    const CLessonCheck check = CheckPc(facts);
    const std::string strCsv = CsvRows(kPcFile, check);
    EXPECT_EQ(
        strCsv.substr(0, strCsv.find('\n') + 1),
        "(this PC),,PowerPointViewer.Application.8,C:\\Program Files (x86)\\Tarnskov\\"
        "tarnskov-powerpoint.exe,,,the bridge to PowerPoint; the launcher reads this view\r\n");
    const std::string strTable = PcTable(check);
    EXPECT_EQ(strTable.substr(0, strTable.find("\r\n      ")),
              "(this PC)\r\n  PowerPointViewer.Application.8  C:\\Program Files (x86)\\Tarnskov\\"
              "tarnskov-powerpoint.exe");
    EXPECT_NE(strTable.find("\r\n  0 errors, 0 warnings\r\n\r\n"), std::string::npos);
}
