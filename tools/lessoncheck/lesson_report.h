// The check of a lesson written for a person (a table) or for a spreadsheet (CSV, RFC 4180);
// lines end with CR LF. No Windows header.
#pragma once

#include "lesson_findings.h"

#include <string>

extern const char kCsvHeader[]; // its line, CR LF included

const char* SeverityName(ESeverity nSeverity); // "error", "warning" or ""

// One row a button or lesson-level finding, file first.
std::string CsvRows(const std::string& strFile, const CLessonCheck& check);

// The file's name, a table of its buttons with each one's findings beneath it, the lesson's own
// findings and a count.
std::string TextTable(const std::string& strFile, const CLessonCheck& check);
