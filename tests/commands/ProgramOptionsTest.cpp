// The window program's command line: a chart to open, --help, --version,
// --simulate, and what is refused.
#include <gtest/gtest.h>

#include <cstdlib>

#include "commands/ProgramOptions.h"

namespace padscope {
namespace {

TEST(ProgramOptions, ChartSimulationHelpAndVersion) {
  unsetenv("PADSCOPE_SIMULATE");
  ProgramOptions o = ParseProgramOptions({"--simulate=corvex", "/charts/a.tkchart"});
  EXPECT_TRUE(o.error.empty()) << o.error;
  EXPECT_EQ(o.chart, "/charts/a.tkchart");
  ASSERT_TRUE(o.simulate);
  EXPECT_EQ(o.simulate->model, SimModel::Corvex);
  EXPECT_FALSE(o.offsetValues) << "values are signed counts unless the user says otherwise";
  EXPECT_TRUE(ParseProgramOptions({"--offset-values"}).offsetValues);

  // After "--" a name that starts with a dash is a chart.
  o = ParseProgramOptions({"--", "-odd.tkchart"});
  EXPECT_TRUE(o.error.empty()) << o.error;
  EXPECT_EQ(o.chart, "-odd.tkchart");
  EXPECT_FALSE(o.simulate) << "no --simulate and no PADSCOPE_SIMULATE: real hardware";

  setenv("PADSCOPE_SIMULATE", "pelmira", 1);
  EXPECT_TRUE(ParseProgramOptions({}).simulate);
  unsetenv("PADSCOPE_SIMULATE");

  EXPECT_TRUE(AsksForHelpOrVersion({"--version"}));
  EXPECT_TRUE(AsksForHelpOrVersion({"a.tkchart", "--help"}));
  EXPECT_FALSE(AsksForHelpOrVersion({"a.tkchart"}));
  EXPECT_FALSE(AsksForHelpOrVersion({"--version", "--bogus"})) << "a usage error wins";
}

TEST(ProgramOptions, UsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--simulate=acme"}, {"a.tkchart", "b.tkchart"}}) {
    EXPECT_FALSE(ParseProgramOptions(args).error.empty()) << args[0];
  }
}

}  // namespace
}  // namespace padscope
