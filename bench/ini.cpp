// The INI store on a document of parameter-file size (66 sections: GENERAL
// INFO with 2 strings, PARAMETER with 26 integers, TEACH VECTOR 0..63 with 8
// integers each), next to the bare file operations on the same bytes, so the
// store's own share of the time shows as a ratio.
#include "data/ini.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kParaTags[26] = {"POWER",
                                   "POWER MODE",
                                   "AVERAGE",
                                   "EVALUATION MODE",
                                   "HOLD FAIL",
                                   "INTLIM",
                                   "MAX VEC NO",
                                   "DIGITAL OUTMODE",
                                   "TRIGGER",
                                   "EXTERN TEACH",
                                   "CALCULATION MODE",
                                   "DYNWIN LO",
                                   "DYNWIN HI",
                                   "COLOR GROUP",
                                   "LED MODE",
                                   "GAIN",
                                   "INTEGRAL",
                                   "POWER PARA POWER1",
                                   "POWER PARA GAIN1",
                                   "POWER PARA INTEGRAL1",
                                   "POWER PARA POWER2",
                                   "POWER PARA GAIN2",
                                   "POWER PARA INTEGRAL2",
                                   "CORRECTION VALUE X",
                                   "CORRECTION VALUE Y",
                                   "CORRECTION VALUE Z"};
const char* const kTeachTags[8] = {"CELL 0", "CELL 1", "CELL 2", "CELL 3",
                                   "CELL 4", "CELL 5", "GROUP ", "HOLD "};

struct Keys {
    std::vector<std::string> sections;  // TEACH VECTOR 0..63
    Keys() {
        for (int n = 0; n < 64; ++n) sections.push_back("TEACH VECTOR " + std::to_string(n));
    }
};
const Keys& TheKeys() {
    static const Keys keys;
    return keys;
}

void FillParameterDocument(lq::IniDocument* doc) {
    lq::Ini_PutString(doc, "GENERAL INFO", "FILE TYPE:", "Parameter File");
    lq::Ini_PutString(doc, "GENERAL INFO", "KELVO VERSION:", "LUMIQUAD TALVERN Kelvo V1.2");
    for (int i = 0; i < 26; ++i) lq::Ini_PutInt(doc, "PARAMETER", kParaTags[i], 500 + i);
    for (int n = 0; n < 64; ++n) {
        for (int j = 0; j < 8; ++j)
            lq::Ini_PutInt(doc, TheKeys().sections[n], kTeachTags[j], n * 8 + j);
    }
}

struct Scratch {
    std::string dir;
    std::string target;
    Scratch() {
        char tmpl[] = "/tmp/lq_bench_ini_XXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        dir = tmpl;
        target = dir + "/Parameter.ini";
        lq::IniHandle doc = lq::Ini_NewHandle();
        FillParameterDocument(doc.get());
        if (lq::Ini_WriteToFile(doc.get(), target) != 0) std::abort();
    }
    ~Scratch() {
        ::unlink(target.c_str());
        ::unlink((dir + "/raw.tmp").c_str());
        ::rmdir(dir.c_str());
    }
};
Scratch& TheScratch() {
    static Scratch s;
    return s;
}

void BM_IniBuild(benchmark::State& state) {
    for (auto _ : state) {
        lq::IniHandle doc = lq::Ini_NewHandle();
        FillParameterDocument(doc.get());
        benchmark::DoNotOptimize(doc.get());
    }
}
BENCHMARK(BM_IniBuild);

void BM_IniFormat(benchmark::State& state) {
    lq::IniHandle doc = lq::Ini_NewHandle();
    FillParameterDocument(doc.get());
    for (auto _ : state) benchmark::DoNotOptimize(lq::Ini_Format(doc.get()));
}
BENCHMARK(BM_IniFormat);

// Build and write, as a SEND to a file does.
void BM_IniWrite(benchmark::State& state) {
    const std::string& target = TheScratch().target;
    for (auto _ : state) {
        lq::IniHandle doc = lq::Ini_NewHandle();
        FillParameterDocument(doc.get());
        if (lq::Ini_WriteToFile(doc.get(), target) != 0) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_IniWrite)->Unit(benchmark::kMicrosecond);

// The same bytes with the same durable replacement, without the store.
void BM_RawReplace(benchmark::State& state) {
    lq::IniHandle doc = lq::Ini_NewHandle();
    FillParameterDocument(doc.get());
    const std::string text = lq::Ini_Format(doc.get());
    const std::string& target = TheScratch().target;
    const std::string temp = TheScratch().dir + "/raw.tmp";
    for (auto _ : state) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
            ::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), target.c_str()) != 0) {
            state.SkipWithError("raw write failed");
            break;
        }
        const int dfd = ::open(TheScratch().dir.c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(dfd);
        ::close(dfd);
    }
}
BENCHMARK(BM_RawReplace)->Unit(benchmark::kMicrosecond);

// Read and every get, as a GET from a file does.
void BM_IniRead(benchmark::State& state) {
    const std::string& target = TheScratch().target;
    for (auto _ : state) {
        lq::IniHandle doc = lq::Ini_NewHandle();
        lq::Ini_ReadFromFile(doc.get(), target);
        char buf[300];
        int32_t v = 0;
        int found =
            lq::Ini_GetStringIntoBuffer(doc.get(), "GENERAL INFO", "FILE TYPE:", buf, sizeof buf);
        found += lq::Ini_GetStringIntoBuffer(doc.get(), "GENERAL INFO", "KELVO VERSION:", buf,
                                             sizeof buf);
        for (int i = 0; i < 26; ++i)
            found += lq::Ini_GetInt(doc.get(), "PARAMETER", kParaTags[i], &v);
        for (int n = 0; n < 64; ++n) {
            for (int j = 0; j < 8; ++j)
                found += lq::Ini_GetInt(doc.get(), TheKeys().sections[n], kTeachTags[j], &v);
        }
        if (found != 2 + 26 + 512) state.SkipWithError("items missing");
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_IniRead)->Unit(benchmark::kMicrosecond);

// The bare read of the same file into memory.
void BM_RawRead(benchmark::State& state) {
    const std::string& target = TheScratch().target;
    for (auto _ : state) {
        std::string bytes;
        std::FILE* f = std::fopen(target.c_str(), "rb");
        char block[2048];
        size_t n;
        while (f && (n = std::fread(block, 1, sizeof block, f)) > 0) bytes.append(block, n);
        if (f) std::fclose(f);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then the ratios of the pairs measured in this run,
// in wall-clock time and in CPU time (the replacement waits for the disk, so
// its wall-clock time depends on the machine's load).
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            const double toNs = 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
            times_[r.benchmark_name()] = {r.GetAdjustedRealTime() * toNs,
                                          r.GetAdjustedCPUTime() * toNs};
        }
    }
    void PrintRatios() const {
        auto ratio = [&](const char* a, const char* b) {
            auto ia = times_.find(a), ib = times_.find(b);
            if (ia == times_.end() || ib == times_.end()) return;
            const Times& x = ia->second;
            const Times& y = ib->second;
            if (y.real <= 0 || y.cpu <= 0) return;
            std::printf(
                "%-13s / %-13s  real %7.2f (%9.1f us / %9.1f us)  cpu %7.2f (%7.1f us / %7.1f "
                "us)\n",
                a, b, x.real / y.real, x.real / 1e3, y.real / 1e3, x.cpu / y.cpu, x.cpu / 1e3,
                y.cpu / 1e3);
        };
        std::printf("\nRatios (same run):\n");
        ratio("BM_IniWrite", "BM_RawReplace");
        ratio("BM_IniRead", "BM_RawRead");
        ratio("BM_IniBuild", "BM_IniWrite");
        ratio("BM_IniFormat", "BM_IniWrite");
        ratio("BM_IniRead", "BM_IniWrite");
    }

  private:
    struct Times {
        double real;
        double cpu;
    };
    std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
