// The bridge's platform-free decisions.
#include "bridge_policy.h"

#include <algorithm>
#include <ctype.h>

// A rejection is tried again this often; PowerPoint answers one when busy with a dialog or an
// incoming call.
static const uint32_t kRetryIntervalMs = 100;

uint32_t RetryLimitMs(BridgeCall call)
{
    switch (call) {
    case kBridgeOpen:
        return 20000;
    case kBridgeRestart:
        return 5000;
    case kBridgeQuit:
        return 4000;
    }
    return 0;
}

int32_t RetryDelayMs(int32_t hr, uint32_t nElapsedMs, uint32_t nLimitMs)
{
    if (hr != kHrCallRejected && hr != kHrRetryLater)
        return -1;
    if (nElapsedMs > nLimitMs || nLimitMs - nElapsedMs < kRetryIntervalMs)
        return -1;
    return static_cast<int32_t>(kRetryIntervalMs);
}

bool IsPowerPointGone(int32_t hr)
{
    static const uint32_t kGone[] = {
        0x800706BA, // RPC_S_SERVER_UNAVAILABLE
        0x800706BE, // RPC_S_CALL_FAILED
        0x80010108, // RPC_E_DISCONNECTED
        0x80010007, // RPC_E_SERVER_DIED
        0x80010012, // RPC_E_SERVER_DIED_DNE
        0x800401FD, // CO_E_OBJNOTCONNECTED
    };
    return std::find(std::begin(kGone), std::end(kGone), static_cast<uint32_t>(hr)) !=
           std::end(kGone);
}

CBridgeAnswer AnswerFailure(int32_t hr, int32_t scode)
{
    // A proxy's failure comes bare; a gone object PowerPoint itself called may come raised.
    if (IsPowerPointGone(hr))
        return {hr, false};
    if (hr == kHrDispException && IsPowerPointGone(scode))
        return {scode, false};
    // Still rejected past the limit: the launcher refuses to retry, as it would the viewer's.
    if (hr == kHrCallRejected || hr == kHrRetryLater)
        return {hr, false};
    return {kHrDispException, true};
}

static bool EqualPaths(const std::string& strA, const std::string& strB)
{
    return strA.size() == strB.size() &&
           std::equal(strA.begin(), strA.end(), strB.begin(), [](char a, char b) {
               return tolower(static_cast<unsigned char>(a)) ==
                      tolower(static_cast<unsigned char>(b));
           });
}

bool ShouldClosePresentation(const std::vector<std::string>& openBefore,
                             const std::string& strOpened)
{
    return std::none_of(openBefore.begin(), openBefore.end(),
                        [&](const std::string& strOpen) { return EqualPaths(strOpen, strOpened); });
}

bool ShouldQuitPowerPoint(bool bStartedByBridge, long nStillOpen)
{
    return bStartedByBridge && nStillOpen == 0;
}
