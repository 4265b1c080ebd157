// lessoncheck.exe: reads lessons and lists each action button with what the launcher would do with
// its command; writes nothing. Usage: lessoncheck [/csv] FILE|FOLDER...
#include "framework/handles.h"
#include "lesson_findings.h"
#include "lesson_report.h"

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

const char kUsage[] = "Usage: lessoncheck [/csv] FILE|FOLDER...\n"
                      "Lists every action button of each PowerPoint 97-2003 lesson (a folder is "
                      "read\nfor .ppt and .pps files, its subfolders too) with what the launcher "
                      "would do\nwith its command, and what would go wrong. /csv writes a table "
                      "for a spreadsheet.\nExit code: 0 no errors, 1 a lesson has an error, 2 a "
                      "file is no lesson.\n";

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

class CLessonCheckRun {
public:
    explicit CLessonCheckRun(bool bCsv) : m_bCsv(bCsv) {}
    void CheckPath(const std::string& strPath);
    int Finish();

private:
    void CheckFolder(const std::string& strFolder);
    void CheckFile(const std::string& strPath);
    bool ReadWhole(const std::string& strPath, std::vector<uint8_t>* pBytes);
    void Refuse(const std::string& strPath, const std::string& strWhy);

    bool m_bCsv;
    int m_nLessons = 0, m_nWithErrors = 0, m_nRefused = 0;
};

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
    return m_nRefused > 0 ? kExitRefused : m_nWithErrors > 0 ? kExitErrors : kExitClean;
}

} // namespace

int main(int argc, char** argv)
{
    bool bCsv = false;
    std::vector<std::string> arrPaths;
    for (int n = 1; n < argc; ++n) {
        if (_stricmp(argv[n], "/csv") == 0)
            bCsv = true;
        else if (strcmp(argv[n], "/?") == 0)
            return fputs(kUsage, stdout), kExitClean;
        else if (argv[n][0] == '/' && argv[n][1] != '\0' && argv[n][2] == '\0')
            return fputs(kUsage, stderr), kExitRefused;
        else
            arrPaths.push_back(argv[n]);
    }
    if (arrPaths.empty())
        return fputs(kUsage, stderr), kExitRefused;
    // The lines carry their own CR LF, and CSV wants exactly those bytes.
    _setmode(_fileno(stdout), _O_BINARY);
    static char s_szBuffer[1 << 16];
    setvbuf(stdout, s_szBuffer, _IOFBF, sizeof(s_szBuffer));
    CLessonCheckRun run(bCsv);
    if (bCsv)
        fputs(kCsvHeader, stdout);
    for (const std::string& strPath : arrPaths)
        run.CheckPath(strPath);
    return run.Finish();
}
