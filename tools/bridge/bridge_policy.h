// What the PowerPoint bridge decides without Windows: how long it tries PowerPoint again, how it
// answers the launcher when PowerPoint fails, and which of PowerPoint's things it may end.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// The HRESULTs these decisions turn on, as PowerPoint's proxy and the launcher see them.
const int32_t kHrCallRejected = static_cast<int32_t>(0x80010001);  // RPC_E_CALL_REJECTED
const int32_t kHrRetryLater = static_cast<int32_t>(0x8001010A);    // RPC_E_SERVERCALL_RETRYLATER
const int32_t kHrDispException = static_cast<int32_t>(0x80020009); // DISP_E_EXCEPTION
const int32_t kHrDisconnected = static_cast<int32_t>(0x80010108);  // RPC_E_DISCONNECTED

// The launcher's calls, each with its own time for PowerPoint's rejections.
enum BridgeCall { kBridgeOpen, kBridgeRestart, kBridgeQuit };

// How long one call of the launcher's may go on trying calls PowerPoint rejects, in ms: the open
// waits out a PowerPoint still starting; the quit ends well inside the launcher's 10 s limit.
uint32_t RetryLimitMs(BridgeCall call);
// The wait before trying again a call PowerPoint answered with hr, nElapsedMs into the
// launcher's call; -1 when hr is no rejection or the next try would pass nLimitMs.
int32_t RetryDelayMs(int32_t hr, uint32_t nElapsedMs, uint32_t nLimitMs);

// PowerPoint has gone: each of these is a code the launcher reads as "viewer gone".
bool IsPowerPointGone(int32_t hr);

// The bridge's answer to the launcher for a call PowerPoint failed with hr (and, when hr is
// DISP_E_EXCEPTION, the exception's scode). m_bRaise: answer DISP_E_EXCEPTION with PowerPoint's
// reason, as the viewer's own failure reads; otherwise answer m_hr as it is.
struct CBridgeAnswer {
    int32_t m_hr;
    bool m_bRaise;
};
CBridgeAnswer AnswerFailure(int32_t hr, int32_t scode);

// The presentation the bridge opened is closed at the quit unless it was open before the lesson:
// then PowerPoint answered the student's own presentation (paths compared in any letter case).
bool ShouldClosePresentation(const std::vector<std::string>& openBefore,
                             const std::string& strOpened);
// PowerPoint is quit only if the bridge started it and nothing else is open in it.
bool ShouldQuitPowerPoint(bool bStartedByBridge, long nStillOpen);
