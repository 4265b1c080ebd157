// Checks each action button of a lesson against what the launcher does with its command line.
#include "lesson_findings.h"

#include "channel/command_text.h"
#include "frame/finish_text.h"
#include "frame/interaction.h"
#include "frame/lesson_machine.h"
#include "framework/command_line.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>

namespace {

std::string Quote(const std::string& str)
{
    return "'" + str + "'";
}

char LowerAscii(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch;
}

std::string LowerAscii(std::string str)
{
    for (char& ch : str)
        ch = LowerAscii(ch);
    return str;
}

bool EndsWithNoCase(const std::string& str, const char* pszEnd)
{
    const size_t cchEnd = strlen(pszEnd);
    if (str.size() < cchEnd)
        return false;
    for (size_t n = 0; n < cchEnd; ++n) {
        if (LowerAscii(str[str.size() - cchEnd + n]) != LowerAscii(pszEnd[n]))
            return false;
    }
    return true;
}

std::string FileNameOf(const std::string& strPath)
{
    const size_t nSlash = strPath.find_last_of("\\/:");
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

// CreateProcess adds ".exe" to a module name that has no extension.
std::string WithExtension(const std::string& strPath)
{
    return FileNameOf(strPath).find('.') == std::string::npos ? strPath + ".exe" : strPath;
}

// A drive and its root, or a share; "C:x" and "\x" depend on the current drive and folder.
bool IsFullPath(const std::string& strPath)
{
    const bool bDrive = strPath.size() >= 3 && ((strPath[0] | 0x20) >= 'a') &&
                        ((strPath[0] | 0x20) <= 'z') && strPath[1] == ':' &&
                        (strPath[2] == '\\' || strPath[2] == '/');
    return bDrive || strPath.compare(0, 2, "\\\\") == 0;
}

// Paragraph ends and line breaks become blanks, so that a button's text stays on one line.
std::string OneLine(std::string str)
{
    for (char& ch : str) {
        if (static_cast<unsigned char>(ch) < ' ')
            ch = ' ';
    }
    while (!str.empty() && str.back() == ' ')
        str.pop_back();
    return str;
}

// A command line taken apart as the launcher and CreateProcess take it.
struct CCommandSplit {
    std::string m_strProgram;            // quotes removed
    std::string m_strTail;               // what the launcher receives: SkipProgramName's
    std::vector<std::string> m_arrTried; // an unquoted path with blanks: the prefixes tried first
};

// An unquoted name that does not end in ".exe", followed by blanks and more of a path that does:
// CreateProcess tries each prefix that ends at a blank, and the launcher's tail starts after the
// first. The program the author meant is the first prefix that ends in ".exe".
void FindBlankPath(const std::string& strLine, CCommandSplit* pSplit)
{
    std::vector<std::string> arrTried = {WithExtension(pSplit->m_strProgram)};
    for (size_t n = pSplit->m_strProgram.size() + 1; n <= strLine.size(); ++n) {
        if (n < strLine.size() && strLine[n] != ' ' && strLine[n] != '\t')
            continue;
        const std::string strPrefix = strLine.substr(0, n);
        if (EndsWithNoCase(strPrefix, ".exe")) {
            pSplit->m_strProgram = strPrefix;
            pSplit->m_arrTried = arrTried;
            return;
        }
        arrTried.push_back(WithExtension(strPrefix));
    }
}

CCommandSplit SplitCommandLine(const std::string& strLine)
{
    CCommandSplit split;
    const char* pszTail = SkipProgramName(strLine.c_str());
    split.m_strTail = pszTail;
    std::string strName(strLine.c_str(), pszTail);
    while (!strName.empty() && static_cast<unsigned char>(strName.back()) <= ' ')
        strName.pop_back();
    if (!strName.empty() && strName[0] == '"') {
        strName.erase(0, 1);
        if (!strName.empty() && strName.back() == '"')
            strName.pop_back();
        split.m_strProgram = strName;
        return split;
    }
    split.m_strProgram = strName;
    if (!strName.empty() && !EndsWithNoCase(strName, ".exe"))
        FindBlankPath(strLine, &split);
    return split;
}

// Each character of str that the ANSI code page cannot hold, as U+XXXX.
std::string UnheldCharacters(const std::u16string& str, const CCheckHost& host)
{
    std::string strList, strAnsi;
    for (size_t n = 0; n < str.size(); ++n) {
        const bool bPair = str[n] >= 0xD800 && str[n] < 0xDC00 && n + 1 < str.size();
        const std::u16string strOne = str.substr(n, bPair ? 2 : 1);
        if (!host.m_pfnToAnsi(strOne, &strAnsi)) {
            const unsigned long nCode =
                bPair ? 0x10000 + ((str[n] - 0xD800ul) << 10) + (str[n + 1] - 0xDC00ul) : str[n];
            char szCode[16];
            snprintf(szCode, sizeof(szCode), "U+%04lX", nCode);
            strList += (strList.empty() ? "" : ", ") + std::string(szCode);
        }
        n += bPair ? 1 : 0;
    }
    return strList;
}

// Why ParseInteraction took no interaction from the text, stepping over blanks as it does.
std::string WhyNoInteraction(const char* pszText)
{
    const char* pszEquals = strchr(pszText, '=');
    if (pszEquals == NULL)
        return "no '=' before its operands";
    const char* pszId = SkipBlanksIn(pszEquals + 1);
    if (pszId == NULL)
        return "no interaction id";
    const char* pszIdEnd = pszId;
    while (*pszIdEnd != '\0' && !IsBlank(*pszIdEnd))
        ++pszIdEnd;
    const char* pszResponse = SkipBlanksIn(pszIdEnd);
    if (pszResponse == NULL)
        return "the id " + Quote(std::string(pszId, pszIdEnd)) + " is followed by no response";
    const char* pszEnd = pszResponse;
    while (*pszEnd != '\0' && !IsBlank(*pszEnd))
        ++pszEnd;
    return "the response " + Quote(std::string(pszResponse, pszEnd)) + " is not one letter A-D";
}

const char* JumpText(ELessonJump nJump)
{
    switch (nJump) {
    case kJumpNext:
        return "goes to the next slide";
    case kJumpPrevious:
        return "goes to the previous slide";
    case kJumpFirst:
        return "goes to the first slide";
    case kJumpLast:
        return "goes to the last slide";
    case kJumpLastViewed:
        return "goes to the slide last viewed";
    case kJumpEndShow:
        return "ends the show";
    default:
        return "jumps somewhere unknown";
    }
}

std::string ActionText(const CLessonAction& action, const CCheckHost& host)
{
    std::string strName;
    switch (action.m_nAction) {
    case kActionJump:
        return JumpText(action.m_nJump);
    case kActionMacro:
        host.m_pfnToAnsi(action.m_strCommandLine, &strName);
        return "runs the macro " + Quote(strName);
    case kActionHyperlink:
        return "opens a hyperlink";
    case kActionOleVerb:
        return "runs an OLE verb";
    case kActionMedia:
        return "plays a media clip";
    case kActionCustomShow:
        return "shows a custom show";
    case kActionNone:
        return "does nothing: an action of kind none";
    default:
        return "does an action of an unknown kind";
    }
}

// {status} and {score} are the stand-in viewer's own extension: a real viewer sends them as they
// stand.
void CheckPlaceholders(const std::string& strTail, CButtonCheck* pRow)
{
    for (const char* pszPlaceholder : {"{status}", "{score}"}) {
        if (strTail.find(pszPlaceholder) != std::string::npos)
            pRow->m_arrFindings.push_back(
                {kSeverityError, std::string(pszPlaceholder) +
                                     " is sent as it stands: a real viewer fills in no "
                                     "placeholder"});
    }
}

// The slide or part a damage belongs to, for a person.
std::string PartName(const CLessonDamage& damage, const CLesson& lesson)
{
    if (damage.m_nSlide == kOnMaster)
        return "a master";
    if (damage.m_nSlide == kNoSlide)
        return "a part of the file";
    return "slide " + std::to_string(lesson.m_arrSlides[size_t(damage.m_nSlide)].m_nNumber);
}

// An answer or a finish as its words show it: "A)" to "D)", "A." to "D.", or "Finish".
bool LooksLikeCommand(const std::string& strText)
{
    const size_t nAt = strText.find_first_not_of(' ');
    if (nAt != std::string::npos && strText.size() > nAt + 1 &&
        ((strText[nAt] | 0x20) >= 'a' && (strText[nAt] | 0x20) <= 'd') &&
        (strText[nAt + 1] == ')' || strText[nAt + 1] == '.'))
        return true;
    return LowerAscii(strText).find("finish") != std::string::npos;
}

class CLessonChecker {
public:
    explicit CLessonChecker(const CCheckHost& host) : m_host(host) {}
    CLessonCheck Run(const CLesson& lesson);

private:
    CButtonCheck CheckAction(const CLessonAction& action, const CLesson& lesson);
    void CheckProgram(const CLessonAction& action, CButtonCheck* pRow);
    bool CheckSplit(const CCommandSplit& split, CButtonCheck* pRow);
    void CheckTail(const std::string& strTail, CButtonCheck* pRow);
    void CheckAnswer(const std::string& strText, CButtonCheck* pRow);
    void CheckFinish(const std::string& strText, CButtonCheck* pRow);
    void CheckAnswerIds(CLessonCheck* pCheck) const;
    void CheckNoneActions(CLessonCheck* pCheck) const;

    const CCheckHost& m_host;
    bool m_bFinish = false, m_bCommand = false; // a button finishes, a button sends a command
    std::vector<size_t> m_arrNone;              // the rows of click actions of kind none
    std::vector<std::string> m_arrIds;          // each row's recorded interaction id, or empty
};

CLessonCheck CLessonChecker::Run(const CLesson& lesson)
{
    CLessonCheck check;
    for (const CLessonAction& action : lesson.m_arrActions) {
        m_arrIds.emplace_back();
        check.m_arrRows.push_back(CheckAction(action, lesson));
    }
    CheckAnswerIds(&check);
    CheckNoneActions(&check);
    CButtonCheck lessonRow;
    for (const CLessonDamage& damage : lesson.m_arrDamage)
        lessonRow.m_arrFindings.push_back(
            {kSeverityError, PartName(damage, lesson) + " cannot be read whole: " +
                                 damage.m_strWhat + "; its buttons may be missing"});
    if (!m_bCommand)
        lessonRow.m_arrFindings.push_back(
            {kSeverityError, "no button sends the launcher a command: the lesson records "
                             "nothing"});
    if (!m_bFinish)
        lessonRow.m_arrFindings.push_back(
            {kSeverityWarning, "no button finishes the lesson: its only end is the show closed, "
                               "and the launcher then writes I,S"});
    if (!lessonRow.m_arrFindings.empty())
        check.m_arrRows.push_back(lessonRow);
    return check;
}

// A click action of kind none is what a re-save leaves of a run-program action it could not keep:
// an error where the button's words or the lesson's lack of commands say one was meant.
void CLessonChecker::CheckNoneActions(CLessonCheck* pCheck) const
{
    for (size_t n : m_arrNone) {
        CButtonCheck& row = pCheck->m_arrRows[n];
        if (!m_bCommand || LooksLikeCommand(row.m_strButton))
            row.m_arrFindings.push_back(
                {kSeverityError, "an action of kind none where a command was meant: its command "
                                 "was lost (a re-save that cannot keep a run-program action, "
                                 "LibreOffice's for one, writes kind none), and nothing is "
                                 "recorded"});
    }
}

CButtonCheck CLessonChecker::CheckAction(const CLessonAction& action, const CLesson& lesson)
{
    CButtonCheck row;
    row.m_strSlide = action.m_nSlide == kOnMaster
                         ? "master"
                         : std::to_string(lesson.m_arrSlides[action.m_nSlide].m_nNumber);
    m_host.m_pfnToAnsi(ButtonText(action), &row.m_strButton);
    row.m_strButton = OneLine(row.m_strButton);
    if (action.m_nAction == kActionRunProgram)
        CheckProgram(action, &row);
    else
        row.m_strDoes = ActionText(action, m_host);
    if (!action.m_strUnread.empty())
        row.m_arrFindings.push_back(
            {kSeverityWarning, "its action cannot be read: " + action.m_strUnread});
    if (action.m_nAction == kActionNone)
        m_arrNone.push_back(m_arrIds.size() - 1);
    if (action.m_nTrigger == kTriggerMouseOver)
        row.m_arrFindings.push_back(
            {kSeverityWarning, "acts on mouse-over: the pointer passing over it does what this "
                               "row says, with no click"});
    return row;
}

void CLessonChecker::CheckProgram(const CLessonAction& action, CButtonCheck* pRow)
{
    std::string strLine;
    if (!m_host.m_pfnToAnsi(action.m_strCommandLine, &strLine))
        pRow->m_arrFindings.push_back(
            {kSeverityError, "the command line holds " +
                                 UnheldCharacters(action.m_strCommandLine, m_host) +
                                 ", which the ANSI code page cannot hold: the launcher receives "
                                 "another character in its place"});
    const CCommandSplit split = SplitCommandLine(strLine);
    pRow->m_strProgram = split.m_strProgram;
    pRow->m_strTail = split.m_strTail;
    if (CheckSplit(split, pRow))
        CheckTail(split.m_strTail, pRow);
}

// The program and its path; true when the launcher would run the tail as it stands.
bool CLessonChecker::CheckSplit(const CCommandSplit& split, CButtonCheck* pRow)
{
    const std::string& strProgram = split.m_strProgram;
    if (strProgram.empty()) {
        pRow->m_strDoes = "runs nothing";
        pRow->m_arrFindings.push_back({kSeverityError, "the command line names no program"});
        return false;
    }
    if (!IsFullPath(strProgram))
        pRow->m_arrFindings.push_back(
            {kSeverityWarning, "relative program: CreateProcess looks for it in the viewer's "
                               "folder, the current folder, the system folders and the PATH"});
    else if (!m_host.m_pfnFileExists(WithExtension(strProgram)))
        pRow->m_arrFindings.push_back({kSeverityWarning, strProgram + " is not on this PC"});
    if (!IsLauncherProgram(strProgram)) {
        const std::string strName = FileNameOf(strProgram);
        // The launcher's name with more after it, up to the first blank, or before it.
        const size_t nLauncher = LowerAscii(strProgram).rfind("tarnskov.exe");
        const std::string strAfter =
            nLauncher == std::string::npos ? "" : strProgram.substr(nLauncher + 12);
        pRow->m_strDoes = "runs " + strName;
        if (nLauncher == std::string::npos || strAfter.find('\\') != std::string::npos)
            pRow->m_arrFindings.push_back(
                {kSeverityWarning, strName + " is not the launcher: nothing is recorded"});
        else
            pRow->m_arrFindings.push_back(
                {kSeverityError,
                 Quote(strProgram) + " is the launcher's name with " +
                     Quote(strAfter.empty() ? strName.substr(0, strName.size() - 12) : strAfter) +
                     " glued to it (only a blank or a tab ends a program's name): Windows looks "
                     "for a program of that name, and nothing is recorded"});
        return false;
    }
    if (split.m_arrTried.empty())
        return true;
    std::string strTried;
    for (const std::string& strPrefix : split.m_arrTried)
        strTried += strPrefix + ", then ";
    pRow->m_strDoes = "ignored";
    pRow->m_arrFindings.push_back(
        {kSeverityError, "the program's path has a blank and no quotes: CreateProcess tries " +
                             strTried + strProgram + "; if the launcher starts, its tail " +
                             Quote(split.m_strTail) +
                             " begins with the rest of the path, has no leading '-' and is "
                             "ignored: put the path in double quotes"});
    return false;
}

// The tail through the launcher's steps: a command, whole in the block, its letter upper-cased
// by the receiver, then what that letter runs.
void CLessonChecker::CheckTail(const std::string& strTail, CButtonCheck* pRow)
{
    pRow->m_strDoes = "ignored";
    if (!IsCommandText(strTail.c_str())) {
        pRow->m_arrFindings.push_back(
            {kSeverityError, strTail.empty()
                                 ? "no command follows the program"
                                 : "the tail is no command (no leading '-'): the launcher "
                                   "ignores it"});
        return;
    }
    if (!FitsCommandBlock(strTail.c_str())) {
        pRow->m_arrFindings.push_back(
            {kSeverityError, "the tail is " + std::to_string(strTail.size()) +
                                 " characters, over 255: the launcher refuses it whole and "
                                 "exits 1"});
        return;
    }
    m_bCommand = true;
    CheckPlaceholders(strTail, pRow);
    std::string strText = strTail;
    const char chLetter = UpcaseCommandLetter(&strText[0]);
    switch (TakenCommandEvent(chLetter)) {
    case kTakenAnswer:
        return CheckAnswer(strText, pRow);
    case kTakenFinish:
        m_bFinish = true;
        return CheckFinish(strText, pRow);
    case kTakenRestart:
        pRow->m_strDoes = "restarts the show";
        return;
    default:
        pRow->m_arrFindings.push_back(
            {kSeverityError, strTail.size() < 2
                                 ? "a lone '-' names no command: the launcher "
                                   "ignores it"
                                 : "the launcher ignores the letter " +
                                       Quote(strTail.substr(1, 1)) + ": it runs G, S, Q and R"});
    }
}

void CLessonChecker::CheckAnswer(const std::string& strText, CButtonCheck* pRow)
{
    std::string strParsed = strText;
    CInteraction interaction;
    if (!ParseInteraction(&strParsed[0], &interaction)) {
        pRow->m_arrFindings.push_back(
            {kSeverityError, "the answer records nothing: " + WhyNoInteraction(strText.c_str())});
        return;
    }
    const std::string strId = interaction.m_pszId;
    m_arrIds.back() = strId;
    pRow->m_strDoes = "records " + strId + ": " + interaction.m_chResponse +
                      (interaction.m_chCorrect == '1' ? ", correct" : ", not correct");
    if (strId.find('"') != std::string::npos)
        pRow->m_arrFindings.push_back(
            {kSeverityError, "the id " + Quote(strId) +
                                 " holds a double quote, which ends its quoted field in the "
                                 "interaction file early"});
    // The id as written runs to the first ASCII blank; the launcher's ends at any byte above 0x7F.
    const size_t nId = strText.find_first_not_of(" \t", strText.find('=') + 1);
    const std::string strWritten = strText.substr(nId, strText.find_first_of(" \t", nId) - nId);
    if (strWritten != strId)
        pRow->m_arrFindings.push_back({kSeverityError, "the launcher records the id " +
                                                           Quote(strId) + ", not " +
                                                           Quote(strWritten) +
                                                           ": it takes control characters and "
                                                           "characters above 0x7F for blanks"});
}

// A long token named in a finding: its start is enough.
std::string Shortened(const std::string& str)
{
    return str.size() > 24 ? str.substr(0, 21) + "..." : str;
}

bool SameValues(const CFinishValues& one, const CFinishValues& two)
{
    return strcmp(one.m_szStatus, two.m_szStatus) == 0 && strcmp(one.m_szScore, two.m_szScore) == 0;
}

void CLessonChecker::CheckFinish(const std::string& strText, CButtonCheck* pRow)
{
    CFinishValues values;
    ReadFinishValues(strText.c_str(), &values);
    pRow->m_strDoes =
        "finishes: status " + Quote(values.m_szStatus) + ", score " + Quote(values.m_szScore);
    // Each token the finish splits off, blanked out in turn: one whose absence changes neither
    // value writes nothing.
    std::string strLost, strIdle;
    int nIdle = 0;
    for (size_t nBegin = strText.find_first_not_of(" -"); nBegin != std::string::npos;
         nBegin = strText.find_first_not_of(" -", nBegin)) {
        const size_t nEnd = std::min(strText.find_first_of(" -", nBegin), strText.size());
        const std::string strToken = Quote(Shortened(strText.substr(nBegin, nEnd - nBegin)));
        std::string strWithout = strText;
        strWithout.replace(nBegin, nEnd - nBegin, nEnd - nBegin, ' ');
        CFinishValues without;
        ReadFinishValues(strWithout.c_str(), &without);
        if (nEnd > kFinishTextMax)
            strLost += (strLost.empty() ? "" : ", ") + strToken;
        else if (SameValues(values, without))
            strIdle += (nIdle++ > 0 ? ", " : "") + strToken;
        nBegin = nEnd;
    }
    if (!strLost.empty())
        pRow->m_arrFindings.push_back(
            {kSeverityError, "the finish reads only the first 127 of its " +
                                 std::to_string(strText.size()) + " characters: " + strLost +
                                 " is lost"});
    if (!strIdle.empty())
        pRow->m_arrFindings.push_back(
            {kSeverityWarning, strIdle + (nIdle == 1 ? " writes" : " write") + " nothing"});
    if (values.m_szStatus[0] == '\0' && values.m_szScore[0] == '\0')
        pRow->m_arrFindings.push_back(
            {kSeverityError, "the finish gives no status and no score: the result file is left "
                             "as it was"});
}

// The answers on one slide record one question: a row whose id is not the slide's most common
// one is flagged.
void CLessonChecker::CheckAnswerIds(CLessonCheck* pCheck) const
{
    std::map<std::string, std::map<std::string, int>> mapSlides;
    for (size_t n = 0; n < m_arrIds.size(); ++n) {
        if (!m_arrIds[n].empty() && pCheck->m_arrRows[n].m_strSlide != "master")
            ++mapSlides[pCheck->m_arrRows[n].m_strSlide][m_arrIds[n]];
    }
    for (size_t n = 0; n < m_arrIds.size(); ++n) {
        CButtonCheck& row = pCheck->m_arrRows[n];
        const auto itSlide = mapSlides.find(row.m_strSlide);
        if (m_arrIds[n].empty() || itSlide == mapSlides.end() || itSlide->second.size() < 2)
            continue;
        std::string strIds, strCommon;
        int nCommon = 0;
        for (const auto& id : itSlide->second) {
            strIds += (strIds.empty() ? "" : ", ") + Quote(id.first);
            if (id.second > nCommon)
                nCommon = id.second, strCommon = id.first;
        }
        if (m_arrIds[n] != strCommon)
            row.m_arrFindings.push_back(
                {kSeverityWarning, "the answers on this slide name different ids: " + strIds});
    }
}

} // namespace

ESeverity CButtonCheck::Worst() const
{
    ESeverity nWorst = kSeverityNone;
    for (const CFinding& finding : m_arrFindings)
        nWorst = std::max(nWorst, finding.m_nSeverity);
    return nWorst;
}

std::string CButtonCheck::Findings() const
{
    std::string strJoined;
    for (const CFinding& finding : m_arrFindings)
        strJoined += (strJoined.empty() ? "" : "; ") + finding.m_strText;
    return strJoined;
}

int CLessonCheck::Count(ESeverity nSeverity) const
{
    int nCount = 0;
    for (const CButtonCheck& row : m_arrRows) {
        for (const CFinding& finding : row.m_arrFindings)
            nCount += finding.m_nSeverity == nSeverity ? 1 : 0;
    }
    return nCount;
}

bool IsLauncherProgram(const std::string& strProgram)
{
    const std::string strName = FileNameOf(WithExtension(strProgram));
    return strName.size() == 12 && EndsWithNoCase(strName, "tarnskov.exe");
}

CLessonCheck CheckLesson(const CLesson& lesson, const CCheckHost& host)
{
    return CLessonChecker(host).Run(lesson);
}
