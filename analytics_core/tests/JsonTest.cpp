#include "TestSupport.h"

#include "analytics_core/Encoding.h"
#include "analytics_core/PropertiesNode.h"
#include "analytics_core/Validation.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using analytics_core::PropertiesNode;
using analytics_core::utils::ObjectNode;
using analytics_core::utils::ValueNode;

TEST(JsonWriter, WritesEveryKindInItsForm)
{
    ObjectNode inner;
    inner.Set("b", ValueNode::MakeInt(-2));
    inner.Set("a", ValueNode::MakeString("x"));
    struct Case {
        ValueNode value;
        std::string text;
    };
    const Case cases[] = {
        {ValueNode::MakeNumber(1234567.0), "1.23457e+06"},
        {ValueNode::MakeNumber(0.5), "0.5"},
        {ValueNode::MakeNumber(12.25), "12.25"},
        {ValueNode::MakeNumber(100000.0), "100000"},
        {ValueNode::MakeNumber(-0.0000001), "-1e-07"},
        {ValueNode::MakeNumber(3.0), "3"},
        {ValueNode::MakeInt(-9007199254740993LL), "-9007199254740993"},
        {ValueNode::MakeString("plain"), "\"plain\""},
        {ValueNode::MakeList({"a", "b\"c"}), "[\"a\",\"b\\\"c\"]"},
        {ValueNode::MakeList({}), "[]"},
        {ValueNode::MakeDateTime(1700000000, 250), LocalDateTimeText(1700000000, 250)},
        {ValueNode::MakeDateTime(1700000000, 1250), LocalDateTimeText(1700000001, 250)},
        {ValueNode::MakeDateTime(1700000000, -1), LocalDateTimeText(1699999999, 999)},
        {ValueNode::MakeBool(true), "true"},
        {ValueNode::MakeBool(false), "false"},
        {ValueNode::MakeObject(inner), "{\"a\":\"x\",\"b\":-2}"},
        {ValueNode::MakeObject(ObjectNode()), "{}"},
    };
    for (const Case& c : cases) {
        std::string text;
        c.value.WriteJson(text);
        EXPECT_EQ(text, c.text);
    }
}

TEST(JsonWriter, EscapesSevenBytesAndKeepsOtherControlBytesValid)
{
    ObjectNode object;
    object.Set("s", ValueNode::MakeString("q\" s\\ b\b f\f n\n r\r t\t one\x01 del\x7f \xE4\xB8\xAD"));
    EXPECT_EQ(object.ToJson(), "{\"s\":\"q\\\" s\\\\ b\\b f\\f n\\n r\\r t\\t one\\u0001 del\x7f \xE4\xB8\xAD\"}");
    ObjectNode zero;
    zero.Set("z", ValueNode::MakeString(std::string("a\0b", 3)));
    EXPECT_EQ(zero.ToJson(), "{\"z\":\"a\\u0000b\"}");
}

TEST(ObjectNode, KeepsNamesInByteOrderAndReplacesEqualNames)
{
    ObjectNode object;
    for (const char* name : {"tk_app_id", "$app_version", "_x", "Zed", "abc", "$lib"}) {
        object.Set(name, ValueNode::MakeInt(1));
    }
    object.Set("abc", ValueNode::MakeInt(2));
    EXPECT_EQ(object.ToJson(), "{\"$app_version\":1,\"$lib\":1,\"Zed\":1,\"_x\":1,\"abc\":2,\"tk_app_id\":1}");

    ObjectNode other;
    other.Set("abc", ValueNode::MakeString("merged"));
    other.Set("new", ValueNode::MakeBool(false));
    object.MergeFrom(other);
    EXPECT_EQ(object.Find("abc")->AsString(), "merged");
    EXPECT_FALSE(object.Find("new")->AsBool());
}

TEST(ObjectNode, NestedObjectIsACopy)
{
    PropertiesNode nested;
    nested.PutInt("n", 1);
    PropertiesNode outer;
    outer.PutObject("o", nested);
    nested.PutInt("n", 2);
    EXPECT_EQ(outer.ToJson(), "{\"o\":{\"n\":1}}");
}

TEST(Validation, Utf8RuleAcceptsTextAndRefusesControlAndMalformedBytes)
{
    struct Case {
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain ASCII ~", true},
        {"tab\tline\ncr\r", true},
        {"\xC2\x80 \xDF\xBF", true},           // U+0080, U+07FF
        {"\xE4\xB8\xAD\xE6\x96\x87", true},    // 中文
        {"\xEF\xBF\xBF", true},                // U+FFFF
        {"\xF0\x9F\x98\x80", true},            // U+1F600
        {"\xF4\x8F\xBF\xBF", true},            // U+10FFFF
        {"\x7F", false},
        {"\x01", false},
        {std::string("\0", 1), false},
        {"\x0B", false},
        {"\x1F", false},
        {"\x80", false},                       // lone continuation byte
        {"\xC0\xAF", false},                   // overlong
        {"\xC1\xBF", false},                   // overlong
        {"\xE0\x9F\xBF", false},               // overlong
        {"\xF0\x8F\xBF\xBF", false},           // overlong
        {"\xED\xA0\x80", false},               // surrogate U+D800
        {"\xED\xBF\xBF", false},               // surrogate U+DFFF
        {"\xF4\x90\x80\x80", false},           // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xE4\xB8", false},                   // cut short
        {"\xC3", false},
        {"\xC3(", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(analytics_core::IsValidUtf8(c.text), c.valid) << "text of " << c.text.size() << " bytes";
    }
}

TEST(PropertiesNode, RefusesWhatJsonCannotCarryWithAMessage)
{
    struct Case {
        const char* what;
        void (*put)(PropertiesNode&);
        std::string message;
    };
    const Case cases[] = {
        {"infinity", [](PropertiesNode& p) { p.PutDouble("d", std::numeric_limits<double>::infinity()); },
         "Number property 'd' is not a finite number, value: inf\n"},
        {"list item with a control byte", [](PropertiesNode& p) { p.PutList("l", {"ok", "bad\x01"}); },
         "String property 'l' is not valid UTF-8 string, value: bad\x01\n"},
        {"list item too long", [](PropertiesNode& p) { p.PutList("l", {std::string(8193, 'x')}); },
         "String property 'l' is too long, value: " + std::string(8193, 'x') + "\n"},
    };
    for (const Case& c : cases) {
        PropertiesNode properties;
        StderrCapture capture;
        c.put(properties);
        EXPECT_EQ(capture.Text(), c.message) << c.what;
        EXPECT_EQ(properties.ToJson(), "{}") << c.what;
    }
}

TEST(Encoding, Base64AndPercentEncodingUseTheStandardAlphabets)
{
    const std::pair<std::string, std::string> base64[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xFB\xFF\xBF", "+/+/"},
    };
    for (const auto& [bytes, text] : base64) EXPECT_EQ(analytics_core::Base64Encode(bytes), text);
    EXPECT_EQ(analytics_core::PercentEncode("aZ09-._~+/= \xC3\xA9%"), "aZ09-._~%2B%2F%3D%20%C3%A9%25");
}

TEST(Encoding, BatchBodyIsTheFormFieldWithTheGzipFlag)
{
    const std::optional<std::string> body = analytics_core::EncodeBatch("[]");
    ASSERT_TRUE(body);
    // Base64 of a gzip stream starts with the magic bytes 1F 8B 08.
    EXPECT_EQ(body->rfind("data_list=H4sI", 0), 0u) << *body;
    EXPECT_EQ(body->substr(body->size() - 7), "&gzip=1");
}

} // namespace
