// The JSON of sectorscope-cli in process: string escaping, the compact form
// with members in the order given, the window-as-data shape, and `show` going
// straight to an index.

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/window_json.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>

namespace ss::cli {
namespace {

TEST(JsonTest, StringsEscapeControlsAndReplaceBytesThatAreNotUtf8) {
    struct Case {
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"plain text", R"("plain text")"},
        {"\"quoted\" \\ back", R"("\"quoted\" \\ back")"},
        {"\n\r\t\b\f", R"("\n\r\t\b\f")"},
        {std::string("\x00\x01\x1f\x7f", 4), R"("\u0000\u0001\u001f\u007f")"},
        {"/ stays", R"("/ stays")"},
        // Valid UTF-8 of two, three and four bytes passes unchanged.
        {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        // A byte as a sector dump holds it: one replacement character each.
        {"A\x80"
         "B\xFF",
         R"("A\ufffdB\ufffd")"},
        {"cut \xC3", R"("cut \ufffd")"},
        {"\xE2\x82"
         "A",
         R"("\ufffd\ufffdA")"},
        {"overlong \xC0\xAF", R"("overlong \ufffd\ufffd")"},
        {"surrogate \xED\xA0\x80", R"("surrogate \ufffd\ufffd\ufffd")"},
        {"beyond \xF4\x90\x80\x80", R"("beyond \ufffd\ufffd\ufffd\ufffd")"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JsonString(c.text), c.json) << c.json;
        // What is written reads back: the text itself, or the replacements.
        EXPECT_TRUE(Json::accept(JsonString(c.text))) << c.json;
    }
    EXPECT_EQ(Json::parse(JsonString("\"\\\n\x01\xC3\xA9")).get<std::string>(),
              "\"\\\n\x01\xC3\xA9");
}

TEST(JsonTest, WriterKeepsMembersInOrderAndEscapesStringsAtEveryDepth) {
    const Json value = {
        {"z", -1},
        {"b", Json::array({Json::object(),
                           Json::array(),
                           nullptr,
                           true,
                           false,
                           {{"c", "d\x80"}, {"e", std::uint32_t{2147483663}}}})},
        {"a\t", Json::object()},
        {"n",
         {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::uint64_t>::max()}},
    };
    std::ostringstream out;
    WriteJson(out, value);
    EXPECT_EQ(out.str(), R"({"z":-1,"b":[{},[],null,true,false,{"c":"d\ufffd","e":2147483663}],)"
                         R"("a\t":{},"n":[-9223372036854775808,18446744073709551615]})");
}

TEST(JsonTest, WindowAsDataHasItsFieldsDisplayListAndMessagesInOrder) {
    const FixedMetrics metrics;
    Surface surface(metrics);
    surface.CurrentX = 99;
    surface.ForeColor = colour::Red;
    surface.Print("A\x90", true);
    surface.Line(750, 2490, 100, 5, colour::ButtonFace);
    surface.Print("z");

    TextBox box{" 35 Track", colour::White, colour::Green};
    OptionButton option{"Numeric", true};
    ScrollBar bar;
    bar.SetValue(7);
    ListBox list;
    list.AddItem("n\"1");
    ComboBox combo;
    combo.AddItem(" 0");
    combo.Text = "3x";
    const std::vector<RecordingHost::Message> messages = {{"line 1\rline 2", 48, "Error"}};

    std::ostringstream out;
    WriteWindowJson(out, "map",
                    {{"Text1", &box},
                     {"Option1", &option},
                     {"VScroll1", &bar},
                     {"List2", &list},
                     {"Combo1", &combo}},
                    surface, messages);
    EXPECT_EQ(
        out.str(),
        R"({"window":"map","fields":{"Text1":{"text":" 35 Track","fore":40960,"back":16777215},)"
        R"("Option1":{"value":true},"VScroll1":{"value":7},"List2":{"items":["n\"1"]},)"
        R"("Combo1":{"items":[" 0"],"text":"3x"}},)"
        R"("surface":[{"text":"A\ufffd","x":99,"y":0,"color":255},)"
        R"({"box":[750,2490,100,5],"color":2147483663},{"text":"z","x":297,"y":0,"color":255}],)"
        R"("messages":[{"title":"Error","text":"line 1\rline 2","buttons":48}]})"
        "\n");
}

// Shows the last sector index of an image directly and by stepping there with
// Next Sec: the text, the colours and the JSON agree.
TEST(ShowTest, GoingStraightToAnIndexLeavesTheWindowAsSteppingThereDoes) {
    // DMK with Newdos/80 drive parameters (a surface text above the dump), JV3
    // without a directory (the notice above the dump), JV1 numbered from 0.
    std::vector<testimg::Jv3Entry> entries;
    for (int t = 0; t < 3; ++t) {
        for (int s = 0; s < 18; ++s) {
            testimg::Jv3Entry e;
            e.track = t;
            e.sector = s;
            e.doubleDensity = t > 0;
            entries.push_back(e);
        }
    }
    const std::vector<std::vector<std::uint8_t>> images = {
        testimg::SampleDmk(), testimg::MakeJv3(entries), testimg::SampleJv1()};
    const std::string path = (std::filesystem::path(::testing::TempDir()) /
                              ("sectorscope-show-" + std::to_string(getpid())))
                                 .string();
    for (std::size_t i = 0; i < images.size(); ++i) {
        testimg::WriteFile(path, images[i]);
        Window stepped;
        Window direct;
        ASSERT_EQ(OpenImage(stepped, path).outcome, OpenOutcome::Shown) << i;
        ASSERT_EQ(OpenImage(direct, path).outcome, OpenOutcome::Shown) << i;
        const int last = SectorCount(direct) - 1;
        ASSERT_GT(last, 50) << i;
        for (int k = 0; k < last; ++k) {
            stepped.logic.CmndNextsec_Click();
        }
        ShowSector(direct, last);

        std::ostringstream steppedText, directText, steppedJson, directJson;
        PrintShow(steppedText, stepped, true);
        PrintShow(directText, direct, true);
        PrintShowJson(steppedJson, stepped);
        PrintShowJson(directJson, direct);
        EXPECT_EQ(directText.str(), steppedText.str()) << i;
        EXPECT_EQ(directJson.str(), steppedJson.str()) << i;
        EXPECT_EQ(direct.logic.Txtsecnum.Text, std::to_string(last)) << i;
    }
    std::filesystem::remove(path);
}

} // namespace
} // namespace ss::cli
