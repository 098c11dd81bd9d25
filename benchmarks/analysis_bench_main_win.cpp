// Time of one keystroke's data path analysis in the real main window, under Wine or Windows:
//   wine-run.sh lw_analysis_bench.exe [runs]
// The path box holds a version 18 data folder of a whole synthetic installation. Measured: a
// keystroke that keeps it a data folder (the trailing backslash added or taken away), entering it
// from the prefix before it and leaving it again (every panel changes), typing on outside it and
// the installation discovery alone; first without an SDO engine, then with the stand-in engine,
// so that each analysis of the data folder also logs in. Prints the median and the 99th percentile.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/discovery/install_locations_win.h"
#include "app/shell/frm_main_window_win.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(to.QuadPart - from.QuadPart) * 1000.0 / double(f.QuadPart);
}

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-28s runs %zu  median %.3f ms  p99 %.3f ms  max %.3f ms\n", what, ms.size(), ms[ms.size() / 2],
              ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.back());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace lw;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  OleInitialize(nullptr);
  int runs = argc > 1 ? std::max(10, atoi(argv[1])) : 500;

  fixtures::ClearSettings();
  fixtures::RemoveSageInstallations();
  fixtures::ScratchFolder dir;
  fixtures::SageInstallation recipe;
  recipe.programFolder = dir.Win("Sage\\Accounts");
  recipe.sageExeVersion = "18.0.10.208";  // no SDO engine until the second run
  recipe.sbdVersion = "2.1.0.7";
  recipe.reportDesignerVersion = "3.2.1.0";
  recipe.applicationConfig.updates = {{"Update 1", "2012-01-10"}, {"Update 2", "2012-03-02"}};
  fixtures::WriteSageInstallation(recipe);
  fixtures::WriteTypicalDataFiles(fixtures::WriteDataFolder(dir.Path("Wickham"), fixtures::SetupDta{}), 18);
  const std::string path = dir.Win("Wickham\\ACCDATA");

  {
    frmMain form;
    form.Load();
    // A keystroke that keeps the path a data folder (adding or taking away the trailing
    // backslash): the whole analysis runs, and only what changed is repainted.
    auto within = [&](std::vector<double>& ms) {
      for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        form.txtPath->SetText(i % 2 ? path : path + "\\");
        QueryPerformanceCounter(&b);
        ms.push_back(Milliseconds(a, b));
      }
    };
    // Into a data folder from the prefix before it and out again: every panel changes.
    auto inAndOut = [&](std::vector<double>& entering, std::vector<double>& leaving) {
      for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER a, b, c;
        QueryPerformanceCounter(&a);
        form.txtPath->SetText(path);
        QueryPerformanceCounter(&b);
        form.txtPath->SetText(path.substr(0, path.size() - 1));
        QueryPerformanceCounter(&c);
        entering.push_back(Milliseconds(a, b));
        leaving.push_back(Milliseconds(b, c));
      }
    };
    // Without an engine the log-in stops at its presence test: what is left is the program's own work.
    std::vector<double> data, entering, leaving, withEngine, enteringWithEngine, unused;
    form.txtPath->SetText(path);
    within(data);
    inAndOut(entering, leaving);
    // With the stand-in engine, which answers at once from its small data file.
    fixtures::InstallSdoStandIn(18, "18.0.10.208");
    fixtures::SdoData sdo;
    sdo.customers = {{"Ashdown Builders", "Helen"}, {"Bramley Kitchens", "Mark"}};
    fixtures::WriteSdoData(path, sdo);
    form.txtPath->SetText(path);
    within(withEngine);
    inAndOut(enteringWithEngine, unused);
    std::vector<double> discovery;
    for (int i = 0; i < runs; ++i) {
      LARGE_INTEGER a, b;
      QueryPerformanceCounter(&a);
      DiscoverInstallation(path, "18", "A+");
      QueryPerformanceCounter(&b);
      discovery.push_back(Milliseconds(a, b));
    }
    // Typing on in a folder that is not a data folder: every prefix is reset to the same state.
    std::vector<double> typing;
    for (int i = 0; i < runs; ++i) {
      LARGE_INTEGER a, b;
      QueryPerformanceCounter(&a);
      form.txtPath->SetText(path.substr(0, path.size() - 1 - i % 2));
      QueryPerformanceCounter(&b);
      typing.push_back(Milliseconds(a, b));
    }
    Report("keystroke in a data folder", data);
    Report("... with a log-in each", withEngine);
    Report("entering a data folder", entering);
    Report("... with a log-in", enteringWithEngine);
    Report("leaving a data folder", leaving);
    Report("typing outside a data folder", typing);
    Report("installation discovery", discovery);
    form.Unload();
  }
  fixtures::RemoveSageInstallations();
  fixtures::ClearSettings();
  return 0;
}
