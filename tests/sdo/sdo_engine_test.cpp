#include "app/sdo/sdo_engine.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lw {
namespace {

TEST(SdoEngine, EachVersionHasItsOwnFileAndClassAndOnlyTheExactVersionTextsHaveOne) {
  EXPECT_EQ(SdoEngineFileName("12") + " " + SdoEngineFileName("13"), "sdoeng120.dll sg50sdoengine130.dll");
  // Twelve different classes: a copied row would send two versions to one engine.
  std::set<std::string> seen{""};
  for (int v = 7; v <= 18; ++v) EXPECT_TRUE(seen.insert(SdoEngineClassId(std::to_string(v))).second) << v;
  for (const char* v : {"6", "19", " 18", "018", "18.0"}) EXPECT_EQ(SdoEngineClassId(v), "") << '"' << v << '"';
  // The program's class: Instant 16 shares the full program's, Instant 13 has none.
  EXPECT_EQ(ProgramClassId("16", "IA"), "{54F6C8F4-FA10-4ad3-B682-0F7609A0BF1E}");
  EXPECT_EQ(ProgramClassId("16", "A+"), ProgramClassId("16", "IA"));
  EXPECT_EQ(ProgramClassId("13", "IA") + ProgramClassId("018", "A+"), "");
}

}  // namespace
}  // namespace lw
