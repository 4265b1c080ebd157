// Writes a lesson's check as a table or as CSV.
#include "lesson_report.h"

#include <algorithm>

const char kCsvHeader[] = "file,slide,button,program,tail,severity,finding\r\n";

namespace {

// A field with a comma, a double quote or a line end is quoted, its quotes doubled.
std::string CsvField(const std::string& str)
{
    if (str.find_first_of(",\"\r\n") == std::string::npos)
        return str;
    std::string strQuoted = "\"";
    for (char ch : str)
        strQuoted += ch == '"' ? "\"\"" : std::string(1, ch);
    return strQuoted + "\"";
}

// Long texts are cut to the column's width, the cut marked.
std::string Cell(const std::string& str, size_t cchWidth)
{
    if (str.size() > cchWidth)
        return str.substr(0, cchWidth - 3) + "...";
    return str + std::string(cchWidth - str.size(), ' ');
}

const size_t kColumnMax = 32;

struct CWidths {
    size_t m_cchSlide = 5, m_cchButton = 6, m_cchProgram = 7, m_cchTail = 4;
};

CWidths Measure(const CLessonCheck& check)
{
    CWidths widths;
    for (const CButtonCheck& row : check.m_arrRows) {
        widths.m_cchSlide = std::max(widths.m_cchSlide, row.m_strSlide.size());
        widths.m_cchButton =
            std::max(widths.m_cchButton, std::min(row.m_strButton.size(), kColumnMax));
        widths.m_cchProgram =
            std::max(widths.m_cchProgram, std::min(row.m_strProgram.size(), kColumnMax));
        widths.m_cchTail = std::max(widths.m_cchTail, std::min(row.m_strTail.size(), kColumnMax));
    }
    return widths;
}

std::string TableLine(const CWidths& widths, const std::string& strSlide,
                      const std::string& strButton, const std::string& strProgram,
                      const std::string& strTail, const std::string& strDoes)
{
    std::string strLine = "  " + Cell(strSlide, widths.m_cchSlide) + "  " +
                          Cell(strButton, widths.m_cchButton) + "  " +
                          Cell(strProgram, widths.m_cchProgram) + "  " +
                          Cell(strTail, widths.m_cchTail) + "  " + strDoes;
    while (!strLine.empty() && strLine.back() == ' ')
        strLine.pop_back();
    return strLine + "\r\n";
}

std::string Plural(int nCount, const char* pszWhat)
{
    return std::to_string(nCount) + " " + pszWhat + (nCount == 1 ? "" : "s");
}

} // namespace

const char* SeverityName(ESeverity nSeverity)
{
    return nSeverity == kSeverityError ? "error" : nSeverity == kSeverityWarning ? "warning" : "";
}

std::string CsvRows(const std::string& strFile, const CLessonCheck& check)
{
    std::string strRows;
    for (const CButtonCheck& row : check.m_arrRows) {
        for (const std::string& strField :
             {strFile, row.m_strSlide, row.m_strButton, row.m_strProgram, row.m_strTail})
            strRows += CsvField(strField) + ",";
        strRows += std::string(SeverityName(row.Worst())) + "," + CsvField(row.Findings()) + "\r\n";
    }
    return strRows;
}

std::string TextTable(const std::string& strFile, const CLessonCheck& check)
{
    const CWidths widths = Measure(check);
    std::string strTable =
        strFile + "\r\n" + TableLine(widths, "Slide", "Button", "Program", "Tail", "What it does");
    int nButtons = 0;
    for (const CButtonCheck& row : check.m_arrRows) {
        const bool bLesson = row.m_strSlide.empty();
        if (!bLesson) {
            ++nButtons;
            strTable += TableLine(widths, row.m_strSlide, row.m_strButton, row.m_strProgram,
                                  row.m_strTail, row.m_strDoes);
        }
        for (const CFinding& finding : row.m_arrFindings)
            strTable += std::string(bLesson ? "  lesson: " : "      ") +
                        SeverityName(finding.m_nSeverity) + ": " + finding.m_strText + "\r\n";
    }
    return strTable + "  " + Plural(nButtons, "button") + ", " +
           Plural(check.Count(kSeverityError), "error") + ", " +
           Plural(check.Count(kSeverityWarning), "warning") + "\r\n\r\n";
}
