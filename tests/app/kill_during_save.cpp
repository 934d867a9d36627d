// Kills the real corvane with SIGKILL while it replaces a file, many times, and checks
// after every kill that each file it writes is byte for byte either the complete old
// file or the complete new one.
//
// Writers: the settings file (`corvane script` with `save PATH`, the code the exit
// runs), a route file (`corvane route build FILE.csv -o FILE.hy3`) and the GTFS import
// (`corvane route import-gtfs FEED -o FOLDER`, which writes N.hy3 and Ntp.csv).
//
// Each writer gets three kinds of kill, in turn:
//   spread   at a random time between the start and the measured end of a whole run;
//   write    at a random time after the first temporary file is opened, spread over
//            the measured time until the last file is in place (at least 1 ms);
//   rename   as soon as a temporary file gets its name (for the import: the first or
//            the second, at random), plus 0 to 300 µs: just before or just after the
//            rename that puts it in place.
// QSaveFile writes into an unnamed file (O_TMPFILE) in the folder, which inotify reports
// as "#INODE"; only just before the rename does it give it a name ("FILE.XXXXXX") and
// rename that over the file. A kill between the two leaves that named file behind.
// Temporary files that a kill leaves behind are kept on purpose: they pile up during
// the run, and a final unkilled save must still succeed and give the new file.
//
// The GTFS import writes both files completely, then renames the route file, then the
// announcement list. A kill between the two renames leaves the new route file beside
// the old announcement list. That pair is accepted: each file is whole, the board loads
// each on its own (a route with an older list only speaks older texts), and running
// the import again completes it. The test counts such pairs and fails on any other
// mix (an old route file beside a new list would mean the order changed).
//
// usage: kill_during_save CORVANE WORKDIR [TRIALS] [WRITER...]
//   TRIALS per writer (default 30; the CTest runs 15); WRITER is settings, route or gtfs (default all).
//   The random generator's start is taken from CORVANE_KILL_START when set, else from
//   the clock, and printed so that a failing run can be repeated.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// One writer: the command and the files it replaces inside `folder`.
struct Writer {
    std::string name;
    std::vector<std::string> args;     // argv, with the corvane path first
    std::vector<std::string> targets;  // file names inside the folder, in commit order
    std::vector<std::string> oldBytes; // per target
    std::vector<std::string> newBytes;
};

struct Timing {
    double total = 0;  // µs from start to exit
    double create = 0; // µs from start to the first temporary file opened in the folder
    double done = 0;   // µs from start to the last target renamed into place
};

long long micros(Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
}

pid_t spawn(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Watches a folder for created and renamed-in files.
class Watch {
public:
    explicit Watch(const fs::path& folder) {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(m_fd, folder.c_str(), IN_OPEN | IN_CREATE | IN_MOVED_TO);
    }
    ~Watch() { close(m_fd); }
    // Waits up to `timeoutMs` for events. Returns the names: opened files marked with
    // '+', files renamed into the folder with '>', created ones (a name given to a file)
    // without a mark.
    std::vector<std::string> next(int timeoutMs) {
        std::vector<std::string> names;
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return names;
        alignas(inotify_event) char buffer[8192];
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + i);
            if (e->len > 0)
                names.push_back(((e->mask & IN_MOVED_TO) ? ">"
                                 : (e->mask & IN_OPEN)   ? "+"
                                                         : "") +
                                std::string(e->name));
            i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
        return names;
    }

private:
    int m_fd = -1;
};

bool isTarget(const Writer& w, const std::string& name) {
    return std::find(w.targets.begin(), w.targets.end(), name) != w.targets.end();
}

// Runs the writer to its end and measures when the folder sees its files.
bool measure(const Writer& w, const fs::path& folder, Timing& t) {
    Watch watch(folder);
    const Clock::time_point start = Clock::now();
    const pid_t pid = spawn(w.args);
    int status = 0;
    size_t renamed = 0;
    bool created = false;
    for (;;) {
        for (const std::string& name : watch.next(5)) {
            const double at = static_cast<double>(micros(Clock::now() - start));
            if (!created && name[0] == '+' && !isTarget(w, name.substr(1))) {
                created = true;
                t.create = at;
            }
            if (name[0] == '>' && isTarget(w, name.substr(1)) && ++renamed == w.targets.size())
                t.done = at;
        }
        if (waitpid(pid, &status, WNOHANG) == pid)
            break;
    }
    t.total = static_cast<double>(micros(Clock::now() - start));
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && renamed == w.targets.size();
}

void sleepUntil(Clock::time_point when) {
    while (Clock::now() < when) {
        const long long left = micros(when - Clock::now());
        if (left > 200)
            usleep(static_cast<useconds_t>(left - 150));
    }
}

struct Tally {
    int trials = 0;
    int finished = 0;                    // the program ended before the kill
    std::map<std::string, int> outcomes; // "old", "new", or per file "new+old"...
    int failures = 0;
};

enum class Kind { Spread, Write, Rename };

const char* kindName(Kind k) {
    return k == Kind::Spread ? "spread" : k == Kind::Write ? "write" : "rename";
}

// One trial: old files in place, a kill at a random point, then the check.
void trial(const Writer& w, const fs::path& folder, const Timing& t, Kind kind, std::mt19937_64& random,
           Tally& tally) {
    for (size_t i = 0; i < w.targets.size(); ++i)
        writeAll(folder / w.targets[i], w.oldBytes[i]);
    Watch watch(folder);
    const double window = std::max(t.done - t.create, 1000.0);
    double delay = 0;  // µs, from the start, the first new file or the chosen close
    size_t closes = 1; // rename: the temporary file whose naming starts the delay
    if (kind == Kind::Spread) {
        delay = std::uniform_real_distribution<double>(0, t.total)(random);
    } else if (kind == Kind::Write) {
        delay = std::uniform_real_distribution<double>(0, window * 1.5)(random);
    } else {
        delay = std::uniform_real_distribution<double>(0, 300)(random);
        closes = std::uniform_int_distribution<size_t>(1, w.targets.size())(random);
    }

    const Clock::time_point start = Clock::now();
    const pid_t pid = spawn(w.args);
    Clock::time_point from = start;
    if (kind != Kind::Spread) {
        // Wait for the first temporary file to be opened (or the chosen one to be named);
        // give up (and kill) when the program has ended.
        bool seen = false;
        size_t closed = 0; // temporary files named so far
        while (!seen) {
            for (const std::string& name : watch.next(2)) {
                if (kind == Kind::Write && name[0] == '+' && !isTarget(w, name.substr(1)))
                    seen = true;
                if (kind == Kind::Rename && name[0] != '+' && name[0] != '>' && !isTarget(w, name) &&
                    ++closed == closes)
                    seen = true;
            }
            if (!seen && micros(Clock::now() - start) > static_cast<long long>(t.total * 3 + 2000000))
                break;
        }
        from = Clock::now();
    }
    sleepUntil(from + std::chrono::microseconds(static_cast<long long>(delay)));
    const bool alive = waitpid(pid, nullptr, WNOHANG) == 0;
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ++tally.trials;
    if (!alive || !WIFSIGNALED(status))
        ++tally.finished;

    std::string outcome;
    bool whole = true;
    for (size_t i = 0; i < w.targets.size(); ++i) {
        const std::string now = readAll(folder / w.targets[i]);
        std::string state = now == w.oldBytes[i] ? "old" : now == w.newBytes[i] ? "new" : "";
        if (state.empty()) {
            whole = false;
            state = "BROKEN(" + std::to_string(now.size()) + " bytes)";
        }
        outcome += (i ? "+" : "") + state;
    }
    // The route file is renamed first: a new list beside an old route file is a fault.
    const bool badOrder = w.targets.size() == 2 && outcome == "old+new";
    ++tally.outcomes[std::string(kindName(kind)) + " kill: " + outcome];
    ++tally.outcomes[std::string("all: ") + outcome];
    if (!whole || badOrder) {
        ++tally.failures;
        std::fprintf(stderr, "FAIL %s trial %d (%s kill after %.0f us): %s\n", w.name.c_str(), tally.trials,
                     kindName(kind), delay, outcome.c_str());
    }
}

int strayFiles(const Writer& w, const fs::path& folder) {
    int n = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        if (!isTarget(w, e.path().filename().string()))
            ++n;
    return n;
}

// Runs the writer unkilled into an empty folder and returns the files it wrote.
bool produce(const Writer& w, const fs::path& folder, std::vector<std::string>& bytes) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    const pid_t pid = spawn(w.args);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    bytes.clear();
    for (const std::string& t : w.targets)
        bytes.push_back(readAll(folder / t));
    return true;
}

// ---- the inputs ----

std::string repeated(const std::string& unit, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i)
        s += unit;
    return s;
}

// A settings script: long folder and plug-in names, each just within the 32767 bytes a
// text may have in the file, make a settings file of about 100 KB.
std::string settingsScript(bool big, const fs::path& out) {
    std::string s = "fast on\n";
    const size_t n = big ? 16000 : 4;
    s += "set FareDataFolder /" + repeated("fare", n / 2) + "\n";
    s += "set TapeDataFolder /" + repeated("tape", n / 2) + "\n";
    s += "set TicketPluginPath /" + repeated("plug", n / 2) + ".4SP\n";
    s += "set InfoStopOrderShow " + std::string(big ? "1" : "0") + "\n";
    s += "save " + out.string() + "\n";
    return s;
}

// A route CSV: `stops` stops of 150 columns and long names (about 3 MB as a route file).
std::string routeCsv(int stops, size_t nameLength, int base) {
    std::string s;
    for (int r = 1; r <= stops; ++r) {
        s += "stop" + std::to_string(r) + std::string(nameLength, 'x') + "," + std::to_string(r % 50);
        for (int c = 1; c <= 150; ++c)
            s += "," + std::to_string((base + r * 7 + c) % 30000);
        s += "\n";
    }
    return s;
}

// A GTFS feed of one trip of `stops` stops with names of `nameLength` characters.
void gtfsFeed(const fs::path& feed, int stops, size_t nameLength) {
    fs::create_directories(feed);
    writeAll(feed / "routes.txt", "route_id,route_short_name,route_long_name\nR1,7,Line\n");
    writeAll(feed / "trips.txt", "trip_id,route_id,trip_headsign\nT1,R1,End\n");
    std::string stopsTxt = "stop_id,stop_name\n";
    std::string times = "trip_id,stop_id,stop_sequence\n";
    for (int i = 1; i <= stops; ++i) {
        stopsTxt += "S" + std::to_string(i) + ",Stop" + std::to_string(i) + repeated("あ", nameLength) + "\n";
        times += "T1,S" + std::to_string(i) + "," + std::to_string(i) + "\n";
    }
    writeAll(feed / "stops.txt", stopsTxt);
    writeAll(feed / "stop_times.txt", times);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kill_during_save CORVANE WORKDIR [TRIALS] [WRITER...]\n");
        return 2;
    }
    const std::string corvane = fs::absolute(argv[1]).string();
    const fs::path work = fs::absolute(argv[2]) / ("kill_during_save." + std::to_string(getpid()));
    const int trials = argc > 3 ? std::atoi(argv[3]) : 30;
    std::set<std::string> chosen;
    for (int i = 4; i < argc; ++i)
        chosen.insert(argv[i]);
    std::uint64_t start = static_cast<std::uint64_t>(Clock::now().time_since_epoch().count());
    if (const char* s = std::getenv("CORVANE_KILL_START"))
        start = std::strtoull(s, nullptr, 10);
    std::printf("random start %llu (CORVANE_KILL_START repeats it)\n",
                static_cast<unsigned long long>(start));
    std::mt19937_64 random(start);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    fs::remove_all(work);
    fs::create_directories(work / "in");
    const fs::path folder = work / "out";

    std::vector<std::pair<Writer, Writer>> writers; // (old, new) runs of each writer
    {
        Writer o{"settings", {corvane, "script", (work / "in/old.txt").string()}, {"508.in4"}, {}, {}};
        Writer n = o;
        n.args[2] = (work / "in/new.txt").string();
        writeAll(work / "in/old.txt", settingsScript(false, folder / "508.in4"));
        writeAll(work / "in/new.txt", settingsScript(true, folder / "508.in4"));
        writers.emplace_back(o, n);
    }
    {
        const std::string out = (folder / "12.hy3").string();
        Writer o{"route",
                 {corvane, "route", "build", (work / "in/old.csv").string(), "-o", out},
                 {"12.hy3"},
                 {},
                 {}};
        Writer n = o;
        n.args[3] = (work / "in/new.csv").string();
        writeAll(work / "in/old.csv", routeCsv(5, 2, 1));
        writeAll(work / "in/new.csv", routeCsv(6000, 200, 2));
        writers.emplace_back(o, n);
    }
    {
        const std::vector<std::string> base{corvane, "route",    "import-gtfs", "",   "--trip",
                                            "T1",    "--number", "7",           "-o", folder.string()};
        Writer o{"gtfs", base, {"7.hy3", "7tp.csv"}, {}, {}};
        o.args[3] = (work / "in/feed-old").string();
        Writer n = o;
        n.args[3] = (work / "in/feed-new").string();
        gtfsFeed(work / "in/feed-old", 3, 1);
        gtfsFeed(work / "in/feed-new", 300, 3000);
        writers.emplace_back(o, n);
    }

    int failures = 0;
    for (auto& [oldRun, w] : writers) {
        if (!chosen.empty() && !chosen.count(w.name))
            continue;
        if (!produce(oldRun, folder, w.oldBytes) || !produce(w, folder, w.newBytes)) {
            std::fprintf(stderr, "FAIL %s: the writer does not run to its end\n", w.name.c_str());
            ++failures;
            continue;
        }
        for (size_t i = 0; i < w.targets.size(); ++i)
            if (w.oldBytes[i] == w.newBytes[i]) {
                std::fprintf(stderr, "FAIL %s: old and new %s are the same\n", w.name.c_str(),
                             w.targets[i].c_str());
                ++failures;
            }
        // The mean of a few whole runs over the old files.
        Timing t;
        const int rounds = 3;
        for (int i = 0; i < rounds; ++i) {
            Timing one;
            for (size_t k = 0; k < w.targets.size(); ++k)
                writeAll(folder / w.targets[k], w.oldBytes[k]);
            if (!measure(w, folder, one)) {
                std::fprintf(stderr, "FAIL %s: a whole run did not replace its files\n", w.name.c_str());
                ++failures;
            }
            t.total += one.total / rounds;
            t.create += one.create / rounds;
            t.done += one.done / rounds;
        }
        fs::remove_all(folder);
        fs::create_directories(folder);

        Tally tally;
        for (int i = 0; i < trials; ++i)
            trial(w, folder, t, static_cast<Kind>(i % 3), random, tally);
        const int stray = strayFiles(w, folder);

        // The temporary files left behind must not stop the next save.
        std::vector<std::string> after;
        for (size_t k = 0; k < w.targets.size(); ++k)
            writeAll(folder / w.targets[k], w.oldBytes[k]);
        const pid_t pid = spawn(w.args);
        int status = 0;
        waitpid(pid, &status, 0);
        bool nextSaveOk = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        for (size_t k = 0; k < w.targets.size(); ++k)
            nextSaveOk = nextSaveOk && readAll(folder / w.targets[k]) == w.newBytes[k];
        if (!nextSaveOk) {
            std::fprintf(stderr, "FAIL %s: the save after the kills did not give the new files\n",
                         w.name.c_str());
            ++tally.failures;
        }

        std::printf("%s: %d trials (new size", w.name.c_str(), tally.trials);
        for (const std::string& b : w.newBytes)
            std::printf(" %zu", b.size());
        std::printf(
            " bytes; run %.0f ms, writing %.2f ms from the first temporary file to the last rename)\n",
            t.total / 1000, (t.done - t.create) / 1000);
        for (const auto& [outcome, n] : tally.outcomes)
            std::printf("  %-26s %d\n", outcome.c_str(), n);
        std::printf("  ended before the kill      %d\n", tally.finished);
        std::printf("  temporary files left       %d (the next save: %s)\n", stray,
                    nextSaveOk ? "ok" : "FAILED");
        failures += tally.failures;
        fs::remove_all(folder);
    }
    fs::remove_all(work);
    std::printf("%s\n", failures == 0 ? "PASS" : "FAIL");
    return failures == 0 ? 0 : 1;
}
