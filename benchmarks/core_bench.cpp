// Speed of the readers that run on every keystroke in the data path box (and, for the login
// queue, on every tick of the auto-refresh), over outside files of any size.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/datafiles/login_queue.h"
#include "app/discovery/installation.h"
#include "app/discovery/sage_ini.h"
#include "app/discovery/setup_dta.h"
#include "tests/fixtures/data_files.h"
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

// A queue of as many records as users (up to 100,000): every row is new, the merge's worst case.
// Four times the records should cost four times as long.
void BM_ReadLoginQueue(benchmark::State& state) {
  std::vector<lw::fixtures::QueueRecord> records;
  for (int i = 0; i < state.range(0); ++i)
    records.push_back({"USER" + std::to_string(i), "PC" + std::to_string(i % 50), 7});
  const std::vector<uint8_t> bytes = lw::fixtures::BuildQueueDta(18, records);
  lw::BufferByteSource queue(bytes);
  for (auto _ : state) benchmark::DoNotOptimize(lw::ReadLoginQueue(queue, bytes.size(), 18));
}
BENCHMARK(BM_ReadLoginQueue)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

// An Application.config listing up to 10,000 updates, each under its own name.
void BM_ApplicationConfig(benchmark::State& state) {
  lw::fixtures::ApplicationConfigContents recipe;
  for (int i = 0; i < state.range(0); ++i) recipe.updates.push_back({"Update " + std::to_string(i), "2012-01-10"});
  const std::string text = lw::fixtures::BuildApplicationConfig(recipe);
  for (auto _ : state) {
    lw::Installation install;
    lw::ApplyApplicationConfig(text, install);
    benchmark::DoNotOptimize(install.InstalledUpdates.data());
  }
}
BENCHMARK(BM_ApplicationConfig)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
