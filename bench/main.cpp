// The benchmark program: runs every benchmark as medians of repeated runs and ends with the figures against their targets.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// Keeps the median of every benchmark (or its only run when it is not
// repeated) while the console shows them all.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    struct Figure {
        double realNs = 0;
        std::map<std::string, double> counters;
        bool median = false;
    };
    std::map<std::string, Figure> figures;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.error_occurred)
                continue;
            bool isMedian = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !isMedian)
                continue;
            std::string name = r.run_name.function_name;
            if (!r.run_name.args.empty())
                name += "/" + r.run_name.args;
            Figure &f = figures[name];
            if (f.median && !isMedian)
                continue;
            f.median = isMedian;
            f.realNs = r.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
            f.counters.clear();
            for (const auto &c : r.counters)
                f.counters[c.first] = c.second.value;
        }
    }

    const Figure *Find(const std::string &name) const
    {
        auto it = figures.find(name);
        return it == figures.end() ? nullptr : &it->second;
    }
    double Counter(const std::string &name, const std::string &counter) const
    {
        const Figure *f = Find(name);
        if (!f)
            return NAN;
        auto it = f->counters.find(counter);
        return it == f->counters.end() ? NAN : it->second;
    }
    double TimeMs(const std::string &name) const
    {
        const Figure *f = Find(name);
        return f ? f->realNs / 1e6 : NAN;
    }
};

// One line per figure: the name, the value and unit, and the target when it
// has one, in columns that a later run's lines can be set beside.
void Line(const char *name, double value, const char *unit, const char *cmp = nullptr, double target = 0)
{
    if (std::isnan(value)) {
        printf("%-44s %14s\n", name, "(not run)");
        return;
    }
    if (!cmp) {
        printf("%-44s %14.3f %-10s\n", name, value, unit);
        return;
    }
    bool met = strcmp(cmp, "<=") == 0 ? value <= target : value >= target;
    printf("%-44s %14.3f %-10s target %s %-10g %s\n", name, value, unit, cmp, target, met ? "met" : "NOT MET");
}

void PrintSummary(const SummaryReporter &rep)
{
    printf("\nFigures (medians; %u hardware threads, one used)\n", std::thread::hardware_concurrency());
    double t1 = rep.TimeMs("BM_LoadCharDir/1000"), t2 = rep.TimeMs("BM_LoadCharDir/2000");
    double t4 = rep.TimeMs("BM_LoadCharDir/4000");
    Line("load.dir.4000_images", t4, "ms", "<=", 40);
    Line("load.zip.4000_images", rep.TimeMs("BM_LoadCharZip"), "ms");
    Line("load.dir.per_image.1000", t1 * 1000 / 1000, "us");
    Line("load.dir.per_image.2000", t2 * 1000 / 2000, "us");
    Line("load.dir.per_image.4000", t4 * 1000 / 4000, "us");
    Line("load.dir.ratio_4000_to_1000", t4 / t1, "x", "<=", 4.5);
    Line("load.sprites_only.per_image.1000", rep.Counter("BM_LoadSprites/1000", "us_per_image"), "us");
    Line("load.sprites_only.per_image.4000", rep.Counter("BM_LoadSprites/4000", "us_per_image"), "us");
    Line("match.no_drawing", rep.Counter("BM_MatchNoDrawing", "ticks_per_s"), "ticks/s", ">=", 300000);
    Line("match.drawing_every_frame", rep.Counter("BM_MatchDrawingEveryFrame", "ticks_per_s"), "frames/s", ">=",
         35000);
    Line("match.speed_test_mode", rep.Counter("BM_MatchSpeedTest", "ticks_per_s"), "ticks/s");
    // Heap allocations over all the measured frames, after 480 frames that
    // meet every state and action of the key script.
    Line("match.allocations.no_drawing", rep.Counter("BM_MatchNoDrawing", "allocs"), "", "<=", 0);
    Line("match.allocations.drawing", rep.Counter("BM_MatchDrawingEveryFrame", "allocs"), "", "<=", 0);
    Line("script.trigger_eval", rep.Counter("BM_TriggerEval", "ns_per_trigger"), "ns");
    Line("script.controller_check.4_lines", rep.Counter("BM_ControllerCheck4Lines", "ns_per_check"), "ns", "<=",
         60);
    Line("script.controller_check.state_-1_mix", rep.Counter("BM_ControllerCheckStateMinus1", "ns_per_check"),
         "ns");
    double plain = rep.Counter("BM_BlitPlain", "items_per_second");
    double shadow = rep.Counter("BM_ShadowScaleAdd2x", "items_per_second");
    Line("blit.plain", plain / 1e9, "Gpx/s");
    Line("blit.shadow_scale_add_2x", shadow / 1e9, "Gpx/s");
    Line("blit.shadow_to_plain", shadow / plain, "x", ">=", 0.5);
}

} // namespace

int main(int argc, char **argv)
{
    // Medians of five runs unless the command line says otherwise.
    std::vector<char *> args(argv, argv + argc);
    bool repetitions = false;
    for (int i = 1; i < argc; i++)
        if (strncmp(argv[i], "--benchmark_repetitions", 23) == 0)
            repetitions = true;
    static char reps[] = "--benchmark_repetitions=5";
    static char aggregates[] = "--benchmark_display_aggregates_only=true";
    if (!repetitions) {
        args.push_back(reps);
        args.push_back(aggregates);
    }
    int n = (int)args.size();
    args.push_back(nullptr);
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data()))
        return 1;
    SummaryReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    PrintSummary(rep);
    benchmark::Shutdown();
    return 0;
}
