// bench_driver: times the launcher under Wine against its floors, measured beside it (hand-over,
// commands, idle CPU), and its start-up and memory, and lessoncheck over a catalogue of lessons
// beside POI's figures for the same files, and prints the results as markdown. Fails loudly when
// what it timed did not happen.
//   bench_driver [--rounds N] [--answers N] [--idle SECONDS] [--lessons N] [--long N]
//                [--catalogue FOLDER --poi "MEDIAN LOW HIGH" --poi-warm "MEDIAN LOW HIGH"]
// The last three come from bench/run.sh: the folder, and POI's lessons a second over it.
#include <windows.h>

#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "testkit.h"
#include "viewer/powerpoint_contract.h"

namespace {

using testkit::Child;

// Long enough for the receiver's designed wait after the previous command to be over,
// so that each timed launch meets an idle lesson.
const DWORD kSettleMs = 150;

// The goals, each against its floor measured in the same run.
const double kLaterLaunchGoal = 1.15; // × a start that loads user32 and advapi32
const double kCommandGoalMs = 15;     // beyond a start that loads user32 and advapi32
const double kIdleGoal = 1.2;         // × the watch's floor
const double kCheckGoal = 100;        // lessons a second, and faster than POI
const int kCheckRounds = 5;

struct Options {
    int rounds = 30;
    int answers = 30;
    int idleSeconds = 10; // in each of the start-up lessons
    int lessons = 5;
    int longAnswers = 500;
    std::string catalogue; // a folder of lessons for lessoncheck; none, no such rows
    std::string poi;       // POI's lessons a second, a JVM a pass: median, low, high
    std::string poiWarm;   // ... passes in one warm JVM
};

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what);
}

double NowMs()
{
    static const double msPerTick = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return 1000.0 / static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * msPerTick;
}

struct Stats {
    double median, low, high;
};

Stats Summary(std::vector<double> v)
{
    Check(!v.empty(), "no samples");
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

// Polls every millisecond until found() holds; false after timeoutMs or once stop() holds.
template <class Found, class Stop> bool PollUntil(Found found, Stop stop, DWORD timeoutMs)
{
    const double start = NowMs();
    while (!found()) {
        if (stop() || NowMs() - start > timeoutMs)
            return false;
        Sleep(1);
    }
    return true;
}

LONGLONG FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ResultValue(const std::string& file, const char* key)
{
    char sz[256];
    GetPrivateProfileStringA("core", key, "<none>", sz, sizeof(sz), file.c_str());
    return sz;
}

// CreateProcessA to exit of a program that must end by itself with 0.
double TimeWholeProcess(const std::string& commandLine)
{
    const double t0 = NowMs();
    Child child = testkit::LaunchRaw(commandLine);
    const DWORD code = child.Wait(30000);
    const double elapsed = NowMs() - t0;
    Check(code == 0, commandLine + " ended with " + std::to_string(code));
    return elapsed;
}

// Whether the receiver has taken what a hand-over wrote: it empties the block as it copies the
// text out, then sets the "taken" event, which each sender resets before it writes.
bool BlockTaken()
{
    CHandleOwner block(OpenFileMappingA(FILE_MAP_READ, FALSE, kCommandBlockName));
    CHandleOwner taken(OpenEventA(SYNCHRONIZE, FALSE, kTakenEventName));
    if (block.Get() == NULL || taken.Get() == NULL)
        return false;
    const char* view = static_cast<const char*>(MapViewOfFile(block.Get(), FILE_MAP_READ, 0, 0, 0));
    if (view == NULL)
        return false;
    const bool empty = view[0] == '\0';
    UnmapViewOfFile(view);
    return empty && WaitForSingleObject(taken.Get(), 0) == WAIT_OBJECT_0;
}

struct StartTimes {
    double program, viewer, designedWait, total;
};

// A lesson's files in a folder of the bench's own, and PARAM.CMI naming them.
class LessonFiles {
public:
    LessonFiles()
    {
        const std::string dir = testkit::FreshDir("bench");
        show = dir + "\\lesson.ppt";
        result = dir + "\\result.ini";
        quiz = dir + "\\quiz.csv";
        // An interaction file that exists gets no header: each answer grows it just once.
        Check(testkit::WriteWholeFile(show, "Welcome\r\nQuestion 1\r\nThe end\r\n") &&
                  testkit::WriteWholeFile(quiz, ""),
              "cannot write the lesson's files");
        testkit::WriteParamFile("[core]\r\noutput_file=" + result +
                                "\r\nstudent_name=BENCH STUDENT\r\n[Evaluation]\r\n"
                                "Course_ID=B1\r\ninteraction_file=" +
                                quiz + "\r\n");
    }
    std::string show, result, quiz;
};

// One running lesson: started and timed, then finished and checked; killed if left running.
class TimedLesson {
public:
    explicit TimedLesson(const LessonFiles& files) : m_files(files) {}
    ~TimedLesson() { m_child.Kill(); }

    // First launch to the watch running. The frame's thread answers a sent message at
    // once while it waits on the viewer, and not while it sleeps before starting the
    // watch: the end of that one long answer is when the watch starts.
    StartTimes Start()
    {
        Check(testkit::WaitNoProcess("quelmar.exe", 10000), "a viewer of an earlier lesson runs");
        const double t0 = NowMs();
        m_child = testkit::Launch(m_files.show);
        auto ended = [this] { return !m_child.Running(); };
        Check(PollUntil([this] { return (m_hFrame = FindWindowA(kFrameClass, NULL)) != NULL; },
                        ended, 10000),
              "no frame window");
        const double t1 = NowMs();
        Check(PollUntil([] { return FindWindowA(kShowWindowClass, NULL) != NULL; }, ended, 20000),
              "no show window");
        const double t2 = NowMs();
        double t3 = 0;
        while (t3 == 0) {
            Check(NowMs() - t2 < 5000, "the frame never held back for the show window");
            const double sent = NowMs();
            DWORD_PTR result;
            Check(SendMessageTimeoutA(m_hFrame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0,
                  "the frame does not answer");
            // A quarter of the designed wait: far longer than any answer given meanwhile.
            if (NowMs() - sent >= kShowWindowWaitMs / 4.0)
                t3 = NowMs();
        }
        return {t1 - t0, t2 - t1, t3 - t2, t3 - t0};
    }

    DWORD Pid() const { return m_child.Pid(); }
    bool Running() const { return m_child.Running(); }

    // Ends the lesson with a finish command and checks that its result was written.
    void Finish(int score)
    {
        const std::string command = "-S=P -G=" + std::to_string(score);
        Check(testkit::Launch(command).Wait(30000) == 0, command + " failed");
        Check(m_child.Wait(20000) == 0, "the lesson did not end after " + command);
        Check(testkit::WaitNoProcess("quelmar.exe", 10000), "the viewer outlived the lesson");
        Check(ResultValue(m_files.result, "lesson_status") == "P" &&
                  ResultValue(m_files.result, "score") == std::to_string(score),
              "the result file does not hold " + command);
    }

private:
    const LessonFiles& m_files;
    Child m_child;
    HWND m_hFrame = NULL;
};

struct HandOverFigures {
    Stats laterLaunch, laterLaunchLogged, noop, noopUser32, noopOle;
    // Each round's later launch less its own round's start importing user32, so that drift
    // between rounds cancels.
    Stats laterBeyondUser32;
};

// One later launch against the running lesson, checked to have been taken.
double TimeLaterLaunch(const std::string& tail)
{
    const double ms = TimeWholeProcess("\"" + testkit::BinPath("tarnskov.exe") + "\" " + tail);
    Check(BlockTaken(), "the running lesson did not take " + tail);
    return ms;
}

// The later launch, without and with the diagnostic log, and the three yardsticks in turn,
// each round in another order, so that drift of the machine and the order itself touch all
// alike.
HandOverFigures TimeHandOvers(int rounds, const std::string& log)
{
    const char* const yardsticks[] = {"noop.exe", "noop_user32.exe", "noop_ole.exe"};
    std::vector<double> samples[5];
    for (int i = 0; i < rounds; ++i) {
        for (int turn = 0; turn < 5; ++turn) {
            const int which = (turn + i) % 5;
            Sleep(kSettleMs);
            if (which == 3) {
                samples[3].push_back(TimeLaterLaunch("-Z=" + std::to_string(i)));
            } else if (which == 4) {
                testkit::SetLogFile(log);
                samples[4].push_back(TimeLaterLaunch("-Z=log" + std::to_string(i)));
                testkit::DeleteValue(kLauncherKey, kLogFileValue);
            } else {
                samples[which].push_back(
                    TimeWholeProcess("\"" + testkit::BinPath(yardsticks[which]) + "\""));
            }
        }
    }
    std::vector<double> beyond;
    for (int i = 0; i < rounds; ++i)
        beyond.push_back(samples[3][i] - samples[1][i]);
    return {Summary(samples[3]), Summary(samples[4]), Summary(samples[0]),
            Summary(samples[1]), Summary(samples[2]), Summary(beyond)};
}

// CreateProcessA of a -Q launch to its record's bytes in the interaction file.
double TimeAnswer(const LessonFiles& files, const std::string& id)
{
    const LONGLONG before = FileSize(files.quiz);
    const double t0 = NowMs();
    Child sender = testkit::Launch("-Q=" + id + " B 1");
    Check(PollUntil([&] { return FileSize(files.quiz) != before; }, [] { return false; }, 10000),
          "no record for " + id);
    const double elapsed = NowMs() - t0;
    Check(sender.Wait(10000) == 0, "the sender of " + id + " failed");
    // Read only once the file has grown: the recorder may refuse to share it
    // while it writes, which costs this read a retry and nothing else.
    const std::string tail = ",\"" + id + "\",B,1\r\n";
    auto recorded = [&] {
        std::string text;
        return testkit::ReadWholeFile(files.quiz, &text) && text.size() > tail.size() &&
               text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    Check(PollUntil(
              recorded, [] { return false; }, 1000),
          "the last record is not " + id);
    return elapsed;
}

struct CommandFigures {
    // Each answer less the receiver's designed wait; the start that loads user32 timed beside
    // it; and the one less the other, answer by answer, so that drift cancels.
    Stats command, floor, beyond;
};

// Each answer beside one start of noop_user32.exe, the one or the other first in turn.
CommandFigures TimeAnswers(const LessonFiles& files, int answers)
{
    const std::string floorCommand = "\"" + testkit::BinPath("noop_user32.exe") + "\"";
    std::vector<double> command, floor, beyond;
    // The first answer, after the hand-overs, is a warm-up and not timed.
    Sleep(kSettleMs);
    TimeAnswer(files, "E0");
    for (int i = 1; i <= answers; ++i) {
        double answerMs = 0, floorMs = 0;
        for (int turn = 0; turn < 2; ++turn) {
            Sleep(kSettleMs);
            if ((turn + i) % 2 == 0)
                floorMs = TimeWholeProcess(floorCommand);
            else
                answerMs = TimeAnswer(files, "E" + std::to_string(i)) - kCommandWaitMs;
        }
        command.push_back(answerMs);
        floor.push_back(floorMs);
        beyond.push_back(answerMs - floorMs);
    }
    return {Summary(command), Summary(floor), Summary(beyond)};
}

// A file Linux makes up as it is read (its size shows as 0), through Wine's drive Z:.
std::string ReadLinuxFile(const std::string& path)
{
    CHandleOwner file(CreateFileA(("Z:" + path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                                  NULL));
    std::string text;
    char buffer[4096];
    DWORD cb = 0;
    while (file.Get() != NULL && ReadFile(file.Get(), buffer, sizeof(buffer), &cb, NULL) && cb > 0)
        text.append(buffer, cb);
    return text;
}

// The numbered entries of a Linux folder (processes, threads), through Wine's drive Z:.
std::vector<std::string> LinuxIds(const std::string& path)
{
    struct FindOwner {
        HANDLE h;
        ~FindOwner()
        {
            if (h != INVALID_HANDLE_VALUE)
                FindClose(h);
        }
    };
    std::vector<std::string> ids;
    WIN32_FIND_DATAA data;
    FindOwner find{FindFirstFileA(("Z:" + path + "\\*").c_str(), &data)};
    for (BOOL more = find.h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find.h, &data))
        if (data.cFileName[0] >= '1' && data.cFileName[0] <= '9')
            ids.push_back(data.cFileName);
    return ids;
}

// The Linux process that runs a Windows program started with this argument: Wine puts the
// Windows command line in the process's argv, one argument after another.
std::string LinuxPid(const std::string& program, const std::string& argument)
{
    const std::string argv = program + '\0' + argument + '\0';
    for (const std::string& pid : LinuxIds("\\proc"))
        if (ReadLinuxFile("\\proc\\" + pid + "\\cmdline").compare(0, argv.size(), argv) == 0)
            return pid;
    throw std::runtime_error("no Linux process runs " + program + " " + argument);
}

// The time each thread of a Linux process has run so far, kernel and user, in milliseconds: the
// first field of its schedstat, in nanoseconds. Wine's own figures come in 10 ms ticks (its
// GetProcessTimes answers for another process with the caller's times), too coarse for a
// fraction of a percent.
std::map<std::string, double> ThreadRunMs(const std::string& pid)
{
    const std::string tasks = "\\proc\\" + pid + "\\task";
    std::map<std::string, double> ms;
    for (const std::string& tid : LinuxIds(tasks))
        ms[tid] = strtod(ReadLinuxFile(tasks + "\\" + tid + "\\schedstat").c_str(), NULL) / 1e6;
    return ms;
}

// What a process's threads ran between two readings: a thread born meanwhile counts whole, and
// one that ended meanwhile (Wine ends an idle pool thread after a few seconds) drops out, as it
// would take all its past time with it from a sum over the process.
double RunMsBetween(const std::map<std::string, double>& before,
                    const std::map<std::string, double>& after)
{
    double ms = 0;
    for (const auto& thread : after) {
        const auto earlier = before.find(thread.first);
        ms += thread.second - (earlier != before.end() ? earlier->second : 0);
    }
    return ms;
}

// Two copies of the watch's floor run beside each idle lesson, told apart by an argument they
// ignore. Each copy's timer ticks in a phase of its own against the lesson's, and that alone can
// move a process's CPU by a fifth or more: the lesson is judged against the copies' mean, and how
// far one copy strays from the other shows what such luck is worth.
const char* const kFloorCopies[] = {"1", "2"};

// CPU over one idle period, in percent of one core.
struct IdleSample {
    double lesson, floor[2];
};

// A copy of noop_watch.exe beside the running lesson, once it waits in its message loop with its
// timer set.
Child StartWatchFloor(const char* copy)
{
    Child floor =
        testkit::LaunchRaw("\"" + testkit::BinPath("noop_watch.exe") + "\" " + std::string(copy));
    CHandleOwner process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, floor.Pid()));
    Check(process.Get() != NULL && WaitForInputIdle(process.Get(), 10000) == 0 && floor.Running(),
          "noop_watch.exe did not start watching the show");
    return floor;
}

// The lesson, which only watches its show, and both copies of its floor over the same seconds.
IdleSample TimeIdle(const TimedLesson& lesson, const Child (&floors)[2], const LessonFiles& files,
                    int seconds)
{
    const std::string watch = testkit::BinPath("noop_watch.exe");
    const std::string pids[3] = {LinuxPid(testkit::BinPath("tarnskov.exe"), files.show),
                                 LinuxPid(watch, kFloorCopies[0]),
                                 LinuxPid(watch, kFloorCopies[1])};
    // What the floors' start-up left to do is over by then.
    Sleep(1000);
    std::map<std::string, double> before[3];
    for (int i = 0; i < 3; ++i) {
        before[i] = ThreadRunMs(pids[i]);
        Check(!before[i].empty(), "no threads are listed for Linux process " + pids[i]);
    }
    const double wall0 = NowMs();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double wall = NowMs() - wall0;
    double percent[3];
    for (int i = 0; i < 3; ++i)
        percent[i] = 100 * RunMsBetween(before[i], ThreadRunMs(pids[i])) / wall;
    Check(lesson.Running() && floors[0].Running() && floors[1].Running() &&
              FindWindowA(kShowWindowClass, NULL) != NULL,
          "the lesson or its floor did not stay up while idle");
    return {percent[0], {percent[1], percent[2]}};
}

// The lesson, once its watch runs, idles beside its floor's two copies and is then finished; each
// copy ends by itself once the show's window is gone, so it watched the right window.
IdleSample IdleThenFinish(TimedLesson& lesson, const LessonFiles& files, int seconds, int score)
{
    Child floors[2] = {StartWatchFloor(kFloorCopies[0]), StartWatchFloor(kFloorCopies[1])};
    const IdleSample sample = TimeIdle(lesson, floors, files, seconds);
    lesson.Finish(score);
    for (Child& floor : floors)
        Check(floor.Wait(5000) == 0, "noop_watch.exe did not end with the show");
    return sample;
}

std::string Fixed(double v, int decimals = 1)
{
    char sz[64];
    snprintf(sz, sizeof(sz), "%.*f", decimals, v);
    return sz;
}

// One row of the results table.
void Row(const std::string& what, const std::string& median, const std::string& range = "",
         const std::string& goal = "", const std::string& verdict = "")
{
    printf("| %s | %s | %s | %s | %s |\n", what.c_str(), median.c_str(), range.c_str(),
           goal.c_str(), verdict.c_str());
}

void Row(const std::string& what, const Stats& s)
{
    Row(what, Fixed(s.median) + " ms", Fixed(s.low) + "–" + Fixed(s.high) + " ms");
}

const char* Verdict(bool met)
{
    return met ? "met" : "**missed**";
}

Options ParseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--catalogue" || name == "--poi" || name == "--poi-warm") {
            (name == "--poi"        ? o.poi
             : name == "--poi-warm" ? o.poiWarm
                                    : o.catalogue) = argv[i + 1];
            continue;
        }
        const int value = atoi(argv[i + 1]);
        Check(value > 0, "bad value for " + name);
        if (name == "--rounds")
            o.rounds = value;
        else if (name == "--answers")
            o.answers = value;
        else if (name == "--idle")
            o.idleSeconds = value;
        else if (name == "--lessons")
            o.lessons = value;
        else if (name == "--long")
            o.longAnswers = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    Check(argc % 2 == 1, "an option lacks its value");
    return o;
}

struct IdleFigures {
    // Each lesson's CPU, its floor's (the copies' mean), the one ÷ the other, and the second copy
    // ÷ the first, lesson by lesson.
    Stats lesson, floor, ratio, copies;
};

struct StartUpFigures {
    Stats program, viewer, designedWait, total;
    IdleFigures idle;
};

// Whole lessons, each started, then idle beside the watch's floor, then finished: the start-up's
// stages, and the idle CPU of as many lessons and floors, so that no one process's luck decides.
StartUpFigures TimeStartUps(const LessonFiles& files, int lessons, int idleSeconds)
{
    fprintf(stderr, "start-up: %d lessons, each then idle for %d s beside the watch's floor\n",
            lessons, idleSeconds);
    std::vector<double> programMs, viewerMs, waitMs, totalMs, lesson, floor, ratio, copies;
    for (int i = 0; i < lessons; ++i) {
        TimedLesson timed(files);
        const StartTimes t = timed.Start();
        programMs.push_back(t.program);
        viewerMs.push_back(t.viewer);
        waitMs.push_back(t.designedWait);
        totalMs.push_back(t.total);
        const IdleSample idle = IdleThenFinish(timed, files, idleSeconds, i + 1);
        lesson.push_back(idle.lesson);
        floor.push_back((idle.floor[0] + idle.floor[1]) / 2);
        ratio.push_back(lesson.back() / floor.back());
        copies.push_back(idle.floor[1] / idle.floor[0]);
    }
    return {Summary(programMs),
            Summary(viewerMs),
            Summary(waitMs),
            Summary(totalMs),
            {Summary(lesson), Summary(floor), Summary(ratio), Summary(copies)}};
}

// The bridge in the viewer's place and the stand-in as PowerPoint while it lives; quelmar's
// registration put back after, whatever happened.
class BridgeRegistration {
public:
    BridgeRegistration()
    {
        Run("quelmar.exe", "/UnregServer");
        Check(Run(kBridgeExeName, "/RegServer") == 0 &&
                  Run(kStandinExeName, "/RegServer /force") == 0,
              "the bridge or the stand-in could not be registered");
    }
    ~BridgeRegistration()
    {
        Run(kBridgeExeName, "/UnregServer");
        Run("quelmar.exe", "/RegServer");
    }

private:
    static DWORD Run(const char* exe, const char* options)
    {
        return testkit::LaunchRaw("\"" + testkit::BinPath(exe) + "\" " + options).Wait(30000);
    }
};

struct BridgedFigures {
    Stats viewer, total;
};

// The same start-ups through the bridge and the stand-in of PowerPoint, on a real lesson (the
// stand-in opens no other): each finished, and neither server left once it has ended.
BridgedFigures TimeBridgedStartUps(const LessonFiles& files, int lessons)
{
    fprintf(stderr, "start-up through the bridge: %d lessons\n", lessons);
    const BridgeRegistration registration;
    Check(CopyFileA(testkit::BinPath("good.ppt").c_str(), files.show.c_str(), FALSE) != 0,
          "cannot copy good.ppt for the bridged lessons");
    std::vector<double> viewerMs, totalMs;
    for (int i = 0; i < lessons; ++i) {
        TimedLesson timed(files);
        const StartTimes t = timed.Start();
        viewerMs.push_back(t.viewer);
        totalMs.push_back(t.total);
        timed.Finish(70 + i);
        Check(testkit::WaitNoProcess(kBridgeExeName, 10000) &&
                  testkit::WaitNoProcess(kStandinExeName, 10000),
              "the bridge or the stand-in outlived the lesson");
    }
    return {Summary(viewerMs), Summary(totalMs)};
}

struct RunningFigures {
    HandOverFigures hand;
    CommandFigures answer, answerLogged;
    double longLessonMsPerAnswer;
    SIZE_T peakWorkingSet, ownPeakWorkingSet;
};

// A long lesson: answers five at a time, as fast as a class of quick students, every one
// recorded exactly once. Returns the time per answer.
double TimeLongLesson(const LessonFiles& files, int answers)
{
    fprintf(stderr, "a long lesson: %d answers, five at a time\n", answers);
    Check(testkit::WriteWholeFile(files.quiz, ""), "cannot empty the interaction file");
    TimedLesson lesson(files);
    lesson.Start();
    const double t0 = NowMs();
    for (int i = 0; i < answers; i += 5) {
        std::vector<Child> batch;
        for (int j = i; j < i + 5 && j < answers; ++j)
            batch.push_back(testkit::Launch("-Q=N" + std::to_string(j) + " a 0"));
        for (Child& child : batch)
            Check(child.Wait(60000) == 0, "a sender of the long lesson failed");
    }
    const double elapsed = NowMs() - t0;
    lesson.Finish(102);
    std::string quiz;
    Check(testkit::ReadWholeFile(files.quiz, &quiz), "no interaction file");
    std::set<std::string> ids;
    size_t lines = 0;
    for (size_t at = quiz.find(",\"N"); at != std::string::npos; at = quiz.find(",\"N", at + 1)) {
        ids.insert(quiz.substr(at + 2, quiz.find('"', at + 2) - at - 2));
        ++lines;
    }
    Check(lines == static_cast<size_t>(answers) && ids.size() == lines,
          "the long lesson lost or doubled an answer");
    return elapsed / answers;
}

// One lesson for the hand-overs, the commands and the memory.
void TimeFirstRunningLesson(const LessonFiles& files, const Options& o, const std::string& log,
                            RunningFigures& f)
{
    TimedLesson lesson(files);
    lesson.Start();
    CHandleOwner process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, lesson.Pid()));
    Check(process.Get() != NULL, "cannot open the lesson process");
    fprintf(stderr, "hand-over: %d rounds\n", o.rounds);
    f.hand = TimeHandOvers(o.rounds, log);
    fprintf(stderr, "commands: %d answers, each beside a start that loads user32\n", o.answers);
    f.answer = TimeAnswers(files, o.answers);
    PROCESS_MEMORY_COUNTERS memory = {}, own = {};
    Check(GetProcessMemoryInfo(process.Get(), &memory, sizeof(memory)) != 0 &&
              memory.PeakWorkingSetSize > 0 &&
              GetProcessMemoryInfo(GetCurrentProcess(), &own, sizeof(own)) != 0,
          "GetProcessMemoryInfo failed");
    f.peakWorkingSet = memory.PeakWorkingSetSize;
    f.ownPeakWorkingSet = own.PeakWorkingSetSize;
    lesson.Finish(100);
}

// The first running lesson; then one started with the diagnostic log on, for the commands again;
// then the long lesson.
RunningFigures TimeRunningLessons(const LessonFiles& files, const Options& o)
{
    RunningFigures f;
    const std::string log = files.show.substr(0, files.show.rfind('\\')) + "\\bench.log";
    TimeFirstRunningLesson(files, o, log, f);
    testkit::SetLogFile(log);
    {
        TimedLesson lesson(files);
        lesson.Start();
        fprintf(stderr, "commands with the log on: %d answers\n", o.answers);
        f.answerLogged = TimeAnswers(files, o.answers);
        lesson.Finish(101);
    }
    testkit::DeleteValue(kLauncherKey, kLogFileValue);
    std::string text;
    Check(testkit::ReadWholeFile(log, &text) && text.find(" record ") != std::string::npos,
          "the lesson with the log on wrote no log");
    f.longLessonMsPerAnswer = TimeLongLesson(files, o.longAnswers);
    return f;
}

// The rows of process starts and later launches, with and without the log: the later launch
// judged against a start that loads what any hand-over through a window needs.
void PrintHandOverRows(const HandOverFigures& hand)
{
    const double ratio = hand.laterLaunch.median / hand.noopUser32.median;
    Row("Floor: a process start that loads user32 and advapi32, what a hand-over through a window "
        "needs (`noop_user32.exe`)",
        hand.noopUser32);
    Row("A bare process start (`noop.exe`), for scale", hand.noop);
    Row("A start that loads ole32 and oleaut32 too (`noop_ole.exe`), what a later launch would "
        "cost if the launcher imported OLE",
        hand.noopOle);
    Row("Later launch, whole process (`tarnskov.exe -Z=n`: a hand-over only)", hand.laterLaunch);
    Row("Later launch ÷ the floor", Fixed(ratio, 2), "", "≤ " + Fixed(kLaterLaunchGoal, 2),
        Verdict(ratio <= kLaterLaunchGoal));
    Row("Later launch beyond the floor, round by round", hand.laterBeyondUser32);
    Row("Later launch with the diagnostic log on", hand.laterLaunchLogged);
    Row("Later launch, log on ÷ log off",
        Fixed(hand.laterLaunchLogged.median / hand.laterLaunch.median, 3));
}

// The command judged against the start that loads user32 timed beside each answer.
void PrintCommandRows(const CommandFigures& answer, const CommandFigures& logged)
{
    Row("Command end to end (`-Q=id B 1`: launch → record on disk), less the designed 100 ms",
        answer.command);
    Row("Floor: a start that loads user32 and advapi32 (`noop_user32.exe`), beside each answer",
        answer.floor);
    Row("Command end to end beyond the floor, answer by answer",
        Fixed(answer.beyond.median) + " ms",
        Fixed(answer.beyond.low) + "–" + Fixed(answer.beyond.high) + " ms",
        "≤ " + Fixed(kCommandGoalMs, 0) + " ms", Verdict(answer.beyond.median <= kCommandGoalMs));
    Row("Command end to end with the diagnostic log on, less the designed 100 ms", logged.command);
    Row("Command end to end with the log on, beyond the floor, answer by answer", logged.beyond);
    Row("Command end to end, log on ÷ log off",
        Fixed(logged.command.median / answer.command.median, 3));
}

// The idle lessons judged against the watch's floor, each beside its own over the same seconds.
void PrintIdleRows(const IdleFigures& idle)
{
    // Percent of one core, and what it comes to at each 50 ms tick.
    auto cpu = [](const Stats& s) {
        return std::make_pair(Fixed(s.median, 3) + " % of one core",
                              Fixed(s.low, 3) + "–" + Fixed(s.high, 3) + " %");
    };
    auto perTick = [](const Stats& s) {
        return Fixed(s.median / 100 * kWatchPeriodMs * 1000, 0) + " µs per 50 ms tick";
    };
    const auto floor = cpu(idle.floor), lesson = cpu(idle.lesson);
    Row("Floor: the watch alone (`noop_watch.exe`: a hidden window whose 50 ms timer asks "
        "`IsWindow` of the show's window), the mean of two copies beside each lesson: " +
            perTick(idle.floor),
        floor.first, floor.second);
    Row("CPU of an idle lesson, the same seconds: " + perTick(idle.lesson), lesson.first,
        lesson.second);
    Row("Idle lesson ÷ its floor, lesson by lesson", Fixed(idle.ratio.median, 2),
        Fixed(idle.ratio.low, 2) + "–" + Fixed(idle.ratio.high, 2), "≤ " + Fixed(kIdleGoal, 2),
        Verdict(idle.ratio.median <= kIdleGoal));
    Row("One copy of the floor ÷ the other, lesson by lesson: what a process's luck is worth",
        Fixed(idle.copies.median, 2), Fixed(idle.copies.low, 2) + "–" + Fixed(idle.copies.high, 2));
}

// lessoncheck over the catalogue, its table to a file, each round from CreateProcessA to its exit:
// lessons a second. Checked: it ends with 0 or 1 (no file refused), and its summary line names
// the lessons read, as many in every round.
struct CheckFigures {
    Stats rate;      // lessons a second
    int lessons = 0; // none when there was no catalogue
};

CheckFigures TimeLessonCheck(const std::string& catalogue)
{
    fprintf(stderr, "lessoncheck: %d rounds over %s\n", kCheckRounds, catalogue.c_str());
    const std::string table = testkit::FreshDir("bench-lessoncheck") + "\\table.txt";
    std::string line = "\"" + testkit::BinPath("lessoncheck.exe") + "\" \"" + catalogue + "\"";
    std::vector<double> rates;
    CheckFigures figures;
    for (int round = 0; round < kCheckRounds; ++round) {
        SECURITY_ATTRIBUTES sa = {sizeof(sa), NULL, TRUE};
        CHandleOwner out(CreateFileA(table.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                     CREATE_ALWAYS, 0, NULL));
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = out.Get();
        PROCESS_INFORMATION pi = {};
        const double t0 = NowMs();
        Check(CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi),
              "cannot start lessoncheck.exe");
        CHandleOwner process(pi.hProcess), thread(pi.hThread);
        DWORD code = STILL_ACTIVE;
        Check(WaitForSingleObject(process.Get(), 300000) == WAIT_OBJECT_0 &&
                  GetExitCodeProcess(process.Get(), &code) && code <= 1,
              "lessoncheck ended with " + std::to_string(code));
        const double elapsed = NowMs() - t0;
        out.Close();
        std::string text;
        Check(testkit::ReadWholeFile(table, &text), "no table from lessoncheck");
        const size_t at = text.rfind("\r\n", text.size() - 3);
        int lessons = 0, withErrors = 0, refused = -1;
        sscanf(text.c_str() + (at == std::string::npos ? 0 : at + 2),
               "%d lessons read, %d with errors; %d files refused", &lessons, &withErrors,
               &refused);
        Check(lessons > 0 && refused == 0 && (round == 0 || lessons == figures.lessons),
              "lessoncheck's summary: " + text.substr(at == std::string::npos ? 0 : at + 2));
        figures.lessons = lessons;
        rates.push_back(lessons * 1000.0 / elapsed);
    }
    figures.rate = Summary(rates);
    return figures;
}

// POI's median, low and high as bench/run.sh passed them.
Stats PoiRates(const std::string& text)
{
    Stats s;
    Check(sscanf(text.c_str(), "%lf %lf %lf", &s.median, &s.low, &s.high) == 3,
          "--poi and --poi-warm need the median, low and high");
    return s;
}

std::string Rates(const Stats& s)
{
    return Fixed(s.low, 0) + "–" + Fixed(s.high, 0);
}

// lessoncheck's rate judged against its goal and against POI's run as lessoncheck is, from a new
// process to its end.
void PrintCheckRows(const Options& o, const CheckFigures& figures)
{
    const Stats& check = figures.rate;
    const Stats poi = PoiRates(o.poi), warm = PoiRates(o.poiWarm);
    const std::string files = std::to_string(figures.lessons) + " lessons";
    Row("lessoncheck.exe: " + files +
            " (copies of the generated ones), its table to a file, its "
            "process start included",
        Fixed(check.median, 0) + " a second", Rates(check),
        "≥ " + Fixed(kCheckGoal, 0) + " a second, and faster than POI",
        Verdict(check.median >= kCheckGoal && check.median > poi.median));
    Row("Apache POI (HSLF) reading the same " + files +
            ", a new JVM for each pass, its start "
            "included",
        Fixed(poi.median, 0) + " a second", Rates(poi));
    Row("... passes in one JVM, its start left out (the first one cold), for scale",
        Fixed(warm.median, 0) + " a second", Rates(warm));
}

void PrintFigures(const Options& o, const StartUpFigures& start, const RunningFigures& f,
                  const BridgedFigures& bridged, const CheckFigures& check)
{
    auto mib = [](SIZE_T bytes) { return Fixed(static_cast<double>(bytes) / 1048576, 1) + " MiB"; };
    printf("| What | Median | Range | Goal | Verdict |\n| --- | ---: | ---: | --- | --- |\n");
    PrintHandOverRows(f.hand);
    PrintCommandRows(f.answer, f.answerLogged);
    PrintIdleRows(start.idle);
    Row("Start-up: program (CreateProcess → frame window)", start.program);
    Row("Start-up: program beyond a start that loads user32 and advapi32",
        Fixed(start.program.median - f.hand.noopUser32.median) + " ms");
    Row("Start-up: viewer activation and open (frame → show window)", start.viewer);
    Row("Start-up: open call's return and designed 200 ms wait (show window → watch running)",
        start.designedWait);
    Row("Start-up: total (CreateProcess → watch running)", start.total);
    Row("Start-up through the bridge and the PowerPoint stand-in: viewer activation and open "
        "(frame → show window)",
        bridged.viewer);
    Row("Start-up through the bridge and the PowerPoint stand-in: total", bridged.total);
    Row("A long lesson: " + std::to_string(o.longAnswers) +
            " answers launched five at a time, each recorded exactly once",
        Fixed(f.longLessonMsPerAnswer) + " ms per answer");
    Row("Peak working set of the lesson, just before its finish", mib(f.peakWorkingSet));
    Row("Peak working set of bench_driver.exe itself, for scale", mib(f.ownPeakWorkingSet));
    if (check.lessons > 0)
        PrintCheckRows(o, check);
    printf("\nSamples: %d rounds of the five process starts, %d answers with the log off and as "
           "many on (each beside a start of `noop_user32.exe`), %d start-ups (each lesson then "
           "%d s idle beside two copies of `noop_watch.exe`); medians, with the range of the "
           "samples.%s\n",
           o.rounds, o.answers, o.lessons, o.idleSeconds,
           check.lessons > 0 ? (" lessoncheck and POI: " + std::to_string(kCheckRounds) +
                                " rounds each over the catalogue.")
                                   .c_str()
                             : "");
}

void Run(const Options& o)
{
    Check(testkit::ViewerRegistered(), "the viewer is not registered (quelmar.exe /RegServer)");
    testkit::SetMacroProtection(1);
    testkit::DeleteValue(kLauncherKey, kLogFileValue);
    const LessonFiles files;
    const StartUpFigures start = TimeStartUps(files, o.lessons, o.idleSeconds);
    const RunningFigures running = TimeRunningLessons(files, o);
    const BridgedFigures bridged = TimeBridgedStartUps(files, o.lessons);
    const CheckFigures check = o.catalogue.empty() ? CheckFigures() : TimeLessonCheck(o.catalogue);
    PrintFigures(o, start, running, bridged, check);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        Run(ParseOptions(argc, argv));
        return 0;
    } catch (const std::exception& e) {
        fprintf(stderr, "bench_driver: FAILED: %s\n", e.what());
        return 1;
    }
}
