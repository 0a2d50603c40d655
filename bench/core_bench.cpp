// SPDX-License-Identifier: GPL-3.0-or-later
// Core load, save and export against plain I/O of the same bytes, measured in the same run.
#include "figures.h"
#include "generator.h"

#include "format/gxtdocument.h"
#include "files/safefile.h"
#include "format/textexport.h"
#include "translation/translation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zarnik;

namespace {

std::string g_dir;
std::map<size_t, std::string> g_files;  // entries -> path

std::string plainRead(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat st {};
    ::fstat(fd, &st);
    std::string data(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    return data;
}

void plainWrite(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    size_t put = 0;
    while (put < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + put, bytes.size() - put);
        if (n <= 0)
            break;
        put += static_cast<size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
}

const std::string& fileFor(size_t entries)
{
    auto it = g_files.find(entries);
    if (it == g_files.end()) {
        const std::string path = g_dir + "/bench-" + std::to_string(entries) + ".gxt";
        plainWrite(path, bench::GenerateGxt(entries));
        it = g_files.emplace(entries, path).first;
    }
    return it->second;
}

// Where a read's memory comes from decides much of its cost: fresh pages from the
// system are faulted in one by one (and on a virtual machine each fault costs as much as
// copying a few pages), memory a program freed before is not. The C library picks one or
// the other by its own history of sizes, so a load and the plain read beside it could
// each get either. Both are measured in both ways, chosen here for the whole process:
// reused memory (none of it handed back to the system), which leaves the work itself,
// and fresh memory for every large block, as when a file is opened.
enum Memory { kReused = 0, kFresh = 1 };

void useMemory(int64_t memory)
{
    if (memory == kReused) {
        ::mallopt(M_MMAP_MAX, 0);
        ::mallopt(M_TRIM_THRESHOLD, INT_MAX);
    } else {
        ::mallopt(M_MMAP_MAX, 65536);
        ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
        ::malloc_trim(0);
    }
}

void BM_PlainRead(benchmark::State& state)
{
    const std::string& path = fileFor(static_cast<size_t>(state.range(0)));
    useMemory(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(plainRead(path));
}

void BM_Load(benchmark::State& state)
{
    const std::string& path = fileFor(static_cast<size_t>(state.range(0)));
    useMemory(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadGxtFile(path));
}

void BM_PlainWrite(benchmark::State& state)
{
    const std::string bytes = plainRead(fileFor(static_cast<size_t>(state.range(0))));
    const std::string out = g_dir + "/plain.out";
    for (auto _ : state) {
        ::unlink(out.c_str());
        plainWrite(out, bytes);
    }
}

void BM_Save(benchmark::State& state)
{
    GxtDocument doc = LoadGxtFile(fileFor(static_cast<size_t>(state.range(0))));
    const std::string out = g_dir + "/saved.gxt";
    for (auto _ : state)
        SaveGxtFile(doc, out);
}

void BM_PlainWriteExportSize(benchmark::State& state)
{
    const GxtDocument doc = LoadGxtFile(fileFor(static_cast<size_t>(state.range(0))));
    const std::string bytes = BuildTextExport(doc);
    const std::string out = g_dir + "/plain.txt";
    for (auto _ : state) {
        ::unlink(out.c_str());
        plainWrite(out, bytes);
    }
}

void BM_Export(benchmark::State& state)
{
    const GxtDocument doc = LoadGxtFile(fileFor(static_cast<size_t>(state.range(0))));
    const std::string out = g_dir + "/export.gxt";
    for (auto _ : state)
        ExportTextFile(doc, out);
}

// A translator's round trip is weighed against what resave does with the same file: a
// load plus a save.
void BM_LoadSave(benchmark::State& state)
{
    const std::string& path = fileFor(static_cast<size_t>(state.range(0)));
    const std::string out = g_dir + "/resaved.gxt";
    for (auto _ : state) {
        GxtDocument doc = LoadGxtFile(path);
        SaveGxtFile(doc, out);
    }
}

std::string translationFile(size_t entries, TranslationFormat format)
{
    return g_dir + "/bench-" + std::to_string(entries) + (format == TranslationFormat::Tsv ? ".tsv" : ".po");
}

// extract: load, then the whole PO or TSV written; range(1) is the format.
void BM_Extract(benchmark::State& state)
{
    const auto entries = static_cast<size_t>(state.range(0));
    const auto format = static_cast<TranslationFormat>(state.range(1));
    for (auto _ : state) {
        const GxtDocument doc = LoadGxtFile(fileFor(entries));
        ExportTranslation(doc, kModeBuka, nullptr, kModeBuka, translationFile(entries, format), format);
    }
}

// apply: load, read the translation, apply every text and save.
void BM_Apply(benchmark::State& state)
{
    const auto entries = static_cast<size_t>(state.range(0));
    const auto format = static_cast<TranslationFormat>(state.range(1));
    {
        const GxtDocument doc = LoadGxtFile(fileFor(entries));
        ExportTranslation(doc, kModeBuka, &doc, kModeBuka, translationFile(entries, format), format);
    }
    const std::string out = g_dir + "/applied.gxt";
    for (auto _ : state) {
        GxtDocument doc = LoadGxtFile(fileFor(entries));
        ApplyResult r = ApplyTranslation(doc, ReadTranslationFile(translationFile(entries, format)), kModeBuka, false);
        for (TextChange& change : r.changes)
            doc.setText(change.index, std::move(change.text));
        SaveGxtFile(doc, out);
    }
}

// Keeps the median and the minimum of every benchmark, so the figures can be worked out
// at the end.
class StatisticsCollector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians, minimums;  // name -> milliseconds
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median")
                medians[run.run_name.str()] = run.GetAdjustedRealTime();
            else if (run.aggregate_name == "min")
                minimums[run.run_name.str()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double smallest(const std::vector<double>& v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

}  // namespace

int main(int argc, char** argv)
{
    char tmpl[] = "/tmp/zarnik-bench-XXXXXX";
    g_dir = ::mkdtemp(tmpl);

    using Fn = void (*)(benchmark::State&);
    const size_t sizes[] = {10000, 100000, 1000000};
    for (size_t n : sizes) {
        const auto arg = static_cast<int64_t>(n);
        // A load and the plain read it is weighed against run alike: the same file, read
        // from the page cache, the same number of iterations and repetitions, and the
        // fastest repetition of each is compared, so that a moment of contention on a
        // shared machine weighs on neither.
        const int64_t iterations = n >= 1000000 ? 1 : n >= 100000 ? 5 : 50;
        for (int64_t memory : {kReused, kFresh})
            for (auto [name, fn] : {std::pair<const char*, Fn>{"plain_read", BM_PlainRead}, {"load", BM_Load}})
                benchmark::RegisterBenchmark(name, fn)->Args({arg, memory})->Repetitions(7)
                    ->Iterations(iterations)->ComputeStatistics("min", smallest)->ReportAggregatesOnly(true)
                    ->Unit(benchmark::kMillisecond)->UseRealTime();
        const int reps = n >= 1000000 ? 3 : 5;
        for (auto [name, fn] : {std::pair<const char*, Fn>{"plain_write", BM_PlainWrite}, {"save", BM_Save}}) {
            auto* b = benchmark::RegisterBenchmark(name, fn)->Arg(arg)->Repetitions(reps)
                          ->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
            if (n >= 100000)
                b->Iterations(n >= 1000000 ? 1 : 3);
        }
    }
    for (auto [name, fn] : {std::pair<const char*, Fn>{"plain_write_export", BM_PlainWriteExportSize},
                            {"export", BM_Export}})
        benchmark::RegisterBenchmark(name, fn)->Arg(100000)->Repetitions(5)->Iterations(3)
            ->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();

    for (size_t n : {size_t(100000), size_t(1000000)}) {
        const auto arg = static_cast<int64_t>(n);
        const int64_t iterations = n >= 1000000 ? 1 : 2;
        benchmark::RegisterBenchmark("load_save", BM_LoadSave)->Arg(arg)->Repetitions(3)->Iterations(iterations)
            ->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
        for (auto [name, fn] : {std::pair<const char*, Fn>{"extract", BM_Extract}, {"apply", BM_Apply}})
            for (auto format : {TranslationFormat::Po, TranslationFormat::Tsv})
                benchmark::RegisterBenchmark(name, fn)->Args({arg, static_cast<int64_t>(format)})->Repetitions(3)
                    ->Iterations(iterations)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
    }

    benchmark::Initialize(&argc, argv);
    StatisticsCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto find = [](const std::map<std::string, double>& in, const std::string& name, const std::string& args) {
        const std::string prefix = name + "/" + args;
        for (const auto& [key, value] : in)
            if (key == prefix || key.rfind(prefix + "/", 0) == 0)
                return value;
        return -1.0;
    };
    auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : -1.0; };
    std::vector<double> reads[2], loads[2], saves;
    for (size_t n : sizes) {
        for (int m : {kReused, kFresh}) {
            const std::string size = std::to_string(n) + "/" + std::to_string(m);
            reads[m].push_back(find(reporter.minimums, "plain_read", size));
            loads[m].push_back(ratio(find(reporter.minimums, "load", size), reads[m].back()));
        }
        saves.push_back(ratio(find(reporter.medians, "save", std::to_string(n)),
                              find(reporter.medians, "plain_write", std::to_string(n))));
    }
    std::printf("\n");
    bench::Figures figures;
    figures.note("plain read of the file into reused memory (fastest of 7), 10k · 100k · 1M entries", reads[kReused],
                 " ms");
    figures.atMost("load / plain read, reused memory (fastest of 7 each), 10k · 100k · 1M entries", loads[kReused],
                   3, "×");
    figures.note("plain read of the file into fresh memory (fastest of 7), 10k · 100k · 1M entries", reads[kFresh],
                 " ms");
    figures.atMost("load / plain read, fresh memory (fastest of 7 each), 10k · 100k · 1M entries", loads[kFresh], 3,
                   "×");
    figures.atMost("save / plain write with flush (medians), 10k · 100k · 1M entries", saves, 3, "×");
    figures.atMost("export / plain write (medians), 100k entries",
                   {ratio(find(reporter.medians, "export", "100000"),
                          find(reporter.medians, "plain_write_export", "100000"))},
                   3, "×");
    for (auto [name, what] : {std::pair<const char*, const char*>{"extract", "extract"}, {"apply", "apply"}})
        for (auto [format, label] : {std::pair<TranslationFormat, const char*>{TranslationFormat::Po, "PO"},
                                     {TranslationFormat::Tsv, "TSV"}}) {
            std::vector<double> ratios;
            for (const char* n : {"100000", "1000000"})
                ratios.push_back(ratio(find(reporter.medians, name, std::string(n) + "/" +
                                                                  std::to_string(static_cast<int>(format))),
                                       find(reporter.medians, "load_save", n)));
            figures.atMost(std::string(what) + " " + label + " / load + save (medians), 100k · 1M entries", ratios, 5,
                           "×");
        }
    fs::remove_all(g_dir);
    return figures.missed() ? 1 : 0;
}
