#include "json/json_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TextCase {
    const char* json;
    const char* path;
    const char* text;
};

const TextCase kTextCases[] = {
    {R"({"a":1})", "a", "1"},
    {R"({"a":1})", "b", ""},
    {R"({"a":0.1})", "a", "0.1"},
    {R"({"a":1234567.891})", "a", "1234567.891"},
    {R"({"a":12345678901234567})", "a", "1.234567890123e+16"},
    {R"({"a":-2.5e-7})", "a", "-2.5e-07"},
    {R"({"access_token":"24.abc","expires_in":2592000})", "access_token", "24.abc"},
    {R"({"access_token":"24.abc","expires_in":2592000})", "expires_in", "2592000"},
    {R"({"update":{"v":"3.9","gxts":"修复"}})", "update.v", "3.9"},
    {R"({"update":{"v":"3.9","gxts":"修复"}})", "update.gxts", "修复"},
    {R"([["x","y"],["z"]])", "[0][1]", "y"},
    {R"([["x","y"],["z"]])", "[1][0]", "z"},
    {R"([["x","y"],["z"]])", "[1][1]", ""},
    {R"([["x","y"],["z"]])", "[2][0]", ""},
    // A number under a root subscript reads like any other number.
    {R"([[[1.5,"t"]]])", "[0][0][0]", "1.5"},
    {R"({"words_result":[{"words":"a"},{"words":"b"},{"words":"c"}]})", "words_result[2].words",
     "c"},
    {R"({"words_result":[{"words":"a"},{"words":"b"},{"words":"c"}]})", "words_result[9].words",
     ""},
    {R"({"words_result":{"姓名":{"words":"张三"}}})", "words_result.姓名.words", "张三"},
    {R"({"a":"line\r\nnext"})", "a", "line\r\nnext"},
    {R"({"a":"caf\u00e9 \ud83d\ude00"})", "a", "café 😀"},
    {R"({"a":{"b":null}})", "a.b", ""},
    {R"({"a":true,"b":false})", "a", "true"},
    {R"({"a":true,"b":false})", "b", "false"},
    {R"({"a":[1,"x",null,[2.5,3]]})", "a", "1,x,,2.5,3"},
    {R"({"a":{"b":1,"c":"d"}})", "a", R"({"b":1,"c":"d"})"},
    {R"({"a.b":1})", R"(["a.b"])", "1"},
    {R"({"a":{"b c":"q"}})", "a['b c']", "q"},
    {R"({"a":{"0":"zero"}})", "a[0]", "zero"},
    {R"("text")", "", "text"},
    {R"({"a":"text"})", "", R"({"a":"text"})"},
    // Reads below a missing or scalar parent, and malformed paths, are missing values.
    {R"({"a":{"b":1}})", "x.b", ""},
    {R"({"a":{"b":1}})", "a.b.c", ""},
    {R"({"a":{"b":1}})", "a..b", ""},
    {R"({"a":{"b":1}})", "a.", ""},
    {R"({"a":{"b":1}})", ".a", ""},
    {R"({"a":[1,2]})", "a[", ""},
    {R"({"a":[1,2]})", "a[x]", ""},
    {R"({"a":[1,2]})", "a[-1]", ""},
    {R"({"a":[1,2]})", "a[99999999999999999999]", ""},
    {R"({"a":[1,2]})", "a.0", ""},
    {R"({"a":[1,2]})", "a[0]b", ""},
};

TEST(JsonDocumentTest, GetTextReadsThePath) {
    for (const TextCase& c : kTextCases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.Parse(c.json)) << c.json;
        EXPECT_EQ(doc.GetText(c.path), c.text) << c.json << " path " << c.path;
    }
}

TEST(JsonDocumentTest, GetTextAsJsonGivesTheValuesJsonText) {
    const TextCase cases[] = {
        {R"({"a":{"b":[1,"x"]}})", "a", R"({"b":[1,"x"]})"},
        {R"({"a":{"b":[1,"x"]}})", "a.b", R"([1,"x"])"},
        {R"({"a":"姓名"})", "a", R"("姓名")"},
        {R"({"a":null})", "a", "null"},
        {R"({"a":7})", "a", "7"},
        {R"({"a":7})", "missing", ""},
        {R"({"z":1,"a":2})", "", R"({"z":1,"a":2})"},
    };
    for (const TextCase& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.Parse(c.json));
        EXPECT_EQ(doc.GetText(c.path, true), c.text) << c.json << " path " << c.path;
    }
}

TEST(JsonDocumentTest, TypeOfAndGetNumber) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"n":-4.25,"s":"5","o":{},"a":[],"b":true,"z":null})"));
    const struct {
        const char* path;
        JsonKind kind;
        double number;
    } cases[] = {
        {"n", JsonKind::Number, -4.25}, {"s", JsonKind::String, 0}, {"o", JsonKind::Object, 0},
        {"a", JsonKind::Array, 0},      {"b", JsonKind::Other, 0},  {"z", JsonKind::Null, 0},
        {"missing", JsonKind::Null, 0}, {"", JsonKind::Object, 0},  {"o.x", JsonKind::Null, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doc.TypeOf(c.path), c.kind) << c.path;
        EXPECT_EQ(doc.GetNumber(c.path), c.number) << c.path;
    }
    JsonDocument rootArray;
    ASSERT_TRUE(rootArray.Parse(R"([[3]])"));
    EXPECT_EQ(rootArray.TypeOf("[0][0]"), JsonKind::Number);
    EXPECT_EQ(rootArray.GetNumber("[0][0]"), 3.0);
    EXPECT_EQ(rootArray.TypeOf(), JsonKind::Array);
}

TEST(JsonDocumentTest, GetCountCountsMembersAndElements) {
    const struct {
        const char* json;
        const char* path;
        int count;
    } cases[] = {
        {R"([["x","y"],["z"]])", "[0]", 2},
        {R"([["x","y"],["z"]])", "", 2},
        {R"([["x","y"],["z"]])", "[1]", 1},
        {"{}", "", 0},
        {"[]", "", 0},
        {R"({"a":{},"b":[]})", "a", 0},
        {R"({"a":{},"b":[]})", "b", 0},
        {R"({"a":1,"b":2,"c":3})", "", 3},
        {R"({"a":1})", "missing", 0},
        {R"({"a":1})", "missing.deeper", 0},
        {R"({"a":"text"})", "a", 0},
    };
    for (const auto& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.Parse(c.json));
        EXPECT_EQ(doc.GetCount(c.path), c.count) << c.json << " path " << c.path;
    }
}

TEST(JsonDocumentTest, MemberNamesInDocumentOrder) {
    const struct {
        const char* json;
        const char* path;
        std::vector<std::string> names;
    } cases[] = {
        {R"({"姓名":{"words":"张三"},"性别":{"words":"男"}})", "", {"姓名", "性别"}},
        {R"({"z":1,"a":2,"m":3})", "", {"z", "a", "m"}},
        {R"({"w":{"b":1,"a":2}})", "w", {"b", "a"}},
        {R"({"w":["p","q"]})", "w", {"0", "1"}},
        {R"({"w":{}})", "w", {}},
        {R"({"w":"text"})", "w", {}},
        {R"({"w":1})", "missing", {}},
    };
    for (const auto& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.Parse(c.json));
        std::vector<std::string> names = {"left over"};
        EXPECT_EQ(doc.MemberNames(names, c.path), static_cast<int>(c.names.size())) << c.json;
        EXPECT_EQ(names, c.names) << c.json;
    }
}

TEST(JsonDocumentTest, ParseAcceptsJsonValuesOnly) {
    const struct {
        const char* text;
        bool ok;
        JsonKind kind;
    } cases[] = {
        {R"({"a":1})", true, JsonKind::Object},
        {"[]", true, JsonKind::Array},
        {" \r\n\t{} ", true, JsonKind::Object},
        {"\xEF\xBB\xBF{}", true, JsonKind::Object},
        {"1", true, JsonKind::Number},
        {R"("s")", true, JsonKind::String},
        {"null", false, JsonKind::Null},
        {"", false, JsonKind::Null},
        {"{a:1}", false, JsonKind::Null},
        {R"({"a":1)", false, JsonKind::Null},
        {"[1,]", false, JsonKind::Null},
        {"{} x", false, JsonKind::Null},
        {"\"\xFF\xFE\"", false, JsonKind::Null},
        {"<html>502 Bad Gateway</html>", false, JsonKind::Null},
    };
    for (const auto& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.Parse(R"({"before":1})"));
        EXPECT_EQ(doc.Parse(c.text), c.ok) << c.text;
        EXPECT_EQ(doc.TypeOf(), c.kind) << c.text;
        EXPECT_EQ(doc.GetText("before"), "") << c.text;
    }
}

TEST(JsonDocumentTest, SecondParseReplacesTheValueWhole) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"a":1,"b":{"c":2}})"));
    JsonDocument copy = doc;
    ASSERT_TRUE(doc.Parse(R"({"d":3})"));
    EXPECT_EQ(doc.GetText("a"), "");
    EXPECT_EQ(doc.GetText("b.c"), "");
    EXPECT_EQ(doc.GetText("d"), "3");
    std::vector<std::string> names;
    EXPECT_EQ(doc.MemberNames(names), 1);
    EXPECT_EQ(doc.GetCount(), 1);
    // A copy keeps the value it was made from.
    EXPECT_EQ(copy.GetText("b.c"), "2");
}

// The two shapes of recognition replies, read the way the recognition workflow reads them.
TEST(JsonDocumentTest, ReadsRecognitionReplies) {
    JsonDocument lines;
    ASSERT_TRUE(lines.Parse(R"({"log_id":1,"words_result_num":2,)"
                            R"("words_result":[{"words":"第一行"},{"words":"Zweite Zeile: ä"}]})"));
    std::string joined;
    for (int i = 0; i < lines.GetCount("words_result"); ++i) {
        if (i > 0) joined += "\r\n";
        joined += lines.GetText("words_result[" + std::to_string(i) + "].words");
    }
    EXPECT_EQ(joined, "第一行\r\nZweite Zeile: ä");

    JsonDocument card;
    ASSERT_TRUE(card.Parse(R"({"words_result":{"姓名":{"location":{"top":1},"words":"张三"},)"
                           R"("民族":{"words":"汉"},"住址":{"words":"北京市"}},"log_id":2})"));
    std::vector<std::string> fields;
    ASSERT_EQ(card.MemberNames(fields, "words_result"), 3);
    std::string table;
    for (const std::string& field : fields) {
        table += field + "=" + card.GetText("words_result." + field + ".words") + ";";
    }
    EXPECT_EQ(table, "姓名=张三;民族=汉;住址=北京市;");
    EXPECT_EQ(card.GetText("words_result.姓名.location.top"), "1");
}

// A number beyond a double's range reads as Infinity, as a script engine reads it, and the
// rest of the reply keeps its values and member order; an escaped NUL ends a text.
TEST(JsonDocumentTest, OutOfRangeNumbersAndNulsKeepTheReply) {
    const TextCase cases[] = {
        {R"({"log_id":1e999,"words_result":[{"words":"保留"}]})", "words_result[0].words", "保留"},
        {R"({"a":1e999})", "a", "Infinity"},
        {R"({"a":-1E+400,"b":2})", "a", "-Infinity"},
        {R"({"a":[1e999,2.5,-123456789e301,7]})", "a", "Infinity,2.5,-Infinity,7"},
        {R"({"a":1e999,"b":"1e999","c":3})", "b", "1e999"},
        {R"({"a":1e999,"b":"1e999","c":3})", "c", "3"},
        {R"({"a":0.00001e-400,"b":1.7976931348623157e308})", "a", "0"},
        {R"({"a":0.00001e-400,"b":1.7976931348623157e308})", "b", "1.797693134862e+308"},
        {R"({"a":1e999})", "", R"({"a":null})"},
        {R"({"words":"ab\u0000cd"})", "words", "ab"},
        {R"({"words":"\u0000tail"})", "words", ""},
        {R"({"a":["x\u0000y","z"]})", "a", "x"},
    };
    for (const TextCase& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.Parse(c.json)) << c.json;
        EXPECT_EQ(doc.GetText(c.path), c.text) << c.json << " path " << c.path;
    }
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"z":1e999,"a":"\u0000","m":[4e400]})"));
    std::vector<std::string> names;
    EXPECT_EQ(doc.MemberNames(names), 3);
    EXPECT_EQ(names, (std::vector<std::string>{"z", "a", "m"}));
    EXPECT_EQ(doc.TypeOf("z"), JsonKind::Number);
    EXPECT_EQ(doc.GetText("", true), R"({"z":null,"a":"\u0000","m":[null]})");
}

std::string nested(int depth, const char* open, const char* close, const char* inner) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += open;
    text += inner;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

TEST(JsonDocumentTest, DeepNestingIsRefusedBeyondTheLimit) {
    const int limit = JsonDocument::kMaxDepth;
    const struct {
        std::string text;
        bool ok;
    } cases[] = {
        {nested(10000, "[", "]", "1"), false},
        {nested(10000, R"({"a":)", "}", "1"), false},
        {nested(10000, "[", "", ""), false},  // unclosed as well
        {nested(limit + 1, "[", "]", "1"), false},
        {nested(limit, "[", "]", "1"), true},
        {nested(limit, R"({"a":)", "}", R"("x")"), true},
        // Brackets inside strings are text, not nesting.
        {R"({"a":")" + std::string(10000, '[') + R"(\"{"})", true},
    };
    for (const auto& c : cases) {
        JsonDocument doc;
        EXPECT_EQ(doc.Parse(c.text), c.ok) << c.text.substr(0, 40);
    }
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(nested(limit, "[", "]", R"("bottom")")));
    std::string path;
    for (int i = 0; i < limit; ++i) path += "[0]";
    EXPECT_EQ(doc.GetText(path), "bottom");
    EXPECT_EQ(doc.GetText(""), "bottom");
}

TEST(JsonDocumentTest, MultiMegabyteReply) {
    const int lineCount = 40000;
    std::string reply = R"({"words_result":[)";
    for (int i = 0; i < lineCount; ++i) {
        if (i > 0) reply += ',';
        reply += R"({"words":"第)" + std::to_string(i) + R"(行文字"})";
    }
    reply += R"(],"tail":")" + std::string(3 * 1024 * 1024, 'x') + R"("})";
    ASSERT_GT(reply.size(), 4u * 1024 * 1024);

    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(reply));
    EXPECT_EQ(doc.GetCount("words_result"), lineCount);
    EXPECT_EQ(doc.GetText("words_result[0].words"), "第0行文字");
    EXPECT_EQ(doc.GetText("words_result[39999].words"), "第39999行文字");
    EXPECT_EQ(doc.GetText("words_result[40000].words"), "");
    EXPECT_EQ(doc.GetText("tail").size(), 3u * 1024 * 1024);

    reply.resize(reply.size() / 2);  // cut off mid-reply
    EXPECT_FALSE(doc.Parse(reply));
    EXPECT_EQ(doc.GetCount("words_result"), 0);
}

}  // namespace
