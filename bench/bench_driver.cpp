// bench_driver: times the launcher under Wine against its floors, measured beside it (hand-over,
// commands, idle CPU), and its start-up and memory, and prints the results as markdown. Fails
// loudly when what it timed did not happen.
//   bench_driver [--rounds N] [--answers N] [--idle SECONDS] [--lessons N] [--long N]
#include <windows.h>

#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "testkit.h"

namespace {

using testkit::Child;

// Long enough for the receiver's designed wait after the previous command to be over,
// so that each timed launch meets an idle lesson.
const DWORD kSettleMs = 150;

// The goals, each against its floor measured in the same run.
const double kLaterLaunchGoal = 1.15; // × a start that loads user32 and advapi32
const double kCommandGoalMs = 15;     // beyond a start that loads user32 and advapi32
const double kIdleGoal = 1.2;         // × the watch's floor

struct Options {
    int rounds = 30;
    int answers = 30;
    int idleSeconds = 30;
    int lessons = 5;
    int longAnswers = 500;
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
                testkit::DeleteValue(testkit::kLauncherKey, "LogFile");
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

// The time every thread of a Linux process has run, kernel and user, in nanoseconds: the first
// field of each thread's schedstat. Wine's own figures come in 10 ms ticks (its GetProcessTimes
// answers for another process with the caller's times), too coarse for a fraction of a percent.
double RunMs(const std::string& pid)
{
    const std::string tasks = "\\proc\\" + pid + "\\task";
    unsigned long long ns = 0;
    for (const std::string& tid : LinuxIds(tasks))
        ns += strtoull(ReadLinuxFile(tasks + "\\" + tid + "\\schedstat").c_str(), NULL, 10);
    return static_cast<double>(ns) / 1e6;
}

struct IdleFigures {
    double wallMs, lessonCpuMs, floorCpuMs;
};

// noop_watch.exe beside the running lesson, once it waits in its message loop with its timer set.
Child StartWatchFloor()
{
    Child floor = testkit::LaunchRaw("\"" + testkit::BinPath("noop_watch.exe") + "\"");
    CHandleOwner process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, floor.Pid()));
    Check(process.Get() != NULL && WaitForInputIdle(process.Get(), 10000) == 0 && floor.Running(),
          "noop_watch.exe did not start watching the show");
    return floor;
}

// The lesson, which only watches its show, and the watch's floor over the same seconds.
IdleFigures TimeIdle(const TimedLesson& lesson, const Child& floor, const LessonFiles& files,
                     int seconds)
{
    const std::string lessonPid = LinuxPid(testkit::BinPath("tarnskov.exe"), files.show);
    const std::string floorPid = LinuxPid(testkit::BinPath("noop_watch.exe"), "");
    // What the floor's start-up left to do is over by then.
    Sleep(1000);
    const double lesson0 = RunMs(lessonPid), floor0 = RunMs(floorPid);
    // Start-up alone costs CPU: none at all means the figures are not the process's.
    Check(lesson0 > 0 && floor0 > 0, "no run time is reported for the lesson or its floor");
    const double wall0 = NowMs();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double wall = NowMs() - wall0;
    const double lessonCpu = RunMs(lessonPid) - lesson0, floorCpu = RunMs(floorPid) - floor0;
    Check(lesson.Running() && floor.Running() && FindWindowA(kShowWindowClass, NULL) != NULL,
          "the lesson or its floor did not stay up while idle");
    return {wall, lessonCpu, floorCpu};
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

struct StartUpFigures {
    Stats program, viewer, designedWait, total;
};

// Whole lessons, each started and finished, for the start-up's parts.
StartUpFigures TimeStartUps(const LessonFiles& files, int lessons)
{
    fprintf(stderr, "start-up: %d lessons\n", lessons);
    std::vector<double> programMs, viewerMs, waitMs, totalMs;
    for (int i = 0; i < lessons; ++i) {
        TimedLesson lesson(files);
        const StartTimes t = lesson.Start();
        programMs.push_back(t.program);
        viewerMs.push_back(t.viewer);
        waitMs.push_back(t.designedWait);
        totalMs.push_back(t.total);
        lesson.Finish(i + 1);
    }
    return {Summary(programMs), Summary(viewerMs), Summary(waitMs), Summary(totalMs)};
}

struct RunningFigures {
    HandOverFigures hand;
    CommandFigures answer, answerLogged;
    double longLessonMsPerAnswer;
    IdleFigures idle;
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

// One lesson for the hand-overs, the commands, the idle time beside the watch's floor, and the
// memory.
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
    fprintf(stderr, "idle: %d s, beside the watch's floor\n", o.idleSeconds);
    Child floor = StartWatchFloor();
    f.idle = TimeIdle(lesson, floor, files, o.idleSeconds);
    PROCESS_MEMORY_COUNTERS memory = {}, own = {};
    Check(GetProcessMemoryInfo(process.Get(), &memory, sizeof(memory)) != 0 &&
              memory.PeakWorkingSetSize > 0 &&
              GetProcessMemoryInfo(GetCurrentProcess(), &own, sizeof(own)) != 0,
          "GetProcessMemoryInfo failed");
    f.peakWorkingSet = memory.PeakWorkingSetSize;
    f.ownPeakWorkingSet = own.PeakWorkingSetSize;
    lesson.Finish(100);
    // It ends by itself once the show's window is gone: it watched the right window.
    Check(floor.Wait(5000) == 0, "noop_watch.exe did not end with the show");
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
    testkit::DeleteValue(testkit::kLauncherKey, "LogFile");
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

// The idle lesson judged against the watch's floor, both over the same seconds.
void PrintIdleRows(const IdleFigures& idle)
{
    const double ticks = idle.wallMs / static_cast<double>(kWatchPeriodMs);
    auto cpu = [&](double ms) {
        return Fixed(ms, 0) + " ms in " + Fixed(idle.wallMs / 1000) + " s, " +
               Fixed(1000 * ms / ticks, 0) + " µs per 50 ms tick";
    };
    auto percent = [&](double ms) { return Fixed(100 * ms / idle.wallMs, 3) + " % of one core"; };
    const double ratio = idle.lessonCpuMs / idle.floorCpuMs;
    Row("Floor: the watch alone (`noop_watch.exe`: a hidden window whose 50 ms timer asks "
        "`IsWindow` of the show's window): " +
            cpu(idle.floorCpuMs),
        percent(idle.floorCpuMs));
    Row("CPU of an idle lesson, the same seconds: " + cpu(idle.lessonCpuMs),
        percent(idle.lessonCpuMs));
    Row("Idle lesson ÷ the floor", Fixed(ratio, 2), "", "≤ " + Fixed(kIdleGoal, 2),
        Verdict(ratio <= kIdleGoal));
}

void PrintFigures(const Options& o, const StartUpFigures& start, const RunningFigures& f)
{
    auto mib = [](SIZE_T bytes) { return Fixed(static_cast<double>(bytes) / 1048576, 1) + " MiB"; };
    printf("| What | Median | Range | Goal | Verdict |\n| --- | ---: | ---: | --- | --- |\n");
    PrintHandOverRows(f.hand);
    PrintCommandRows(f.answer, f.answerLogged);
    PrintIdleRows(f.idle);
    Row("Start-up: program (CreateProcess → frame window)", start.program);
    Row("Start-up: program beyond a start that loads user32 and advapi32",
        Fixed(start.program.median - f.hand.noopUser32.median) + " ms");
    Row("Start-up: viewer activation and open (frame → show window)", start.viewer);
    Row("Start-up: open call's return and designed 200 ms wait (show window → watch running)",
        start.designedWait);
    Row("Start-up: total (CreateProcess → watch running)", start.total);
    Row("A long lesson: " + std::to_string(o.longAnswers) +
            " answers launched five at a time, each recorded exactly once",
        Fixed(f.longLessonMsPerAnswer) + " ms per answer");
    Row("Peak working set of the lesson, just before its finish", mib(f.peakWorkingSet));
    Row("Peak working set of bench_driver.exe itself, for scale", mib(f.ownPeakWorkingSet));
    printf("\nSamples: %d rounds of the five process starts, %d answers with the log off and as "
           "many on (each beside a start of `noop_user32.exe`), %d s idle beside "
           "`noop_watch.exe`, %d start-ups (medians, with the range of the samples).\n",
           o.rounds, o.answers, o.idleSeconds, o.lessons);
}

void Run(const Options& o)
{
    Check(testkit::ViewerRegistered(), "the viewer is not registered (quelmar.exe /RegServer)");
    testkit::SetMacroProtection(1);
    testkit::DeleteValue(testkit::kLauncherKey, "LogFile");
    const LessonFiles files;
    const StartUpFigures start = TimeStartUps(files, o.lessons);
    const RunningFigures running = TimeRunningLessons(files, o);
    PrintFigures(o, start, running);
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
