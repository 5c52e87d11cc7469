#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "core/common/number_format.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/text_layout_key.h"
#include "ui/text_style.h"

namespace Ravenquill::Ui {
namespace {

const TextStyle Body(L"Segoe UI Variable Text", 13.5f, 400, 0xFFAFB2BC, true, 20);

TEST(TextStyle, EqualityComparesAllEightMembers) {
    EXPECT_EQ(Body, TextStyle(L"Segoe UI Variable Text", 13.5f, 400, 0xFFAFB2BC, true, 20));
    TextStyle other = Body;
    other.Align = TextAlign::Center;
    EXPECT_NE(Body, other);
    other = Body;
    other.Color = 0xFFFFFFFF;
    EXPECT_NE(Body, other);
    other = Body;
    other.Family = L"segoe ui variable text";  // ordinal
    EXPECT_NE(Body, other);
    other = Body;
    other.Ellipsis = true;
    EXPECT_NE(Body, other);
}

TEST(TextStyle, NaNSizesAreEqualAndHashAlike) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const TextStyle a(L"Cascadia Mono", nan, 400, 0, false, nan);
    const TextStyle b(L"Cascadia Mono", nan, 400, 0, false, nan);
    EXPECT_EQ(a, b);
    EXPECT_EQ(TextStyleHash{}(a), TextStyleHash{}(b));
    const TextStyle zero(L"Cascadia Mono", 0.0f, 400, 0);
    const TextStyle negativeZero(L"Cascadia Mono", -0.0f, 400, 0);
    EXPECT_EQ(zero, negativeZero);
    EXPECT_EQ(TextStyleHash{}(zero), TextStyleHash{}(negativeZero));
}

TEST(TextStyle, DefaultsOfTheOptionalMembers) {
    const TextStyle label(L"Segoe UI Variable Text", 13.5f, 600, 0xFFFFFFFF);
    EXPECT_FALSE(label.Wrap);
    EXPECT_EQ(label.LineHeight, 0.0f);
    EXPECT_FALSE(label.Ellipsis);
    EXPECT_EQ(label.Align, TextAlign::Left);
}

TEST(TextStyle, TextFormFollowsTheUserNumberFormat) {
    TextStyle style = Body;
    style.Align = TextAlign::Right;
    style.Ellipsis = true;
    EXPECT_EQ(style.ToString(),
              L"TextStyle { Family = Segoe UI Variable Text, Size = 13.5, Weight = 400, Color = 4289704636, "
              L"Wrap = True, LineHeight = 20, Ellipsis = True, Align = Right }");
    ScopedNumberFormat comma({L",", L"-"});
    const TextStyle small(L"Segoe UI Variable Text", 11.5f, 400, 0, false, 0.1f);
    EXPECT_EQ(small.ToString(),
              L"TextStyle { Family = Segoe UI Variable Text, Size = 11,5, Weight = 400, Color = 0, Wrap = False, "
              L"LineHeight = 0,1, Ellipsis = False, Align = Left }");
    EXPECT_EQ(ToString(TextAlign::Center), L"Center");
}

TEST(TextStyle, TextFormPrintsSizesAsThirtyTwoBitFloats) {
    const struct {
        float size;
        const wchar_t* text;
    } cases[] = {
        {9999999.0f, L"9999999"},
        {1e7f, L"1E+07"},
        {16777216.0f, L"16777216"},
        {1e-5f, L"1E-05"},
    };
    for (const auto& c : cases) {
        const TextStyle style(L"Cascadia Mono", c.size, 400, 0);
        EXPECT_EQ(style.ToString(), std::wstring(L"TextStyle { Family = Cascadia Mono, Size = ") + c.text +
                                        L", Weight = 400, Color = 0, Wrap = False, LineHeight = 0, Ellipsis = False, "
                                        L"Align = Left }");
    }
}

TEST(TextLayoutKey, KeysLeaveOutColourAndKeepTheWidthAsPassed) {
    TextStyle recoloured = Body;
    recoloured.Color = 0xFF000000;
    EXPECT_EQ(TextFormatKey::Of(Body), TextFormatKey::Of(recoloured));
    EXPECT_EQ(TextLayoutKey::Of(L"Далее", Body, 200), TextLayoutKey::Of(L"Далее", recoloured, 200));
    EXPECT_NE(TextLayoutKey::Of(L"Далее", Body, 200), TextLayoutKey::Of(L"Далее", Body, 201));
    EXPECT_NE(TextLayoutKey::Of(L"Далее", Body, 200), TextLayoutKey::Of(L"Назад", Body, 200));
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_NE(TextLayoutKey::Of(L"a", Body, inf), TextLayoutKey::Of(L"a", Body, 250000));

    std::unordered_map<TextLayoutKey, int, TextLayoutKeyHash> cache;
    cache[TextLayoutKey::Of(L"a", Body, 100)] = 1;
    cache[TextLayoutKey::Of(L"a", recoloured, 100)] = 2;
    cache[TextLayoutKey::Of(L"a", Body, 100.5f)] = 3;
    EXPECT_EQ(cache.size(), 2u);
}

TEST(TextLayoutKey, ExtentsAreCappedAndNegativeOrNaNWidthsClamped) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(LayoutExtent(inf), 100000.0f);
    EXPECT_EQ(LayoutExtent(-inf), 100000.0f);
    EXPECT_EQ(LayoutExtent(250000), 100000.0f);
    EXPECT_EQ(LayoutExtent(std::numeric_limits<float>::max()), 100000.0f);
    EXPECT_EQ(LayoutExtent(548), 548.0f);
    EXPECT_TRUE(std::isnan(LayoutExtent(nan)));
    EXPECT_EQ(LayoutExtent(-12), -12.0f);
    // DirectWrite refuses a negative or NaN extent; a layout squeezed to nothing is drawn instead.
    EXPECT_EQ(NonNegativeLayoutExtent(-12), 0.0f);
    EXPECT_EQ(NonNegativeLayoutExtent(nan), 0.0f);
    EXPECT_EQ(NonNegativeLayoutExtent(-nan), 0.0f);
    EXPECT_EQ(NonNegativeLayoutExtent(-inf), 100000.0f);
    EXPECT_EQ(NonNegativeLayoutExtent(548), 548.0f);
}

TEST(RoundedClipKey, IsBuiltFromTheNumbersWhateverTheNumberFormat) {
    const Rect a{1.5f, 2, 3, 4};
    const Rect b{1, 5, 2, 3};  // "1,5,2,3,4" in a comma culture would read like a
    EXPECT_EQ(RoundedClipKey(a, 4), L"rr:1.5,2,3,4,4");
    ScopedNumberFormat comma({L",", L"-"});
    EXPECT_EQ(RoundedClipKey(a, 4), L"rr:1.5,2,3,4,4");
    EXPECT_NE(RoundedClipKey(a, 4), RoundedClipKey(b, 4));
    EXPECT_EQ(RoundedClipKey(Rect{-0.25f, 0, 940, 580}, 12), L"rr:-0.25,0,940,580,12");
}

TEST(Rect, KeepsTheFourFloatLayoutAndSwappedEdges) {
    const Rect r{10, 20, 5, 50};
    float raw[4];
    std::memcpy(raw, &r, sizeof raw);
    EXPECT_EQ(raw[0], 10.0f);
    EXPECT_EQ(raw[1], 20.0f);
    EXPECT_EQ(raw[2], 5.0f);
    EXPECT_EQ(raw[3], 50.0f);
    EXPECT_EQ(r.Width(), -5.0f);
    EXPECT_EQ(r.Height(), 30.0f);
}

}  // namespace
}  // namespace Ravenquill::Ui
