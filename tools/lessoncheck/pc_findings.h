// CheckPc: whether this PC and this user can run lessons, decided from what lessoncheck /pc read of
// the registry: the viewer's server in each view, the launcher's options value and, with the
// bridge, PowerPoint and its Run Programs policy. No Windows header.
#pragma once

#include "lesson_findings.h"

#include <string>

// The CSV's file column for the PC's rows.
extern const char kPcFile[];

enum EValueKind { kValueAbsent, kValueDword, kValueOther };

// A ProgID as one registry view resolves it: the class it names and that class's
// LocalServer32 command line, each "" where there is none.
struct CServerEntry {
    std::string m_strClsid;
    std::string m_strServer;
};

enum EView { kView32, kView64 };

struct CPcFacts {
    bool m_bTwoViews;            // 64-bit Windows: a 32- and a 64-bit view of the classes
    EView m_nLauncherView;       // the view the launcher of this build reads
    CServerEntry m_arrViewer[2]; // the viewer's ProgID, by view
    EValueKind m_nOptions;       // the launcher's options value in HKCU
    CServerEntry m_arrPowerPoint[2];
    std::string m_strPowerPointVersion; // from PowerPoint.Application's CurVer: "16"; "" if none
    EValueKind m_nPolicy;               // Run Programs, at PcPolicyKey(m_strPowerPointVersion)
    unsigned long m_dwPolicy;
    bool (*m_pfnFileExists)(const std::string& strPath);
};

// The Run Programs policy's key (HKCU) for a PowerPoint version; 16 when it is not known.
std::string PcPolicyKey(const std::string& strVersion);

// The version a CurVer value names ("PowerPoint.Application.16" gives "16"), or "".
std::string VersionOfCurVer(const std::string& strCurVer);

// Whether the viewer's ProgID names the bridge in either view.
bool IsBridgeRegistered(const CPcFacts& facts);

// One row a ProgID in a view, the options value and, with the bridge registered in either view,
// PowerPoint's registration and its policy; each row's findings say what it is and what fails.
CLessonCheck CheckPc(const CPcFacts& facts);

// The rows as lines under "(this PC)", with a count, CR LF ended.
std::string PcTable(const CLessonCheck& check);
