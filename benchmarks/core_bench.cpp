// Speed of the readers that run on every keystroke in the data path box.
#include <benchmark/benchmark.h>

#include "app/discovery/sage_ini.h"
#include "app/discovery/setup_dta.h"
#include "tests/fixtures/sage_data.h"

namespace {

void BM_SetupDtaFacts(benchmark::State& state) {
  lw::BufferByteSource setup(lw::fixtures::BuildSetupDta({}));
  for (auto _ : state) {
    benchmark::DoNotOptimize(lw::ReadSetupCompanyName(setup));
    benchmark::DoNotOptimize(lw::ReadSetupDataVersion(setup));
  }
}
BENCHMARK(BM_SetupDtaFacts);

void BM_LastDataPathFromSageIni(benchmark::State& state) {
  lw::fixtures::SageIni ini;
  ini.lastDataPath = "\\\\server\\sage\\company.000";
  for (int i = 0; i < 200; ++i) ini.switches.push_back("Setting" + std::to_string(i) + "=1");
  std::string text = lw::fixtures::BuildSageIni(ini);
  for (auto _ : state) benchmark::DoNotOptimize(lw::LastDataPathFromSageIni(text));
}
BENCHMARK(BM_LastDataPathFromSageIni);

}  // namespace
