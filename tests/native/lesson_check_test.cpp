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

// A 64-bit PC with the 32-bit bridge, the options value, PowerPoint in the 64-bit view, policy 2;
// each row changes one fact (C:\gone.exe is the one missing program): errors, warnings, findings.
TEST(PcCheck, FindsWhatStopsLessonsOnThisPc)
{
    const std::pair<void (*)(CPcFacts*), std::tuple<int, int, const char*>> arrRows[] = {
        {[](CPcFacts*) {}, {0, 0, "\\bridge.exe,,,the bridge to PowerPoint; the launcher reads"}},
        {[](CPcFacts* p) { p->m_dwPolicy = 1; }, {0, 1, "1: the student is asked"}},
        {[](CPcFacts* p) { p->m_nPolicy = kValueAbsent; }, {1, 0, "absent: the lessons' buttons"}},
        {[](CPcFacts* p) { p->m_arrPowerPoint[0] = p->m_arrPowerPoint[1] = {}; },
         {1, 0, "nothing to drive"}},
        {[](CPcFacts* p) { p->m_arrPowerPoint[0].m_strClsid = kStandinClsidText; },
         {0, 1, "lessons run in the stand-in"}},
        {[](CPcFacts* p) { p->m_nOptions = kValueOther; }, {1, 0, "not a REG_DWORD: every lesson"}},
        {[](CPcFacts* p) { p->m_arrViewer[0].m_strServer = "C:\\gone.exe -x"; },
         {1, 0, "its server C:\\gone.exe is not on this PC"}},
        // Without the bridge, PowerPoint and its policy are not asked about.
        {[](CPcFacts* p) {
             p->m_arrViewer[0] = CServerEntry{"{Q}", "C:\\QUELMAR.EXE"};
         },
         {0, 1, "demo viewer"}},
        {[](CPcFacts* p) { std::swap(p->m_arrViewer[0], p->m_arrViewer[1]); },
         {1, 0, "not registered; the launcher reads this view; no lesson can start"}},
    };
    for (const auto& [pfnChange, expected] : arrRows) {
        const CServerEntry bridge = {kBridgeClsidText, "\"C:\\T\\bridge.exe\""}, none;
        const CServerEntry powerPoint = {"{91493441-5A91-11CF-8700-00AA0060263B}", "C:\\PPT.EXE"};
        CPcFacts facts = {true, kView32, {bridge, none}, kValueDword, {powerPoint, powerPoint},
                          "16"};
        facts.m_nPolicy = kValueDword, facts.m_dwPolicy = kRunProgramsAlways;
        facts.m_pfnFileExists = [](const std::string& strPath) { return strPath[3] != 'g'; };
        pfnChange(&facts);
        const CLessonCheck check = CheckPc(facts);
        const std::string strCsv = CsvRows(kPcFile, check);
        EXPECT_EQ(check.Count(kSeverityError), std::get<0>(expected)) << strCsv;
        EXPECT_EQ(check.Count(kSeverityWarning), std::get<1>(expected)) << strCsv;
        EXPECT_NE(strCsv.find(std::get<2>(expected)), std::string::npos) << strCsv;
        EXPECT_EQ(check.m_arrRows.size(), IsBridgeRegistered(facts) ? 6u : 3u) << strCsv;
    }
    EXPECT_EQ(VersionOfCurVer("PowerPoint.Application.15"), "15");
    EXPECT_EQ(PcPolicyKey("15"),
              "Software\\Policies\\Microsoft\\Office\\15.0\\PowerPoint\\Security");
}

// good.ppt has no finding; LibreOffice's saves lose commands as actions of kind none, errors
// where a command was meant, and a lesson left with no command is an error of its own.
TEST(LessonCheck, CommandsALibreOfficeSaveLostAreErrors)
{
    const CLessonCheck good = Check("good.ppt");
    EXPECT_EQ(good.Count(kSeverityError) + good.Count(kSeverityWarning), 0);
    const CLessonCheck saved = Check("lo-good.ppt");
    EXPECT_EQ(saved.Count(kSeverityError), 11); // eight answers, Finish, Course page, the lesson
    EXPECT_NE(saved.m_arrRows[2].Findings().find("its command was lost"), std::string::npos);
    const CLessonCheck made = Check("lo-answers.ppt");
    EXPECT_EQ(made.Count(kSeverityError), 10); // eight answers, Finish, a program with no command
    EXPECT_EQ(made.m_arrRows[15].m_strDoes, "records Q3: B, correct");
}

// A lesson as a reader hands it over: damage, an action it could not read, a range of words.
TEST(LessonCheck, WhatRecordsNothingIsAnError)
{
    CLesson lesson;
    lesson.m_arrSlides = {{1, false, {}}};
    // clang-format off
    lesson.m_arrActions = {
        {0, 0, 0, 0, u"A) nbsp", {}, kTriggerClick, kSourceShape, 0, 0, kActionRunProgram, kJumpNone,
         u"C:\\CBT\\tarnskov.exe\u00A0-Q=Q1 A 1"},
        {0, 0, 0, 0, u"Or answer C.", {}, kTriggerClick, kSourceTextRange, 3, 11, kActionRunProgram,
         kJumpNone, u"C:\\CBT\\tarnskov.exe -Q=Q1 C"},
        {0, 0, 0, 0, u"Next", {}, kTriggerMouseOver, kSourceShape, 0, 0, kActionJump, kJumpNext},
        {0, 0, 0, 0, u"Odd", {}, kTriggerClick, kSourceShape, 0, 0, kActionUnknown, kJumpNone, u"",
         "an interactive info without its atom"}};
    // clang-format on
    lesson.m_arrDamage.push_back({0, "a record of unknown type 0x0 (offset 99 of the stream)"});
    ExpectRows(
        CheckLesson(lesson, {ToLatin1, LauncherInstalled}),
        {{"A) nbsp", "error", "tarnskov.exe\xA0-Q=Q1' is the launcher's name with '\xA0-Q=Q1'"},
         {"answer C", "", ""},
         {"Next", "warning", "acts on mouse-over"},
         {"Odd", "warning", "its action cannot be read: an interactive info"},
         {"", "error",
          "slide 1 cannot be read whole: a record of unknown type 0x0 (offset 99 "
          "of the stream); its buttons may be missing"}});
}
