// The pieces of fleet and verify without a sensor: the sensor list, the file
// names, the comparison, the JSON texts and the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/compare.h"
#include "cli/fleet.h"
#include "cli/json.h"
#include "cli/options.h"

namespace lq::cli {
namespace {

TEST(SensorList, ReadsLinksAndLabelsAndSkipsBlankAndCommentLines) {
    const std::string text =
        "# plant 2\r\n"
        "\n"
        "tcp 10.0.0.7 filler left\r\n"
        "  TCP [::1]:6001\n"
        "com 3 9600 capper\n"
        "com 4 labeller 2\n"
        "   # spare\n"
        "com 33";
    std::vector<FleetSensor> s;
    std::string error;
    ASSERT_TRUE(ParseSensorList(text, s, error)) << error;
    ASSERT_EQ(5u, s.size());
    EXPECT_EQ(3, s[0].line);
    EXPECT_EQ("10.0.0.7", s[0].address.host);
    EXPECT_EQ(5000, s[0].address.tcpPort);
    EXPECT_EQ("filler left", s[0].label);
    EXPECT_EQ("::1", s[1].address.host);
    EXPECT_EQ(6001, s[1].address.tcpPort);
    EXPECT_EQ("[::1]:6001", s[1].name);
    EXPECT_EQ(3, s[2].address.comPort);
    EXPECT_EQ(0, s[2].address.baudIndex);
    EXPECT_EQ("capper", s[2].label);
    EXPECT_EQ(115200, s[3].address.baud);
    EXPECT_EQ("labeller 2", s[3].label);
    EXPECT_EQ(8, s[4].line);
    EXPECT_EQ("COM33", s[4].name);
}

TEST(SensorList, AnInvalidLineIsNamed) {
    struct Case {
        const char* text;
        const char* where;
    };
    const Case cases[] = {
        {"tcp 127.0.0.1\nudp 127.0.0.1 x\n", "line 2"},
        {"com 3\ncom 3 12345 label\n", "line 2"},  // a number in the rate's place is a rate
        {"\n\ncom 257\n", "line 3"},
        {"tcp host:70000 big\n", "line 1"},
        {"tcp ::1 bare\n", "line 1"},
        {"# nothing\n\n", "no sensor"},
        {"", "no sensor"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<FleetSensor> s;
        std::string error;
        EXPECT_FALSE(ParseSensorList(c.text, s, error));
        EXPECT_NE(std::string::npos, error.find(c.where)) << error;
    }
}

TEST(SensorList, FileNamesStayInTheFolderAndKeysJoinOnePort) {
    std::vector<FleetSensor> s;
    std::string error;
    ASSERT_TRUE(
        ParseSensorList("tcp h:1 ../../etc/passwd\ntcp [::1]:7\ncom 5 9600\ncom 5 x\n", s, error));
    EXPECT_EQ("_._.._etc_passwd.ini", SensorFileName(s[0]));
    EXPECT_EQ("___1__7.ini", SensorFileName(s[1]));
    EXPECT_EQ("COM5.ini", SensorFileName(s[2]));
    EXPECT_EQ(ExclusiveKey(s[2].address), ExclusiveKey(s[3].address));
    EXPECT_NE(ExclusiveKey(s[0].address), ExclusiveKey(s[1].address));
}

TEST(Compare, NamesParameterWordsAndTeachWordsByTheirFileKeys) {
    ParaBlock p, fp;
    TeachTable t, ft;
    LoadDefaultParaValues(p, t, 1);
    fp = p;
    ft = t;
    EXPECT_TRUE(CompareConfiguration(p, t, fp, ft).empty());
    fp[EXTERN_TEACH] = 1;
    ft[31][7] = 99;
    ft[0][6] = 2;
    ft[32][0] = 5;  // no sensor holds vector 32
    const std::vector<Difference> d = CompareConfiguration(p, t, fp, ft);
    std::vector<std::string> lines;
    for (const Difference& x : d) lines.push_back(FormatDifference(x));
    const std::vector<std::string> expected = {
        "EXTERN TEACH: sensor 0, file 1",
        "TEACH VECTOR 0 / GROUP: sensor " + std::to_string(t[0][6]) + ", file 2",
        "TEACH VECTOR 31 / HOLD: sensor " + std::to_string(t[31][7]) + ", file 99",
    };
    EXPECT_EQ(expected, lines);
}

TEST(Json, QuotesControlCharactersAndConvertsTheCodePage) {
    EXPECT_EQ("\"a\\\"b\\\\c\\nd\\u0001\"", JsonQuote("a\"b\\c\nd\x01"));
    // Windows-1252: 0x80 euro sign, 0xE4 a-umlaut, 0x81 undefined.
    EXPECT_EQ("\"\xE2\x82\xAC \xC3\xA4 \xEF\xBF\xBD\"", JsonQuote("\x80 \xE4 \x81"));

    JsonWriter w;
    w.BeginObject().Key("n").Int(-3).Key("v").BeginArray().EndArray().Key("x").Double(0.5);
    w.Key("o").BeginObject().Key("b").Bool(true).Key("z").Null().EndObject().EndObject();
    EXPECT_EQ(
        "{\n  \"n\": -3,\n  \"v\": [],\n  \"x\": 0.500,\n  \"o\": {\n    \"b\": true,\n"
        "    \"z\": null\n  }\n}\n",
        w.Text());
}

ParseStatus Parse(std::vector<const char*> args, Options& o, std::string& error) {
    args.insert(args.begin(), "lumiquad-cli");
    return ParseArgs(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(FleetOptions, TheCommandAndItsOptionsFollowTheList) {
    Options o;
    std::string error;
    ASSERT_EQ(ParseStatus::Run, Parse({"fleet", "s.txt", "verify", "f.ini", "--eeprom", "--jobs",
                                       "50", "--report", "r.json", "--force"},
                                      o, error))
        << error;
    EXPECT_EQ(Command::Fleet, o.command);
    EXPECT_EQ(Command::Verify, o.fleetCommand);
    EXPECT_EQ("s.txt", o.sensorsFile);
    EXPECT_EQ("f.ini", o.file);
    EXPECT_TRUE(o.eeprom && o.force);
    EXPECT_EQ(50, o.jobs);
    EXPECT_EQ("r.json", o.report);

    Options d;
    ASSERT_EQ(ParseStatus::Run, Parse({"fleet", "s.txt", "identify"}, d, error)) << error;
    EXPECT_EQ(kDefaultJobs, d.jobs);

    const std::vector<std::vector<const char*>> wrong = {
        {"fleet", "s.txt", "live"},
        {"fleet", "s.txt"},
        {"fleet", "s.txt", "get"},
        {"fleet", "s.txt", "get", "-o", "x.ini"},
        {"fleet", "s.txt", "send"},
        {"fleet", "s.txt", "identify", "--jobs", "0"},
        {"fleet", "s.txt", "identify", "--jobs", "257"},
        {"fleet", "s.txt", "identify", "--eeprom"},
        {"--tcp", "h", "fleet", "s.txt", "identify"},
        {"--tcp", "h", "identify", "--jobs", "2"},
        {"--tcp", "h", "verify"},
        {"--tcp", "h", "get", "--out-dir", "d"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(args.back());
        Options x;
        EXPECT_EQ(ParseStatus::Error, Parse(args, x, error));
    }
}

}  // namespace
}  // namespace lq::cli
