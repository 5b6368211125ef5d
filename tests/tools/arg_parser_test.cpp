#include "kvtc/arg_parser.h"

#include <gtest/gtest.h>

#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

constexpr OptionDef kSpecs[] = {
    {"output", "FILE", "", 'o'},
    {"radius", "R", ""},
    {"gamma", "G", ""},
    {"gray", "", ""},
    {"filter", "NAME", ""},
    {"quiet", "", "", 'q'},
};

ParsedArgs Parse(std::vector<std::string> args) { return ParseArgs(args, kSpecs); }

TEST(ArgParser, ValuesFlagsAndPositionalsInEveryForm) {
  const ParsedArgs a =
      Parse({"in.y4m", "-o", "out.avi", "--radius=4", "--gray", "-q", "--", "--odd-name"});
  EXPECT_EQ(a.Get("output"), "out.avi");
  EXPECT_EQ(a.Integer("radius", 0, 16), 4);
  EXPECT_TRUE(a.Has("gray"));
  EXPECT_TRUE(a.Has("quiet"));
  EXPECT_FALSE(a.Has("filter"));
  EXPECT_EQ(a.Positionals(), (std::vector<std::string>{"in.y4m", "--odd-name"}));
  EXPECT_FALSE(a.HelpRequested());
  EXPECT_TRUE(Parse({"-"}).Positionals() == std::vector<std::string>{"-"});
  EXPECT_TRUE(Parse({"--help"}).HelpRequested());
  EXPECT_EQ(Parse({"--radius", "2", "--radius", "8"}).Integer("radius", 0, 16), 8);
}

TEST(ArgParser, MistakesAreUsageErrorsNamingTheOption) {
  struct Case {
    std::vector<std::string> args;
    const char* expected;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--radius"}, "--radius needs a value"},
      {{"--gray=yes"}, "--gray takes no value"},
  };
  for (const Case& c : cases) {
    try {
      Parse(c.args);
      ADD_FAILURE() << c.expected;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
  }
}

TEST(ArgParser, TypedReadersCheckRangeAndSpelling) {
  EXPECT_THROW(Parse({"--radius", "17"}).Integer("radius", 0, 16), UsageError);
  EXPECT_THROW(Parse({"--radius", "4x"}).Integer("radius", 0, 16), UsageError);
  EXPECT_THROW(Parse({"--gamma", "2.5"}).Number("gamma", 0.5, 2.0), UsageError);
  EXPECT_THROW(Parse({"--gamma", "nan"}).Number("gamma", 0.5, 2.0), UsageError);
  EXPECT_DOUBLE_EQ(*Parse({"--gamma", "0.5"}).Number("gamma", 0.5, 2.0), 0.5);
  constexpr std::string_view kFilters[] = {"none", "median", "smooth"};
  EXPECT_EQ(Parse({"--filter", "smooth"}).Choice("filter", kFilters), 2u);
  try {
    Parse({"--filter", "blur"}).Choice("filter", kFilters);
    ADD_FAILURE();
  } catch (const UsageError& e) {
    EXPECT_STREQ(e.what(), "--filter must be none, median or smooth (got 'blur')");
  }
  EXPECT_EQ(ParseSize("size", "320x240"), std::make_pair(320, 240));
  EXPECT_THROW(ParseSize("size", "320x"), UsageError);
  EXPECT_THROW(ParseSize("size", "0x240"), UsageError);
}

}  // namespace
}  // namespace kvtc::tool
