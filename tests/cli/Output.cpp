// Output conventions: --json beside --csv on every table, ISO dates, --version.
#include "CliFixture.h"

#include <nlohmann/json.hpp>

#include <regex>

using nlohmann::json;

namespace {

/// The output parsed as JSON; a parse error fails the test and gives null.
json Parse(const Result& run)
{
    EXPECT_EQ(run.status, 0) << run.err;
    json value = json::parse(run.out, nullptr, false);
    EXPECT_FALSE(value.is_discarded()) << run.out;
    return value.is_discarded() ? json() : value;
}

} // namespace

TEST_F(CliTest, JsonGivesOneObjectPerRowWithNumbersAndNulls)
{
    json shots = Parse(InExp({"shots", "--json"}));
    EXPECT_EQ(shots, json::parse(R"([
        {"Shot": "1001", "Group": 0, "Date": "2024-01-02 10:00:00", "Comment": "first shot"},
        {"Shot": "1002", "Group": 0, "Date": "2024-01-02 10:00:00", "Comment": null}])"));
    // Keys keep the table's column order.
    Result raw = InExp({"shots", "1001", "--json"});
    EXPECT_LT(raw.out.find("\"Shot\""), raw.out.find("\"Comment\""));

    json eval = Parse(InExp({"eval", "Peak*2", "-x", "Missing", "-x", "[Peak]", "--json"}));
    EXPECT_EQ(eval, json::parse(R"([
        {"Shot": "1001", "Peak*2": 6.5, "Missing": null, "[Peak]": 3.25},
        {"Shot": "1002", "Peak*2": 3, "Missing": null, "[Peak]": 1.5}])"));

    json data = Parse(InExp({"data", "1001", "--json"}));
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[1], json::parse(R"({"Name": "grid", "Kind": "matrix", "Size": "2x3",
        "Start": null, "Step": null, "Min": 1, "Max": 6})"));
    EXPECT_EQ(data[2]["Step"], 0.5);

    // Field values are texts, as stored, even where they read as numbers.
    json fields = Parse(InExp({"fields", "1001", "--json"}));
    EXPECT_EQ(fields[2], json::parse(R"({"Field": "Peak", "Value": "3.25"})"));
}

TEST_F(CliTest, DumpGivesJsonRowsKeyedByItsColumns)
{
    EXPECT_EQ(Parse(InExp({"dump", "1001", "probe", "--json"})), json::parse(R"([
        {"time": 0, "value": 1}, {"time": 0.5, "value": 3}, {"time": 1, "value": 2},
        {"time": 1.5, "value": 5}, {"time": 2, "value": 4}])"));
    json grid = Parse(InExp({"dump", "1001", "grid", "--json"}));
    EXPECT_EQ(grid[1], json::parse(R"({"row": 1, "10": 2, "10.5": 4, "11": 6})"));

    Result both = InExp({"shots", "--csv", "--json"});
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.err, "talvex: give --csv or --json, not both\n");
}

TEST_F(CliTest, DatesShowAsIsoWhateverFormTheyAreStoredIn)
{
    // A date in the library's form is shown converted; the file keeps its own form.
    ASSERT_EQ(InExp({"set", "1002", "Date", "12/08/2026 14:03:11"}).status, 0);
    EXPECT_EQ(InExp({"shots", "1002", "--csv"}).out,
              "Shot,Group,Date,Comment\n1002,0,2026-12-08 14:03:11,\n");
    std::string scalars = testsupport::ReadBytes(exp + "/Shots/Shot1002/Scalars.ini");
    EXPECT_NE(scalars.find("Date=12/08/2026 14:03:11"), std::string::npos) << scalars;
    // Any other text is shown as it is, not guessed at.
    ASSERT_EQ(InExp({"set", "1002", "Date", "last Tuesday"}).status, 0);
    EXPECT_NE(InExp({"fields", "1002", "--csv"}).out.find("\nDate,last Tuesday\n"),
              std::string::npos);
    // Without a Date field, the date of the shot's files, in the same form.
    ASSERT_EQ(InExp({"unset", "1002", "Date"}).status, 0);
    Result files = InExp({"shots", "1002", "--csv"});
    EXPECT_TRUE(std::regex_search(files.out, std::regex("\n1002,0,\\d{4}-\\d\\d-\\d\\d "
                                                        "\\d\\d:\\d\\d:\\d\\d,\n")))
        << files.out;
}

TEST_F(CliTest, VersionNamesTheLibrarysVersion)
{
    Result run = Talvex({"--version"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              std::string("talvex ") + TALVEX_VERSION + " (TalvexCore " TALVEX_VERSION ")\n");
    EXPECT_EQ(Talvex({"-e", "Nowhere", "--version"}).out, run.out);
}
