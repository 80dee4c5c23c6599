// The button's stored properties: the bag's rules, reading and writing in their orders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/command_model.h"
#include "controls/property_bag.h"

using controls::CommandModel;
using controls::FontDesc;
using controls::PropertyBag;
using controls::PropertyValue;

namespace {

struct Quiet : controls::CommandPort {
  void PaintSkin(const controls::SkinPaint& p) override { skins.push_back(p.skin); }
  void LookChanged() override {}
  void PropertyChanged(std::string_view name) override { reports.emplace_back(name); }
  void Click() override {}
  void HoverTimer(bool, unsigned) override {}
  std::vector<controls::Skin> skins;
  std::vector<std::string> reports;
};

FontDesc Ambient() {
  FontDesc f;
  f.Name = "Tahoma";
  f.Size = 8.25;
  f.Charset = 1;
  return f;
}

}  // namespace

TEST(PropertyBag, DefaultsKeysAndNumbersEqualToTexts) {
  PropertyBag bag;
  bag.WriteProperty("FirstRun", int32_t{1}, std::string("1"));  // 1 equals "1": not stored
  bag.WriteProperty("Visible", int32_t{0}, std::string("1"));
  bag.WriteProperty("Enabled", true, true);
  bag.WriteProperty("FontColour", int32_t{0}, std::string("0"));
  bag.WriteProperty("Caption", std::string("1"), std::string("Command"));
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"Caption", "Visible"}));
  EXPECT_TRUE(bag.Contains("VISIBLE"));
  EXPECT_EQ(std::get<int32_t>(bag.ReadProperty("visible", std::string("1"))), 0);
  // An absent key gives the default handed to the read, whatever its kind.
  EXPECT_EQ(std::get<std::string>(bag.ReadProperty("FirstRun", std::string("1"))), "1");
  // Writing the default again removes what was stored.
  bag.WriteProperty("visible", int32_t{1}, std::string("1"));
  EXPECT_FALSE(bag.Contains("Visible"));
}

TEST(PropertyBag, ValueComparisons) {
  using controls::SameValue;
  EXPECT_TRUE(SameValue(int32_t{1}, std::string("1")));
  EXPECT_TRUE(SameValue(std::string(" 1.0 "), int32_t{1}));
  EXPECT_TRUE(SameValue(true, int32_t{-1}));  // True is -1
  EXPECT_FALSE(SameValue(true, int32_t{1}));
  EXPECT_FALSE(SameValue(int32_t{1}, std::string("one")));
  EXPECT_FALSE(SameValue(std::string("1"), std::string("1.0")));  // two texts compare as texts
  EXPECT_FALSE(SameValue(std::string("command"), std::string("Command")));
  FontDesc a = controls::DesignFont();
  FontDesc b = a;
  b.Name = "ｍｓ ｐゴシック";  // full-width letters are not folded
  EXPECT_FALSE(SameValue(a, b));
  b = a;
  b.Size = 9.75000001;
  EXPECT_TRUE(SameValue(a, b));
  b.Underline = true;
  EXPECT_FALSE(SameValue(a, b));
  EXPECT_FALSE(SameValue(a, std::string("ＭＳ Ｐゴシック")));
}

TEST(PropertyBag, ConversionsFailSoftly) {
  using controls::ToBoolean;
  using controls::ToByte;
  using controls::ToInteger;
  using controls::ToLong;
  EXPECT_EQ(ToBoolean(std::string("False")), false);
  EXPECT_EQ(ToBoolean(std::string("true")), true);
  EXPECT_EQ(ToBoolean(int32_t{0}), false);
  EXPECT_EQ(ToBoolean(std::string("2")), true);
  EXPECT_FALSE(ToBoolean(std::string("yes")));
  EXPECT_FALSE(ToBoolean(controls::DesignFont()));
  EXPECT_EQ(ToByte(std::string("2.5")), 2);  // halves to even
  EXPECT_EQ(ToByte(std::string("3.5")), 4);
  EXPECT_FALSE(ToByte(int32_t{256}));
  EXPECT_FALSE(ToByte(true));  // -1
  EXPECT_EQ(ToInteger(std::string("-32768")), -32768);
  EXPECT_FALSE(ToInteger(int32_t{40000}));
  EXPECT_EQ(ToLong(std::string("16711680")), 16711680);
  EXPECT_FALSE(ToLong(std::string("1e10")));
  EXPECT_FALSE(ToLong(std::string("")));
  EXPECT_EQ(controls::ToText(int32_t{12}), "12");
  EXPECT_FALSE(controls::ToText(controls::DesignFont()));
}

TEST(ReadProperties, AnEmptyBag) {
  Quiet port;
  CommandModel b(port);
  b.ReadProperties({}, Ambient());
  EXPECT_TRUE(b.state().Enabled);
  EXPECT_EQ(b.Caption(), "Command1");
  EXPECT_EQ(b.Font(), Ambient());
  EXPECT_EQ(b.state().FirstRun, 1);
  EXPECT_EQ(b.label().colour, 0);
  EXPECT_EQ(b.backStyle(), controls::kOpaque);
  EXPECT_EQ(port.skins, std::vector<controls::Skin>{controls::Skin::Normal});  // RepaintNormal
  EXPECT_TRUE(port.reports.empty());  // loading is not a change
}

TEST(ReadProperties, StoredValuesAndThoseThatDoNotConvert) {
  Quiet port;
  CommandModel b(port);
  b.ReadProperties({{"enabled", std::string("True")},
                    {"CAPTION", int32_t{42}},
                    {"Font", std::string("not a font")},
                    {"FontColour", std::string("255")},
                    {"Visible", int32_t{2}}},
                   Ambient());
  EXPECT_TRUE(b.state().Enabled);
  EXPECT_EQ(b.Caption(), "42");
  EXPECT_EQ(b.Font(), controls::DesignFont());  // kept: the creation font
  EXPECT_EQ(b.label().colour, 255);
  EXPECT_EQ(b.backStyle(), controls::kOpaque);  // 2 is no background style

  Quiet port2;
  CommandModel c(port2);
  c.ReadProperties({{"FirstRun", int32_t{300}}, {"Enabled", std::string("maybe")},
                    {"FontColour", int32_t{0x7F000000}}},
                   Ambient());
  EXPECT_EQ(c.state().FirstRun, 0);  // kept: 300 is no byte
  EXPECT_FALSE(c.state().Enabled);   // kept: the creation value
  EXPECT_EQ(c.label().colour, 0);    // kept: not a colour
}

TEST(ReadProperties, StoredFirstRun0WithAColour) {
  // Reading sets the colour; the closing RepaintNormal sets it back to black.
  Quiet port;
  CommandModel b(port);
  b.ReadProperties({{"FirstRun", int32_t{0}}, {"FontColour", int32_t{0xFF0000}}}, Ambient());
  EXPECT_EQ(b.state().FirstRun, 0);
  EXPECT_EQ(b.label().colour, 0);
  EXPECT_EQ(b.state().Enabled, true);
}

TEST(ReadProperties, StoredVisible0AndStoredEnabledFalse) {
  Quiet port;
  CommandModel b(port);
  b.ReadProperties({{"Visible", int32_t{0}}}, Ambient());
  EXPECT_EQ(b.backStyle(), controls::kTransparent);
  EXPECT_FALSE(b.Visible());

  Quiet port2;
  CommandModel c(port2);
  c.ReadProperties({{"Enabled", false}}, Ambient());
  EXPECT_TRUE(port2.skins.empty());  // RepaintNormal does nothing while disabled
  c.Resize(77, 25, 96);
  EXPECT_EQ(port2.skins, std::vector<controls::Skin>{controls::Skin::Disable});
}

TEST(WriteProperties, DefaultsAreLeftOutAndCommandComesBackAsCommand1) {
  Quiet port;
  CommandModel b(port);
  b.ReadProperties({{"Caption", std::string("Command")}}, Ambient());
  EXPECT_EQ(b.Caption(), "Command");
  PropertyBag saved;
  b.WriteProperties(saved, Ambient());
  EXPECT_EQ(saved.size(), 0u);
  EXPECT_EQ(port.skins.back(), controls::Skin::Normal);  // saving repaints Normal

  Quiet port2;
  CommandModel c(port2);
  c.ReadProperties(saved, Ambient());
  EXPECT_EQ(c.Caption(), "Command1");
}

TEST(WriteProperties, EveryChangedValueRoundTrips) {
  Quiet port;
  CommandModel b(port);
  b.ReadProperties({}, Ambient());
  b.SetEnabled(false);
  b.SetCaption("ｷｬﾝｾﾙ");
  FontDesc big = controls::DesignFont();
  big.Size = 12;
  big.Italic = true;
  b.SetFont(big);
  b.SetFontColour(0x00FF00);
  b.SetVisible(false);
  PropertyBag saved;
  b.WriteProperties(saved, Ambient());
  EXPECT_EQ(saved.Keys(), (std::vector<std::string>{"Caption", "Enabled", "Font", "FontColour",
                                                     "Visible"}));

  Quiet port2;
  CommandModel c(port2);
  c.ReadProperties(saved, Ambient());
  EXPECT_FALSE(c.state().Enabled);
  EXPECT_EQ(c.Caption(), "ｷｬﾝｾﾙ");
  EXPECT_EQ(c.Font(), big);
  EXPECT_EQ(c.label().colour, 0x00FF00);
  EXPECT_EQ(c.backStyle(), controls::kTransparent);
  EXPECT_EQ(c.state().FirstRun, 1);
}
