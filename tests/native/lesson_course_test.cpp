// The running lesson's course explored: every sequence of events the world can produce, from a
// queue of three, each state checked for safety, each end against an oracle, each state for an end.
#include "frame/lesson_machine.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

const int kTexts = 4;         // texts the world sends, each of a kind it chooses
const int kOwn = kTexts;      // the program's own finish, as a text id
const char kKinds[] = "QGSR"; // an answer, a score, a status, a restart
const int kMishaps = 2;       // failures, refusals, closes, logoffs and the like in one run

// The lesson and the world around it: bytes alone, so that equal states merge.
struct CWorld {
    CWorld() { m.m_nCapacity = 3; }
    CLessonState m;
    signed char kind[kTexts + 1] = {}, queue[kLessonQueueMax] = {}, posted[8] = {};
    signed char block = -1, cur = -1, failed = -1, restore = -1, status = -1, score = -1;
    unsigned char failedSet = 0;
    unsigned char sent = 0, nPosted = 0, taken = 0, recorded = 0, recordFailed = 0, options = 0;
    // logoff: 1 asked, 2 ended, 3 cancelled; overdue: 1 may come, 2 came
    unsigned char logoff = 0, closes = 0, overdue = 0, mishaps = 0, exits = 0;
    bool started = false, blockOpen = false, watching = false, gone = false, ran = false;
    bool startFailed = false, ended = false, dismissed = false, inSent = false;
    // What the frame was asked: a record, the quit call, a post, the retry timer.
    bool recording = false, quitting = false, retry = false;
    signed char posting = 0;
    // The lesson ended by itself (its show closed, a close asked for, no window, a record failed,
    // a logoff) before any finish text was taken; a G taken after that.
    bool ownDue = false, finishAfter = false, closeAsked = false;
};
static_assert(sizeof(CWorld) < 128, "states stay small");

struct CChoice {
    LessonEvent event;
    // 0: the event itself; a kind from kKinds: a text sent, its notice with it; 'p': the frame's
    // own posted message; 'c': a WM_CLOSE from outside; 'g': the show closed; 'w': the sender
    // withdraws its text; 'k': Windows ends the process; 't': the retry timer ticks.
    char how = 0;
};

std::string Name(const CChoice& c)
{
    static const char kHows[] = "pcgwkt", *const kNames[] = {"post",     "close", "show closed",
                                                             "withdraw", "kill",  "tick"};
    const char* how = c.how ? strchr(kHows, c.how) : nullptr;
    return how ? kNames[how - kHows] : c.how ? std::string(1, c.how) : LessonEventName(c.event);
}

// One finish text's values, as the finish's token rule writes them.
void Apply(CWorld& w, int id, std::string* err)
{
    if (id == kOwn && !w.ran)
        *err = "I,S for a lesson that never ran";
    if (id == kOwn && w.status >= 0 && w.status != kOwn)
        *err = "the own I,S overwrote a student's status";
    if (id == kOwn || w.kind[id] == 'S')
        w.status = static_cast<signed char>(id);
    else if (w.kind[id] == 'G')
        w.score = static_cast<signed char>(id);
}

int Pop(CWorld& w)
{
    const int id = w.queue[0];
    memmove(w.queue, w.queue + 1, sizeof(w.queue) - 1);
    return id;
}

void Record(CWorld& w, int id, std::string* err)
{
    if (w.recorded & (1 << id))
        *err = "an answer recorded twice";
    w.recorded |= 1 << id;
}

void Post(CWorld& w, LessonEvent e, std::string* err)
{
    if (w.nPosted == sizeof(w.posted))
        *err = "the frame keeps posting to itself";
    else
        w.posted[w.nPosted++] = static_cast<signed char>(e);
}

using Effect = void (*)(CWorld&, std::string*);

// The lesson ends by itself here, unless it never ran, a finish text was taken before, or it
// has ended already.
void Due(CWorld& w)
{
    bool finishTaken = false;
    for (int id = 0; id < w.sent; ++id)
        finishTaken |= (w.taken >> id & 1) && (w.kind[id] == 'G' || w.kind[id] == 'S');
    w.ownDue = w.ownDue || (w.ran && !finishTaken && w.logoff != 2 && !w.ended);
}

// What the frame does for each action, as far as the result and the records go.
// clang-format off
const std::pair<LessonAction, Effect> kPerformed[] = {
    {kOpenShow, [](CWorld& w, std::string*) { w.started = w.blockOpen = true; }},
    {kRecordAnswer, [](CWorld& w, std::string*) { w.recording = true; }},
    {kRunQueued, [](CWorld& w, std::string*) { w.cur = static_cast<signed char>(Pop(w)); }},
    {kDropQueued, [](CWorld& w, std::string*) { Pop(w); }},
    {kWriteOwnFinish, [](CWorld& w, std::string*) { w.cur = kOwn; }},
    {kQuitViewer, [](CWorld& w, std::string*) { w.overdue = 1, w.quitting = true; }},
    {kCloseBlock, [](CWorld& w, std::string*) { w.blockOpen = false; }},
    {kWriteOption, [](CWorld& w, std::string*) { ++w.options; }},
    {kWriteOwnFinishNow, [](CWorld& w, std::string* err) { Apply(w, kOwn, err); }},
    {kRewriteFailed, [](CWorld& w, std::string* err) { Apply(w, w.failed, err); }},
    {kApplyQueuedFinish, [](CWorld& w, std::string* err) { Apply(w, Pop(w), err); }},
    {kRecordQueuedAnswer, [](CWorld& w, std::string* err) { Record(w, Pop(w), err); }},
    {kPostContinue, [](CWorld& w, std::string*) { w.posting = kContinue; }},
    {kPostClose, [](CWorld& w, std::string*) { w.posting = kCloseMessage; }},
    {kStartRetry, [](CWorld& w, std::string*) { w.retry = true; }},
    {kDestroyFrame, [](CWorld& w, std::string*) { w.ended = true, w.options += w.options == 0, ++w.exits; }},
    {kEndProcess, [](CWorld& w, std::string*) { w.ended = true, w.options += w.options == 0, ++w.exits; }},
    {kDismissBox, [](CWorld& w, std::string*) { w.dismissed = true; }},
};

// The world's side of an event: what it did, what the lesson's files and records now hold.
const std::pair<LessonEvent, Effect> kHappened[] = {
    {kRecorded, [](CWorld& w, std::string* err) { Record(w, w.cur, err), w.recording = false; }},
    {kPosted, [](CWorld& w, std::string* err) { Post(w, static_cast<LessonEvent>(w.posting), err), w.posting = 0; }},
    {kPostFailed, [](CWorld& w, std::string*) { w.posting = 0; }},
    {kBoxDismissed, [](CWorld& w, std::string*) { w.dismissed = false; }},
    {kQuitAnswered, [](CWorld& w, std::string*) { w.quitting = false; }},
    {kQuitRefused, [](CWorld& w, std::string*) { w.quitting = false; }},
    {kWritten, [](CWorld& w, std::string* err) { Apply(w, w.cur, err), w.failed = -1; }},
    {kWriteFailed, [](CWorld& w, std::string*) { w.failed = w.cur, w.failedSet |= 1 << w.cur; }},
    {kOpenShowUp, [](CWorld& w, std::string*) { w.watching = true, w.ran = w.logoff != 2; if (w.closeAsked) Due(w); }},
    {kOpenNoWatch, [](CWorld& w, std::string*) { w.ran = w.logoff != 2; if (w.closeAsked) Due(w); }},
    {kOpenNoWindow, [](CWorld& w, std::string*) { w.ran = w.logoff != 2, Due(w); }},
    {kRecordFailed, [](CWorld&w, std::string*) { Due(w), w.recordFailed |= 1 << w.cur, w.recording = w.dismissed = false; }},
    {kOpenFailed, [](CWorld& w, std::string*) { w.startFailed = w.logoff != 2; }},
    {kQueryEndSession, [](CWorld& w, std::string*) { w.logoff = 1; }},
    {kEndSessionCanceled, [](CWorld& w, std::string*) { w.logoff = 3; }},
    // A record under way has failed: only its box lets the message in. An end at once writes
    // again the finish whose write failed.
    {kEndSession, [](CWorld& w, std::string*) {
         Due(w), w.recordFailed |= w.recording ? 1 << w.cur : 0;
         w.restore = w.logoff == 2 || w.overdue == 2 ? w.restore : w.failed, w.logoff = 2; }},
    {kQuitOverdue, [](CWorld& w, std::string*) {
         w.restore = w.quitting && w.logoff != 2 ? w.failed : w.restore, w.overdue = 2; }},
};
// clang-format on

template <class Key, size_t n>
void Run(const std::pair<Key, Effect> (&table)[n], Key key, CWorld& w, std::string* err)
{
    for (const auto& row : table)
        if (row.first == key)
            row.second(w, err);
}

// The world's side of an event, then the lesson's step and the frame's actions.
CWorld Step(const CWorld& from, const CChoice& c, std::string* err)
{
    CWorld w = from;
    if (c.how == 'w' || c.how == 'k') {
        w.ended = c.how == 'k', w.block = c.how == 'w' ? -1 : w.block, ++w.mishaps;
        return w;
    }
    if (c.how == 'p')
        memmove(w.posted, w.posted + 1, sizeof(w.posted) - 1), --w.nPosted;
    w.retry = w.retry && c.how != 't';
    w.closes += c.how == 'c', w.gone = w.gone || c.how == 'g';
    if (c.how == 'c' || (c.how == 'g' && c.event == kShowGone))
        Due(w), w.closeAsked = c.how == 'c';
    if (strchr(kKinds, c.how) && c.how)
        w.kind[w.sent] = c.how, w.block = static_cast<signed char>(w.sent++);
    Run(kHappened, c.event, w, err);
    if (c.event >= kTakenAnswer && c.event <= kTakenOther && w.blockOpen && w.block >= 0) {
        if (c.event != kTakenOther) // a text of a kind the lesson runs joins its queue
            w.queue[w.m.m_nQueued] = w.block;
        w.finishAfter =
            w.finishAfter || (w.ownDue && w.kind[w.block] != 'Q' && w.kind[w.block] != 'R');
        w.taken |= 1 << w.block, w.block = -1;
    }
    static const LessonEvent kMishap[] = {kOpenNoWatch,  kOpenNoWindow, kOpenFailed,
                                          kRecordFailed, kWriteFailed,  kQueryEndSession,
                                          kQuitRefused,  kQuitOverdue,  kPostFailed};
    w.mishaps += c.how == 'c' || std::count(kMishap, std::end(kMishap), c.event);
    CLessonActions actions;
    w.m = StepLesson(w.m, c.event, &actions);
    // The frame's dispatch goes on inside a sent message while what it performs there reports
    // back: every step of it is inside the message.
    const bool inSent = IsSentEvent(c.event) || w.inSent;
    bool reports = false;
    for (int i = 0; i < actions.m_nCount; ++i) {
        const LessonAction a = actions.m_actions[i];
        if (w.ended)
            *err = std::string(LessonActionName(a)) + " after the frame closed";
        if (inSent && (a == kOpenShow || a == kRestartShow || a == kQuitViewer || a == kTearDown))
            *err = "a call out of a sent message";
        reports = reports || a == kTakeText || a == kWriteResult || a == kWriteOwnFinish ||
                  a == kPostContinue || a == kPostClose || a == kRecordAnswer ||
                  a == kShowWriteBox || a == kShowQuitBox || a == kShowStartBox;
        Run(kPerformed, a, w, err);
    }
    w.inSent = inSent && reports;
    return w;
}

// Every event the world may produce now. The calm world sends nothing more, closes the show,
// answers every call, dismisses every box and lets the session go on; it takes the first.
std::vector<CChoice> Choices(const CWorld& w, bool calm)
{
    if (w.ended)
        return {};
    if (w.m.m_eAnswer == kAnswerTake) {
        const int k = w.block >= 0 && w.blockOpen ? w.kind[w.block] : 'X';
        return {{k == 'Q'   ? kTakenAnswer
                 : k == 'R' ? kTakenRestart
                 : k == 'X' ? kTakenOther
                            : kTakenFinish}};
    }
    const bool mishap = !calm && w.mishaps < kMishaps;
    if (w.m.m_eAnswer == kAnswerWrite || w.m.m_eAnswer == kAnswerPost) {
        const bool write = w.m.m_eAnswer == kAnswerWrite;
        std::vector<CChoice> out = {{write ? kWritten : kPosted},
                                    {write ? kWriteFailed : kPostFailed}};
        return std::vector<CChoice>(out.begin(), out.begin() + (mishap ? 2 : 1));
    }
    // clang-format off
    static const std::vector<CChoice> kOutcomes[] = { // by LessonWait
        {}, {{kOpenShowUp}, {kOpenNoWatch}, {kOpenNoWindow}, {kOpenFailed}},
        {{kRecorded}, {kRecordFailed}}, {{kRestartDone}}, {{kQuitAnswered}, {kQuitRefused}},
        {{kTornDown}}, {{kBoxDismissed}}, {{kBoxDismissed}}, {{kBoxDismissed}}};
    // clang-format on
    std::vector<CChoice> out = kOutcomes[w.m.m_eWait];
    if (!mishap && !out.empty())
        out.resize(1);
    if (w.m.m_eWait == kWaitRecord && (w.recordFailed >> w.cur & 1))
        out = {{kRecordFailed}}; // its box was up at the logoff
    // After the session ended nobody presses anything: a box goes only when the lesson dismisses
    // it, and the calm world never answers the open call or a restart.
    const bool box = w.m.m_eWait >= kWaitWriteBox || (w.recording && (w.recordFailed >> w.cur & 1));
    if (w.logoff == 2 && box && !w.dismissed)
        out.clear();
    if (w.logoff == 2 && calm && (w.m.m_eWait == kWaitOpen || w.m.m_eWait == kWaitRestart))
        out.clear();
    if (w.nPosted > 0)
        out.push_back({static_cast<LessonEvent>(w.posted[0]), 'p'});
    if (w.retry)
        out.push_back({kRetryTick, 't'});
    if (w.block >= 0 && (calm || mishap))
        out.push_back({kNotice, 'w'});
    if (w.watching && !(calm && w.logoff == 2 && !w.gone)) // the viewer may outlive the session
        out.push_back({kShowGone, w.gone ? '\0' : 'g'});
    if (!w.started)
        out.push_back({kShowStart});
    if (w.logoff == 1)
        out.push_back({kEndSessionCanceled});
    if (calm)
        return out;
    if (w.logoff == 1)
        out.push_back({kEndSession});
    if (w.logoff == 2)
        out.push_back({kNotice, 'k'});
    if (w.logoff == 0 && mishap)
        out.push_back({kQueryEndSession});
    if (w.closes == 0 && mishap)
        out.push_back({kCloseMessage, 'c'});
    if (w.overdue == 1 && mishap)
        out.push_back({kQuitOverdue});
    if (w.sent < kTexts && w.block < 0 && w.blockOpen)
        for (const char* k = kKinds; *k; ++k)
            out.push_back({kNotice, *k});
    return out;
}

// The step, then every answer that comes at once and has no other choice: one state, not a chain.
CWorld StepOn(const CWorld& from, const CChoice& c, std::string* err)
{
    CWorld w = Step(from, c, err);
    for (std::vector<CChoice> next; !w.ended && w.m.m_eAnswer != kAnswerNone;) {
        if ((next = Choices(w, false)).size() != 1)
            break;
        w = Step(w, next[0], err);
    }
    return w;
}

// At an end: the result the taken texts give by the oracle's rules, each answer taken recorded
// once unless its record failed, the option written back once.
std::string CheckEnd(const CWorld& w)
{
    // The own I,S is due once the lesson ended by itself; a finish taken after that may run
    // first, and then it never comes.
    bool right = false;
    for (int own = 0; own < 2; ++own) {
        if (own != (w.ownDue && !w.startFailed) && !(own == 0 && w.finishAfter))
            continue;
        signed char got[2] = {-1, -1}; // status and score, as the writes in order leave them
        for (int n = -own; n < w.sent; ++n) {
            const int id = n < 0 ? kOwn : n;
            const bool finish = (w.taken >> id & 1) && (w.kind[id] == 'G' || w.kind[id] == 'S');
            // A write the world failed counts only if an end at once wrote it again.
            if ((n < 0 || (finish && !w.startFailed)) &&
                (!(w.failedSet >> id & 1) || id == w.restore))
                got[id == kOwn || w.kind[id] == 'S' ? 0 : 1] = static_cast<signed char>(id);
        }
        right = right || (got[0] == w.status && got[1] == w.score);
    }
    if (!right)
        return "the result is not the one the taken texts give";
    for (int id = 0; id < w.sent; ++id)
        if (((w.taken >> id & 1) && w.kind[id] == 'Q' && !w.startFailed &&
             !(w.recordFailed >> id & 1)) != static_cast<bool>(w.recorded >> id & 1))
            return "an answer taken not recorded, or one recorded that was not taken";
    if (w.exits > 1)
        return "the application's exit ran twice";
    return w.options == 1 ? "" : "the option not written back exactly once";
}

// Whether the calm world brings the lesson to its end from here.
bool Ends(CWorld w)
{
    std::string err;
    for (int n = 0; n < 200 && !w.ended; ++n) {
        // A show that could not be watched ends by a finish text alone, as designed.
        if (w.m.m_ePhase == kRunning && !w.watching && ViewerCalls(w.m) == 0 &&
            w.m.m_nQueued == 0 && !w.m.m_bOwnFinishWaits && w.nPosted == 0)
            return err.empty();
        const std::vector<CChoice> choices = Choices(w, true);
        if (choices.empty())
            return false;
        w = Step(w, choices.front(), &err);
    }
    return w.ended && err.empty() && CheckEnd(w).empty();
}

// Breadth first, so that the first broken rule comes with its shortest sequence of events.
TEST(LessonCourse, EveryReachableStateIsSafeEndsAndEndsRight)
{
    std::vector<CWorld> states = {CWorld()};
    std::vector<std::pair<size_t, CChoice>> via = {{0, {kIdle}}};
    auto key = [](const CWorld& w) {
        return std::string(reinterpret_cast<const char*>(&w), sizeof w);
    };
    std::unordered_map<std::string, size_t> seen = {{key(states[0]), 0}};
    auto path = [&](size_t i) {
        std::string s;
        for (; i != 0; i = via[i].first)
            s = Name(via[i].second) + (s.empty() ? "" : ", ") + s;
        return s;
    };
    for (size_t i = 0; i < states.size(); ++i) {
        const CWorld w = states[i];
        ASSERT_TRUE(Ends(w)) << "never ends, or ends wrong, after: " << path(i);
        std::string err = w.ended ? CheckEnd(w) : "";
        ASSERT_EQ(err, "") << "after: " << path(i);
        for (const CChoice& c : Choices(w, false)) {
            const CWorld next = StepOn(w, c, &err);
            ASSERT_EQ(err, "") << "after: " << path(i) << ", " << Name(c);
            if (seen.emplace(key(next), states.size()).second)
                states.push_back(next), via.push_back({i, c});
        }
    }
    printf("explored %zu states\n", states.size());
    EXPECT_GT(states.size(), 1000u);
}

// What earlier reads of the lesson's end found, each by its shortest sequence of events.
// WM_SHOW_START comes once, from start-up; another while the open call is out opens nothing.
TEST(LessonCourse, ASecondShowStartOpensNothing)
{
    CLessonActions first, second;
    const CLessonState opening = StepLesson(CLessonState(), kShowStart, &first);
    ASSERT_EQ(first.m_nCount, 1);
    EXPECT_EQ(first.m_actions[0], kOpenShow);
    StepLesson(opening, kShowStart, &second);
    EXPECT_EQ(second.m_nCount, 0);
}

TEST(LessonCourse, EndingsFoundBefore)
{
    const std::pair<const char*, const char*> rows[] = {
        {"a logoff keeps every waiting finish",
         "show start, open: show up, R, G, S, WM_QUERYENDSESSION, WM_ENDSESSION, kill"},
        {"Restart Manager's close during the result's box: written again, the box dismissed",
         "show start, open: show up, S, write failed, WM_QUERYENDSESSION, WM_ENDSESSION"},
        {"Restart Manager's close under an open call that never answers",
         "show start, WM_QUERYENDSESSION, WM_ENDSESSION"},
        {"the show closed: I,S written", "show start, open: show up, show closed"},
        {"a reminder the full queue refused comes again",
         "show start, WM_QUERYENDSESSION, WM_ENDSESSION, post failed"},
        {"a logoff of a running lesson: I,S, and no call out of WM_ENDSESSION",
         "show start, open: show up, WM_QUERYENDSESSION, WM_ENDSESSION"},
    };
    for (const auto& [name, sequence] : rows) {
        CWorld w = CWorld();
        std::string err, events = std::string(sequence) + ", ";
        for (size_t at = 0, end; (end = events.find(", ", at)) != std::string::npos; at = end + 2) {
            const std::string event = events.substr(at, end - at);
            std::vector<CChoice> choices;
            auto find = [&] {
                choices = Choices(w, false);
                return std::find_if(choices.begin(), choices.end(),
                                    [&](const CChoice& c) { return Name(c) == event; });
            };
            auto c = find();
            // An answer that comes at once is the plain one unless the row names it.
            for (; c == choices.end() && w.m.m_eAnswer != kAnswerNone; c = find())
                w = Step(w, choices[0], &err);
            ASSERT_NE(c, choices.end()) << name << ": " << event << " cannot come";
            w = StepOn(w, *c, &err);
        }
        EXPECT_EQ(err, "") << name;
        EXPECT_TRUE(Ends(w)) << name << ": " << (w.ended ? CheckEnd(w) : "does not end");
    }
}

} // namespace
