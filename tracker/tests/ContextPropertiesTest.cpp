#include "TrackerTestSupport.h"

#include "tracker/TkContextProperties.h"

#include <gtest/gtest.h>

namespace {

using tavik::tracking::isValidABValue;
using tavik::tracking::TkContextProperties;
using tavik::tracking::TkEventKind;
using tavik::tracking::TkException;

std::string Message(const std::optional<TkException>& error)
{
    return error ? error->what() : "";
}

TEST(AbValue, AcceptsOneToThreeUpperCaseLettersOrDigitsAfterALetter)
{
    for (const char* text : {"IN", "A", "B2", "X9Z", "Z00"}) {
        bool valid = false;
        EXPECT_NO_THROW(valid = isValidABValue(text)) << text;
        EXPECT_TRUE(valid) << text;
    }
    EXPECT_FALSE(isValidABValue(""));
}

TEST(AbValue, RefusesOtherTextsWithTheReason)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"in", "First char is not in A to Z"},
        {"AB12", "value's length is great than 3."},
        {"INXX", "value's length is great than 3."},
        {"9A", "First char is not in A to Z"},
        {"Ab", "second char is not in A to Z and 0 to 9"},
        {"A-", "second char is not in A to Z and 0 to 9"},
        {"AB_", "third char is not in A to Z and 0 to 9"},
        {"\xE4\xB8\xAD", "First char is not in A to Z"},
    };
    for (const auto& c : cases) {
        const std::optional<TkException> error = Thrown([&] { isValidABValue(c.text); });
        ASSERT_TRUE(error) << c.text;
        EXPECT_STREQ(error->what(), c.message) << c.text;
        EXPECT_EQ(error->function(), "isValidABValue");
        EXPECT_EQ(error->sourceFile(), "..\\..\\..\\..\\source\\src\\TkContextProperties");
    }
}

TEST(ContextProperties, ANameRegistersOnce)
{
    TkContextProperties ctx;
    ctx.add(TkContextProperties::kAbName, "IN", {TkEventKind::Click});
    EXPECT_EQ(Message(Thrown([&] { ctx.add(TkContextProperties::kAbName, "B2", {TkEventKind::View}); })),
              "Property[tkc_ab] already exist!");
    ASSERT_EQ(ctx.getEventProperties(static_cast<int>(TkEventKind::Click)).size(), 1u);
    EXPECT_TRUE(ctx.getEventProperties(static_cast<int>(TkEventKind::View)).empty());
}

TEST(ContextProperties, KindsBeyondTheTableOverflow)
{
    TkContextProperties ctx;
    EXPECT_EQ(Message(Thrown([&] { ctx.getEventProperties(15); })), "TkEvent[15] overflow!");
    EXPECT_EQ(Message(Thrown([&] { ctx.add("tkc_x", true, {static_cast<TkEventKind>(15)}); })),
              "TkEvent[15] overflow!");
    EXPECT_NO_THROW(ctx.getEventProperties(14));
}

TEST(ContextProperties, AppliesEachKindOfValueToItsEventsOnly)
{
    TkContextProperties ctx;
    ctx.add("tkc_flag", true, {TkEventKind::Click, TkEventKind::Task});
    ctx.add("tkc_count", int64_t{-9000000000}, {TkEventKind::Click});
    ctx.add("tkc_ratio", 0.25, {TkEventKind::Click});
    ctx.add("tkc_ab", "IN", {TkEventKind::Click});
    ctx.add("tkc_tags", std::vector<std::string>{"a", "b"}, {TkEventKind::Click});
    ctx.add("tk_name", "from context", {TkEventKind::Click});

    analytics_core::PropertiesNode click;
    click.PutString("tk_name", "from event");
    ctx.applyTo(TkEventKind::Click, click);
    EXPECT_EQ(click.ToJson(), "{\"tk_name\":\"from context\",\"tkc_ab\":\"IN\",\"tkc_count\":\"-9000000000\","
                              "\"tkc_flag\":true,\"tkc_ratio\":0.25,\"tkc_tags\":[\"a\",\"b\"]}");

    analytics_core::PropertiesNode task;
    ctx.applyTo(TkEventKind::Task, task);
    EXPECT_EQ(task.ToJson(), "{\"tkc_flag\":true}");

    analytics_core::PropertiesNode view;
    ctx.applyTo(TkEventKind::View, view);
    EXPECT_EQ(view.ToJson(), "{}");
}

} // namespace
