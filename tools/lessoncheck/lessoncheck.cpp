// lessoncheck.exe: reads lessons and lists each action button with what the launcher would do with
// its command, and with /pc whether this PC can run them; writes nothing.
// Usage: lessoncheck [/csv] [/pc] [FILE|FOLDER...]
#include "framework/handles.h"
#include "lesson_findings.h"
#include "lesson_report.h"
#include "pc_findings.h"
#include "registration.h"
#include "viewer/powerpoint_contract.h"
#include "viewer/viewer_contract.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

// The exit codes: 2 (a file refused) outranks 1 (a lesson with an error).
enum { kExitClean = 0, kExitErrors = 1, kExitRefused = 2 };

const char kUsage[] = "Usage: lessoncheck [/csv] [/pc] [FILE|FOLDER...]\n"
                      "Lists every action button of each PowerPoint 97-2003 lesson (a folder is "
                      "read\nfor .ppt and .pps files, its subfolders too) with what the launcher "
                      "would do\nwith its command, and what would go wrong. /csv writes a table "
                      "for a spreadsheet.\n/pc checks this PC and user first: the viewer or the "
                      "bridge, the options value,\nPowerPoint and its Run Programs policy.\n"
                      "Exit code: 0 no errors (warnings aside), 1 a lesson or the PC has an "
                      "error, 2 a file\nor folder refused or a wrong switch (2 outranks 1).\n";

// WC_NO_BEST_FIT_CHARS: a character with no place of its own is reported, not replaced by a
// look-alike (the launcher would get '>' for an arrow, say). The UTF-8 code page holds them all
// and takes no default character.
bool ToAnsi(const std::u16string& str, std::string* pAnsi)
{
    pAnsi->clear();
    if (str.empty())
        return true;
    const LPCWSTR lpszWide = reinterpret_cast<LPCWSTR>(str.data());
    const int cchWide = static_cast<int>(str.size());
    const bool bUtf8 = GetACP() == CP_UTF8;
    const DWORD dwFlags = bUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int cbAnsi = WideCharToMultiByte(CP_ACP, dwFlags, lpszWide, cchWide, NULL, 0, NULL, NULL);
    if (cbAnsi <= 0)
        return false;
    pAnsi->resize(cbAnsi);
    BOOL bDefaultUsed = FALSE;
    WideCharToMultiByte(CP_ACP, dwFlags, lpszWide, cchWide, &(*pAnsi)[0], cbAnsi, NULL,
                        bUtf8 ? NULL : &bDefaultUsed);
    return !bDefaultUsed;
}

// Asked once a program: a catalogue's buttons name the same few programs thousands of times, and
// each question is a trip to the file system.
bool FileExists(const std::string& strPath)
{
    static std::map<std::string, bool> s_mapKnown;
    const auto it = s_mapKnown.find(strPath);
    if (it != s_mapKnown.end())
        return it->second;
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    return s_mapKnown[strPath] = dwAttributes != INVALID_FILE_ATTRIBUTES &&
                                 !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

const CCheckHost kHost = {ToAnsi, FileExists};

// A ProgID's class and that class's server as the given registry view resolves them.
CServerEntry ReadServer(LPCSTR lpszProgId, REGSAM samView)
{
    CServerEntry entry;
    entry.m_strClsid = GetProgIdClsid(lpszProgId, samView);
    if (!entry.m_strClsid.empty())
        entry.m_strServer =
            GetClassesValue("CLSID\\" + entry.m_strClsid + "\\LocalServer32", samView);
    return entry;
}

// A value of the user's: absent (its key too), a REG_DWORD into *pdwData, or another type.
EValueKind ReadUserValue(const std::string& strKey, LPCSTR lpszValue, DWORD* pdwData)
{
    DWORD dwType = 0, cbData = sizeof *pdwData;
    const LONG lResult = RegGetValueA(HKEY_CURRENT_USER, strKey.c_str(), lpszValue, RRF_RT_ANY,
                                      &dwType, pdwData, &cbData);
    if (lResult == ERROR_FILE_NOT_FOUND)
        return kValueAbsent;
    return lResult == ERROR_SUCCESS && dwType == REG_DWORD ? kValueDword : kValueOther;
}

// This PC as the launcher of this build sees it: its own view, and the other one on 64-bit
// Windows, where a server of the other bitness may have been registered.
CPcFacts ReadThisPc()
{
    BOOL bWow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &bWow64);
    CPcFacts facts = {};
    facts.m_bTwoViews = sizeof(void*) == 8 || bWow64;
    facts.m_nLauncherView = sizeof(void*) == 8 ? kView64 : kView32;
    facts.m_pfnFileExists = FileExists;
    const REGSAM arrViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
    for (int nView = kView32; nView <= kView64; ++nView) {
        facts.m_arrViewer[nView] = ReadServer(kViewerProgId, arrViews[nView]);
        facts.m_arrPowerPoint[nView] = ReadServer(kPowerPointProgId, arrViews[nView]);
        if (facts.m_strPowerPointVersion.empty())
            facts.m_strPowerPointVersion = VersionOfCurVer(
                GetClassesValue(std::string(kPowerPointProgId) + "\\CurVer", arrViews[nView]));
    }
    DWORD dwOptions = 0;
    facts.m_nOptions = ReadUserValue(kOptionsKey, kMacroProtectionValue, &dwOptions);
    facts.m_nPolicy = ReadUserValue(PcPolicyKey(facts.m_strPowerPointVersion), kRunProgramsValue,
                                    &facts.m_dwPolicy);
    return facts;
}

class CLessonCheckRun {
public:
    explicit CLessonCheckRun(bool bCsv) : m_bCsv(bCsv) {}
    void CheckThisPc();
    void CheckPath(const std::string& strPath);
    int Finish();

private:
    void CheckFolder(const std::string& strFolder);
    void CheckFile(const std::string& strPath);
    bool ReadWhole(const std::string& strPath, std::vector<uint8_t>* pBytes);
    void Refuse(const std::string& strPath, const std::string& strWhy);

    bool m_bCsv;
    bool m_bPcErrors = false;
    int m_nLessons = 0, m_nWithErrors = 0, m_nRefused = 0;
};

void CLessonCheckRun::CheckThisPc()
{
    const CLessonCheck check = CheckPc(ReadThisPc());
    m_bPcErrors = check.Count(kSeverityError) > 0;
    const std::string strOut = m_bCsv ? CsvRows(kPcFile, check) : PcTable(check);
    fwrite(strOut.data(), 1, strOut.size(), stdout);
}

void CLessonCheckRun::CheckPath(const std::string& strPath)
{
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return CheckFile(strPath);
    // A folder that yields no file to read is most likely the wrong one: a check that passed on it
    // would pass lessons nobody read.
    const int nFound = m_nLessons + m_nRefused;
    CheckFolder(strPath);
    if (m_nLessons + m_nRefused == nFound)
        Refuse(strPath, "no .ppt or .pps file in it or its subfolders");
}

bool IsLessonName(const std::string& strName)
{
    const size_t nDot = strName.rfind('.');
    return nDot != std::string::npos && (_stricmp(strName.c_str() + nDot, ".ppt") == 0 ||
                                         _stricmp(strName.c_str() + nDot, ".pps") == 0);
}

bool NameBefore(const std::string& strOne, const std::string& strTwo)
{
    return _stricmp(strOne.c_str(), strTwo.c_str()) < 0;
}

// Its lessons and subfolders in name order; a linked folder is left out, as it may lead back.
void CLessonCheckRun::CheckFolder(const std::string& strFolder)
{
    const std::string strBase =
        strFolder.empty() || strchr("\\/:", strFolder.back()) ? strFolder : strFolder + "\\";
    WIN32_FIND_DATAA data;
    CFindOwner find(FindFirstFileA((strBase + "*").c_str(), &data));
    if (find.Get() == INVALID_HANDLE_VALUE)
        return Refuse(strFolder,
                      "the folder cannot be read (error " + std::to_string(GetLastError()) + ")");
    std::vector<std::string> arrFiles, arrFolders;
    do {
        const std::string strName = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (strName != "." && strName != ".." &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                arrFolders.push_back(strName);
        } else if (IsLessonName(strName)) {
            arrFiles.push_back(strName);
        }
    } while (FindNextFileA(find.Get(), &data));
    std::sort(arrFiles.begin(), arrFiles.end(), NameBefore);
    std::sort(arrFolders.begin(), arrFolders.end(), NameBefore);
    for (const std::string& strName : arrFiles)
        CheckFile(strBase + strName);
    for (const std::string& strName : arrFolders)
        CheckFolder(strBase + strName);
}

bool CLessonCheckRun::ReadWhole(const std::string& strPath, std::vector<uint8_t>* pBytes)
{
    CHandleOwner file(CreateFileA(strPath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL));
    LARGE_INTEGER size;
    if (file.Get() == NULL || !GetFileSizeEx(file.Get(), &size)) {
        Refuse(strPath, "cannot be opened (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    // The reader holds the whole file, and a lesson is a compound file: at most 2 GB here.
    if (size.QuadPart > 0x7FFFFFFF) {
        Refuse(strPath, "over 2 GB, no lesson");
        return false;
    }
    pBytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD cbRead = 0;
    if (!pBytes->empty() &&
        (!ReadFile(file.Get(), pBytes->data(), static_cast<DWORD>(pBytes->size()), &cbRead, NULL) ||
         cbRead != pBytes->size())) {
        Refuse(strPath, "cannot be read (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    return true;
}

void CLessonCheckRun::CheckFile(const std::string& strPath)
{
    std::vector<uint8_t> arrBytes;
    if (!ReadWhole(strPath, &arrBytes))
        return;
    CLesson lesson;
    CFileError error;
    if (!ReadLessonFile(arrBytes.data(), arrBytes.size(), &lesson, &error))
        return Refuse(strPath, error.Describe());
    const CLessonCheck check = CheckLesson(lesson, kHost);
    ++m_nLessons;
    m_nWithErrors += check.Count(kSeverityError) > 0 ? 1 : 0;
    const std::string strOut = m_bCsv ? CsvRows(strPath, check) : TextTable(strPath, check);
    fwrite(strOut.data(), 1, strOut.size(), stdout);
}

void CLessonCheckRun::Refuse(const std::string& strPath, const std::string& strWhy)
{
    ++m_nRefused;
    fprintf(stderr, "lessoncheck: %s refused: %s\n", strPath.c_str(), strWhy.c_str());
}

int CLessonCheckRun::Finish()
{
    if (!m_bCsv)
        printf("%d lessons read, %d with errors; %d files refused\r\n", m_nLessons, m_nWithErrors,
               m_nRefused);
    fflush(stdout);
    return m_nRefused > 0                     ? kExitRefused
           : m_nWithErrors > 0 || m_bPcErrors ? kExitErrors
                                              : kExitClean;
}

} // namespace

int main(int argc, char** argv)
{
    bool bCsv = false, bPc = false;
    std::vector<std::string> arrPaths;
    for (int n = 1; n < argc; ++n) {
        if (_stricmp(argv[n], "/csv") == 0)
            bCsv = true;
        else if (_stricmp(argv[n], "/pc") == 0)
            bPc = true;
        else if (strcmp(argv[n], "/?") == 0)
            return fputs(kUsage, stdout), kExitClean;
        else if (argv[n][0] == '/' && argv[n][1] != '\0' && argv[n][2] == '\0')
            return fputs(kUsage, stderr), kExitRefused;
        else
            arrPaths.push_back(argv[n]);
    }
    if (arrPaths.empty() && !bPc)
        return fputs(kUsage, stderr), kExitRefused;
    // The lines carry their own CR LF, and CSV wants exactly those bytes.
    _setmode(_fileno(stdout), _O_BINARY);
    static char s_szBuffer[1 << 16];
    setvbuf(stdout, s_szBuffer, _IOFBF, sizeof(s_szBuffer));
    CLessonCheckRun run(bCsv);
    if (bCsv)
        fputs(kCsvHeader, stdout);
    if (bPc)
        run.CheckThisPc();
    for (const std::string& strPath : arrPaths)
        run.CheckPath(strPath);
    return run.Finish();
}
