// Core load, save and export against plain I/O of the same bytes, measured in the same run.
#include "figures.h"
#include "generator.h"

#include "gxtdocument.h"
#include "safefile.h"
#include "textexport.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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

void BM_PlainRead(benchmark::State& state)
{
    const std::string& path = fileFor(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(plainRead(path));
}

void BM_Load(benchmark::State& state)
{
    const std::string& path = fileFor(static_cast<size_t>(state.range(0)));
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

// Keeps the median of every benchmark, so the figures can be worked out at the end.
class MedianCollector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;  // name -> milliseconds
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                medians[run.run_name.str()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    char tmpl[] = "/tmp/zarnik-bench-XXXXXX";
    g_dir = ::mkdtemp(tmpl);

    const size_t sizes[] = {10000, 100000, 1000000};
    for (size_t n : sizes) {
        const int reps = n >= 1000000 ? 3 : 5;
        const auto arg = static_cast<int64_t>(n);
        using Fn = void (*)(benchmark::State&);
        const std::pair<const char*, Fn> runs[] = {
            {"plain_read", BM_PlainRead}, {"load", BM_Load}, {"plain_write", BM_PlainWrite}, {"save", BM_Save}};
        for (auto [name, fn] : runs) {
            auto* b = benchmark::RegisterBenchmark(name, fn)->Arg(arg)->Repetitions(reps)
                          ->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
            if (n >= 100000)
                b->Iterations(n >= 1000000 ? 1 : 3);
        }
    }
    using Fn = void (*)(benchmark::State&);
    const std::pair<const char*, Fn> exportRuns[] = {{"plain_write_export", BM_PlainWriteExportSize},
                                                     {"export", BM_Export}};
    for (auto [name, fn] : exportRuns)
        benchmark::RegisterBenchmark(name, fn)->Arg(100000)->Repetitions(5)->Iterations(3)
            ->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();

    benchmark::Initialize(&argc, argv);
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bench::Figures figures;
    auto median = [&](const std::string& name, size_t n) {
        const std::string prefix = name + "/" + std::to_string(n);
        for (const auto& [key, value] : reporter.medians)
            if (key == prefix || key.rfind(prefix + "/", 0) == 0)
                return value;
        return -1.0;
    };
    std::printf("\n");
    // A figure whose benchmarks were filtered out is not printed.
    auto ratio = [&](const char* what, const char* name, const char* base, size_t n) {
        const double a = median(name, n), b = median(base, n);
        if (a > 0 && b > 0)
            figures.atMost(what, a / b, 3, "x");
    };
    for (size_t n : sizes) {
        const std::string label = std::to_string(n) + " entries";
        ratio(("1. load / plain read, " + label).c_str(), "load", "plain_read", n);
        ratio(("1. save / plain write, " + label).c_str(), "save", "plain_write", n);
    }
    ratio("6. export / plain write, 100000 entries", "export", "plain_write_export", 100000);
    ratio("6. save / plain write, 100000 entries", "save", "plain_write", 100000);
    fs::remove_all(g_dir);
    return figures.missed() ? 1 : 0;
}
