#include "pack_check.h"

#include "storage/level/id_problems.h"

#include "level/counted.h"

#include <algorithm>
#include <atomic>
#include <sched.h>
#include <system_error>
#include <thread>

namespace kivo {

namespace {

// What a check says of one level file.
struct LevelFindings {
    std::vector<QString> problems;
    std::vector<QString> warnings;
};

// Older levels and a level once saved after loading an empty file hold shapes of no or one
// outline entry: they load, but have no sides, so a designer should hear of them.
std::vector<QString> ShortOutlines(const Level& level) {
    std::vector<QString> warnings;
    for (size_t s = 0; s < level.shapes.size(); ++s) {
        const int entries = OutlineLength(level.shapes[s]);
        if (entries < 2) {
            warnings.push_back(
                QStringLiteral("shape %1 has %2 outline %3, so it has no sides")
                    .arg(s + 1)
                    .arg(entries == 0 ? QStringLiteral("no") : QStringLiteral("one"))
                    .arg(entries == 0 ? QStringLiteral("entries") : QStringLiteral("entry")));
        }
    }
    return warnings;
}

LevelFindings LevelProblems(const CheckStep& step) {
    Level level;
    const FileResult read = ReadStepLevel(step, level);
    if (!read.ok) {
        return {{read.message}, {}};
    }
    return {IdProblems(level), ShortOutlines(level)};
}

// The cores this process may run on, which taskset or a container may make fewer than the
// machine has.
size_t Cores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0) {
        return size_t(CPU_COUNT(&set));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

// Runs `job(0)` ... `job(count - 1)` on every core; each index runs once.
template <typename Job> void OnAllCores(size_t count, const Job& job) {
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < count; i = next++) {
            job(i);
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (size_t i = 1; i < std::min(Cores(), count); ++i) {
            helpers.emplace_back(work);
        }
    } catch (const std::system_error&) {
        // No more threads to be had: those already running share the rest.
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

} // namespace

CheckReport CheckPaths(const std::vector<std::string>& paths) {
    const CheckWalk walk = WalkPaths(paths);
    std::vector<LevelFindings> found(walk.steps.size());
    OnAllCores(walk.steps.size(), [&](size_t i) {
        if (walk.steps[i].problem.isEmpty()) {
            found[i] = LevelProblems(walk.steps[i]);
        }
    });
    CheckReport report;
    report.packs = walk.packs;
    for (size_t i = 0; i < walk.steps.size(); ++i) {
        const CheckStep& step = walk.steps[i];
        if (!step.problem.isEmpty()) {
            report.problems.push_back({step.path, step.problem, step.warning});
            continue;
        }
        ++report.levels;
        for (const QString& problem : found[i].problems) {
            report.problems.push_back({step.path, problem});
        }
        for (const QString& warning : found[i].warnings) {
            report.problems.push_back({step.path, warning, true});
        }
    }
    return report;
}

bool HasProblems(const CheckReport& report) {
    return std::any_of(report.problems.begin(), report.problems.end(),
                       [](const Problem& p) { return !p.warning; });
}

QString CheckSummary(const CheckReport& report) {
    const long long problems = std::count_if(report.problems.begin(), report.problems.end(),
                                             [](const Problem& p) { return !p.warning; });
    return QString::fromStdString(CountedNoun(report.levels, "level", "levels") + " in " +
                                  CountedNoun(report.packs, "pack", "packs") + " checked, " +
                                  CountedNoun(problems, "problem", "problems"));
}

} // namespace kivo
