// The end-to-end driver's own parts: the JSON it prints for every step, and the
// key names the tests use for shortcuts.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "testkit/test_driver/json_writer.h"
#include "testkit/test_driver/keyboard.h"
#include "testkit/test_driver/session.h"

namespace {

using driver::JsonWriter;

struct JsonCase {
    const char* name;
    std::function<void(JsonWriter&)> build;
    std::string expected;
};

TEST(DriverJson, WritesOneAsciiLine) {
    const std::vector<JsonCase> cases = {
        {"empty object", [](JsonWriter&) {}, "{}"},
        {"fields in order", [](JsonWriter& j) { j.Field("a", 1).Field("b", true).Key("c").Null(); },
         "{\"a\":1,\"b\":true,\"c\":null}"},
        {"quote, backslash, line breaks, tab", [](JsonWriter& j) { j.Field("t", L"\"\\\r\n\t"); },
         "{\"t\":\"\\\"\\\\\\r\\n\\t\"}"},
        {"control character", [](JsonWriter& j) { j.Field("t", L"\x01"); }, "{\"t\":\"\\u0001\"}"},
        {"non-ASCII letters", [](JsonWriter& j) { j.Field("t", L"\u00dcber"); }, "{\"t\":\"\\u00dcber\"}"},
        {"surrogate pair as two escapes", [](JsonWriter& j) { j.Field("t", L"\U0001F600"); },
         "{\"t\":\"\\ud83d\\ude00\"}"},
        {"DEL is escaped", [](JsonWriter& j) { j.Field("t", L"\x7f"); }, "{\"t\":\"\\u007f\"}"},
        {"arrays and nested objects",
         [](JsonWriter& j) {
             j.Key("rows").BeginArray().String(L"a").Number(2).BeginObject().Field("x", 0).EndObject().EndArray();
         },
         "{\"rows\":[\"a\",2,{\"x\":0}]}"},
        {"raw JSON after a key", [](JsonWriter& j) { j.Key("menu").Raw("{\"items\":[]}").Field("ok", false); },
         "{\"menu\":{\"items\":[]},\"ok\":false}"},
        {"finish closes what is open", [](JsonWriter& j) { j.Key("a").BeginArray().BeginObject(); }, "{\"a\":[{}]}"},
        {"negative number", [](JsonWriter& j) { j.Field("n", -42LL); }, "{\"n\":-42}"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        JsonWriter json;
        row.build(json);
        EXPECT_EQ(json.Finish(), row.expected);
    }
}

struct KeyCase {
    const wchar_t* combo;
    std::vector<WORD> keys;
};

TEST(DriverKeys, ParsesModifiersAndOneKey) {
    const std::vector<KeyCase> cases = {
        {L"ctrl+a", {VK_CONTROL, 'A'}},
        {L"Ctrl+Shift+Tab", {VK_CONTROL, VK_SHIFT, VK_TAB}},
        {L"alt+f4", {VK_MENU, VK_F4}},
        {L"f10", {VK_F10}},
        {L"q", {'Q'}},
        {L"7", {'7'}},
        {L"enter", {VK_RETURN}},
        {L"ctrl+pagedown", {VK_CONTROL, VK_NEXT}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << row.combo);
        EXPECT_EQ(driver::ParseKeyCombo(row.combo), row.keys);
    }
}

TEST(DriverKeys, RejectsUnknownNames) {
    for (const wchar_t* combo : {L"", L"ctrl+", L"hyper+x", L"f25", L"f0", L"ctrl+ab", L"+a"}) {
        SCOPED_TRACE(testing::Message() << combo);
        EXPECT_THROW(driver::ParseKeyCombo(combo), driver::StepError);
    }
}

}  // namespace
