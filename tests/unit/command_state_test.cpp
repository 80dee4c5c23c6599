// The skinned button's behaviour without a window: the state table row by row, the
// sequences a user makes with the mouse and the focus, and what reading and setting the
// properties paints and reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/command_model.h"

using controls::CommandModel;
using controls::MouseButton;
using controls::Skin;

namespace {

// Records what the control asks of its window, as short words: a skin name for each
// PaintSkin ("~" marks an inverted gradient when asked), "report:<name>", "click",
// "timer:on".
class Recorder : public controls::CommandPort {
 public:
  void PaintSkin(const controls::SkinPaint& p) override {
    ops.push_back(controls::SkinName(p.skin));
    paints.push_back(p);
  }
  void LookChanged() override { ++lookChanges; }
  void PropertyChanged(std::string_view name) override {
    ops.push_back("report:" + std::string(name));
  }
  void Click() override { ops.push_back("click"); }
  void HoverTimer(bool enabled, unsigned intervalMs) override {
    ops.push_back(enabled ? "timer:on" : "timer:off");
    interval = intervalMs;
  }
  void clear() {
    ops.clear();
    paints.clear();
    lookChanges = 0;
  }

  std::vector<std::string> ops;
  std::vector<controls::SkinPaint> paints;
  int lookChanges = 0;
  unsigned interval = 0;
};

using Ops = std::vector<std::string>;

// A control on a 77 x 25-pixel host, enabled the way a loaded instance is (an empty bag
// reads as enabled, FirstRun 1), then sized.
struct Fixture {
  Recorder port;
  CommandModel button{port};
  Fixture() {
    button.ReadProperties({}, controls::DesignFont());
    button.Resize(77, 25, 96);
    port.clear();
  }
  uint8_t state() const { return button.state().ButtonState; }
};

enum class Trigger { Move, Tick, TickOver, Focus, Blur, LeftDown, LeftUp, RightDown, RightUp, MiddleUp };

const char* TriggerName(Trigger t) {
  switch (t) {
    case Trigger::Move: return "move";
    case Trigger::Tick: return "tick (pointer elsewhere)";
    case Trigger::TickOver: return "tick (pointer over)";
    case Trigger::Focus: return "focus gained";
    case Trigger::Blur: return "focus lost";
    case Trigger::LeftDown: return "left down";
    case Trigger::LeftUp: return "left up";
    case Trigger::RightDown: return "right down";
    case Trigger::RightUp: return "right up";
    case Trigger::MiddleUp: return "middle up";
  }
  return "?";
}

void Apply(CommandModel& b, Trigger t) {
  switch (t) {
    case Trigger::Move: b.MouseMove(); break;
    case Trigger::Tick: b.TimerTick(true); break;
    case Trigger::TickOver: b.TimerTick(false); break;
    case Trigger::Focus: b.GotFocus(); break;
    case Trigger::Blur: b.LostFocus(); break;
    case Trigger::LeftDown: b.MouseDown(MouseButton::Left); break;
    case Trigger::LeftUp: b.MouseUp(MouseButton::Left); break;
    case Trigger::RightDown: b.MouseDown(MouseButton::Right); break;
    case Trigger::RightUp: b.MouseUp(MouseButton::Right); break;
    case Trigger::MiddleUp: b.MouseUp(MouseButton::Middle); break;
  }
}

// Brings a fresh control into `state` through the events a user makes, with the left
// button held or not. State 0 is the control before Initialize.
void Arrange(Fixture& f, uint8_t state, bool held) {
  if (state != 0) f.button.Initialize();
  if (state == 3 || state == 4) f.button.GotFocus();  // from 1: Selected
  if (state == 2 || state == 4) f.button.MouseMove();
  if (held) f.button.MouseDown(MouseButton::Left);
  ASSERT_EQ(f.state(), state);
  ASSERT_EQ(f.button.state().MouseHeld, held);
  f.port.clear();
}

}  // namespace

TEST(CommandStateTable, EveryTriggerFromEveryState) {
  struct Row {
    uint8_t from;
    bool held;
    Trigger trigger;
    uint8_t to;
    bool heldAfter;
    Ops ops;
  };
  const Row rows[] = {
      // Mouse moves over the control: 1 -> 2 HighLight; 3 -> 4 HighLightSelect unless held.
      {0, false, Trigger::Move, 0, false, {}},
      {1, false, Trigger::Move, 2, false, {"HighLight"}},
      {1, true, Trigger::Move, 2, true, {"HighLight"}},
      {2, false, Trigger::Move, 2, false, {}},
      {3, false, Trigger::Move, 4, false, {"HighLightSelect"}},
      {3, true, Trigger::Move, 3, true, {}},
      {4, false, Trigger::Move, 4, false, {}},
      // Timer tick with the pointer elsewhere: 2 -> 1 Normal, 4 -> 3 Selected.
      {1, false, Trigger::Tick, 1, false, {}},
      {2, false, Trigger::Tick, 1, false, {"Normal"}},
      {3, false, Trigger::Tick, 3, false, {}},
      {4, false, Trigger::Tick, 3, false, {"Selected"}},
      {4, true, Trigger::Tick, 3, true, {"Selected"}},
      {2, false, Trigger::TickOver, 2, false, {}},
      {4, false, Trigger::TickOver, 4, false, {}},
      // Focus gained: from 2 to 4 with the Pressed look, from anything else to 3.
      {0, false, Trigger::Focus, 3, false, {"Selected"}},
      {1, false, Trigger::Focus, 3, false, {"Selected"}},
      {2, false, Trigger::Focus, 4, false, {"Pressed"}},
      {3, false, Trigger::Focus, 3, false, {"Selected"}},
      {4, false, Trigger::Focus, 3, false, {"Selected"}},
      // Focus lost: to 1 with Normal unless already 1.
      {0, false, Trigger::Blur, 1, false, {"Normal"}},
      {1, false, Trigger::Blur, 1, false, {}},
      {2, false, Trigger::Blur, 1, false, {"Normal"}},
      {3, false, Trigger::Blur, 1, false, {"Normal"}},
      {4, true, Trigger::Blur, 1, true, {"Normal"}},
      // Left down: Pressed and MouseHeld, whatever the state, which stays.
      {0, false, Trigger::LeftDown, 0, true, {"Pressed"}},
      {1, false, Trigger::LeftDown, 1, true, {"Pressed"}},
      {2, false, Trigger::LeftDown, 2, true, {"Pressed"}},
      {3, false, Trigger::LeftDown, 3, true, {"Pressed"}},
      {4, false, Trigger::LeftDown, 4, true, {"Pressed"}},
      // Left up: Normal in 2, HighLightSelect in 4; Click unless 3.
      {0, true, Trigger::LeftUp, 0, false, {"click"}},
      {1, true, Trigger::LeftUp, 1, false, {"click"}},
      {2, true, Trigger::LeftUp, 2, false, {"Normal", "click"}},
      {3, true, Trigger::LeftUp, 3, false, {}},
      {4, true, Trigger::LeftUp, 4, false, {"HighLightSelect", "click"}},
      {2, false, Trigger::LeftUp, 2, false, {"Normal", "click"}},
      // Right and middle: no look, no MouseHeld; Click unless 3.
      {2, false, Trigger::RightDown, 2, false, {}},
      {4, true, Trigger::RightDown, 4, true, {}},
      {0, false, Trigger::RightUp, 0, false, {"click"}},
      {1, false, Trigger::RightUp, 1, false, {"click"}},
      {2, false, Trigger::RightUp, 2, false, {"click"}},
      {3, false, Trigger::RightUp, 3, false, {}},
      {4, true, Trigger::RightUp, 4, true, {"click"}},
      {4, false, Trigger::MiddleUp, 4, false, {"click"}},
      {3, true, Trigger::MiddleUp, 3, true, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "state " << int(r.from) << (r.held ? " held" : "") << ", "
                                    << TriggerName(r.trigger));
    Fixture f;
    Arrange(f, r.from, r.held);
    Apply(f.button, r.trigger);
    EXPECT_EQ(f.state(), r.to);
    EXPECT_EQ(f.button.state().MouseHeld, r.heldAfter);
    EXPECT_EQ(f.port.ops, r.ops);
  }
}

TEST(CommandStateTable, DisabledIgnoresEveryTriggerButResize) {
  for (uint8_t from = 0; from <= 4; ++from) {
    for (Trigger t : {Trigger::Move, Trigger::Tick, Trigger::Focus, Trigger::Blur,
                      Trigger::LeftDown, Trigger::LeftUp, Trigger::RightUp}) {
      SCOPED_TRACE(testing::Message() << "state " << int(from) << ", " << TriggerName(t));
      Fixture f;
      Arrange(f, from, false);
      f.button.SetEnabled(false);
      f.port.clear();
      Apply(f.button, t);
      EXPECT_EQ(f.state(), from);
      EXPECT_TRUE(f.port.ops.empty());
    }
  }
  Fixture f;
  f.button.SetEnabled(false);
  f.port.clear();
  f.button.Resize(80, 30, 96);
  EXPECT_EQ(f.port.ops, Ops{"Disable"});
  EXPECT_FALSE(f.button.label().enabled);
}

TEST(CommandStateTable, GradientFollowsTheStateAndStates0And4KeepIt) {
  Fixture f;
  f.button.Initialize();
  f.button.MouseMove();  // 2: HighLight, lavender on top
  ASSERT_EQ(f.port.paints.size(), 1u);
  EXPECT_TRUE(f.port.paints.back().gradientInverted);
  f.button.GotFocus();  // 4 entered from 2: Pressed, keeps the inverted face
  EXPECT_TRUE(f.port.paints.back().gradientInverted);
  EXPECT_EQ(f.port.paints.back().skin, Skin::Pressed);
  f.button.TimerTick(true);  // 3: Selected, white on top again
  EXPECT_FALSE(f.port.paints.back().gradientInverted);
  f.button.MouseMove();  // 4 from 3: keeps white on top
  EXPECT_FALSE(f.port.paints.back().gradientInverted);
  EXPECT_EQ(f.port.paints.back().skin, Skin::HighLightSelect);

  // Release in state 2: the Normal skin over a hover face.
  Fixture g;
  g.button.Initialize();
  g.button.MouseMove();
  g.button.MouseUp(MouseButton::Left);
  EXPECT_EQ(g.port.paints.back().skin, Skin::Normal);
  EXPECT_TRUE(g.port.paints.back().gradientInverted);
}

// ---------------------------------------------------------------- user sequences

TEST(CommandSequences, BeforeInitialize) {
  Fixture f;
  f.button.MouseMove();
  f.button.TimerTick(true);
  EXPECT_EQ(f.state(), 0);
  EXPECT_TRUE(f.port.ops.empty());
  f.button.GotFocus();  // first focus: Selected
  EXPECT_EQ(f.state(), 3);
  f.button.LostFocus();
  EXPECT_EQ(f.state(), 1);
  f.button.MouseMove();  // from now on the hover look works...
  EXPECT_EQ(f.state(), 2);
  f.button.TimerTick(true);  // ...but without Initialize the timer never runs
  EXPECT_EQ(f.state(), 2);
  EXPECT_EQ(f.port.ops, (Ops{"Selected", "Normal", "HighLight"}));
}

TEST(CommandSequences, InitializeStartsTheHoverTimerAndPaintsNothing) {
  Fixture f;
  f.button.SetEnabled(false);
  f.port.clear();
  f.button.Initialize();  // whether or not enabled
  EXPECT_EQ(f.state(), 1);
  EXPECT_EQ(f.port.ops, Ops{"timer:on"});
  EXPECT_EQ(f.port.interval, 100u);
}

TEST(CommandSequences, ClickOnAnUnfocusedButton) {
  Fixture f;
  f.button.Initialize();
  f.button.MouseMove();
  f.button.GotFocus();  // the press brings the focus first
  f.button.MouseDown(MouseButton::Left);
  f.button.MouseUp(MouseButton::Left);
  EXPECT_EQ(f.state(), 4);
  EXPECT_EQ(f.port.ops,
            (Ops{"timer:on", "HighLight", "Pressed", "Pressed", "HighLightSelect", "click"}));
}

TEST(CommandSequences, PressDragOutReleaseOutsideGivesNoClick) {
  Fixture f;
  f.button.Initialize();
  f.button.MouseMove();
  f.button.GotFocus();
  f.button.MouseDown(MouseButton::Left);
  f.port.clear();
  f.button.TimerTick(true);  // the pointer has left
  EXPECT_EQ(f.state(), 3);
  f.button.MouseUp(MouseButton::Left);
  EXPECT_EQ(f.port.ops, Ops{"Selected"});

  // Out and back in with the button still down: MouseHeld keeps state 3, no Click; the
  // next move without a button gives HighLightSelect.
  f.button.MouseDown(MouseButton::Left);
  f.button.TimerTick(true);
  f.button.MouseMove();
  EXPECT_EQ(f.state(), 3);
  f.port.clear();
  f.button.MouseUp(MouseButton::Left);
  EXPECT_EQ(f.port.ops, Ops{});
  f.button.MouseMove();
  EXPECT_EQ(f.state(), 4);
  EXPECT_EQ(f.port.ops, Ops{"HighLightSelect"});
}

TEST(CommandSequences, ReleaseInState2PaintsNormalUntilThePointerComesBack) {
  Fixture f;
  f.button.Initialize();
  f.button.MouseMove();
  f.button.MouseDown(MouseButton::Left);  // focus stayed elsewhere
  f.button.MouseUp(MouseButton::Left);
  f.button.MouseMove();  // still over it: no hover look yet
  EXPECT_EQ(f.port.ops, (Ops{"timer:on", "HighLight", "Pressed", "Normal", "click"}));
  f.port.clear();
  f.button.TimerTick(true);
  f.button.MouseMove();
  EXPECT_EQ(f.port.ops, (Ops{"Normal", "HighLight"}));
}

TEST(CommandSequences, EnablingRepaintsNormalAndKeepsTheState) {
  Fixture f;
  f.button.Initialize();
  f.button.GotFocus();
  f.button.MouseMove();
  f.port.clear();
  f.button.SetEnabled(false);
  f.button.SetEnabled(true);
  EXPECT_EQ(f.state(), 4);
  EXPECT_EQ(f.port.ops, (Ops{"report:Enabled", "Disable", "report:Enabled", "Normal"}));
  EXPECT_TRUE(f.button.label().enabled);
}

// ---------------------------------------------------------------- properties

TEST(CommandProperties, ReadingRepaints) {
  Fixture f;
  f.button.Initialize();
  f.button.MouseMove();
  f.port.clear();
  EXPECT_EQ(f.button.FontColour(), 0);
  EXPECT_TRUE(f.button.Visible());
  EXPECT_TRUE(f.button.Enabled());
  EXPECT_EQ(f.button.Caption(), "Command1");
  EXPECT_EQ(f.port.ops, (Ops{"Normal", "Normal", "Normal"}));
  EXPECT_EQ(f.state(), 2);  // repainting never changes the state

  f.button.SetEnabled(false);
  f.port.clear();
  EXPECT_EQ(f.button.FontColour(), 0);  // disabled: RepaintNormal does nothing
  EXPECT_FALSE(f.button.Enabled());
  EXPECT_EQ(f.port.ops, Ops{"Disable"});

  f.button.SetVisible(false);
  f.port.clear();
  EXPECT_FALSE(f.button.Visible());  // transparent: no repaint
  EXPECT_EQ(f.port.ops, Ops{});
}

TEST(CommandProperties, SettersReportAndRepaintAsDocumented) {
  Fixture f;
  f.button.SetVisible(false);
  EXPECT_EQ(f.button.backStyle(), controls::kTransparent);
  f.button.SetVisible(true);
  EXPECT_EQ(f.button.backStyle(), controls::kOpaque);
  f.button.SetFontColour(0x0000FF);
  EXPECT_EQ(f.button.label().colour, 0x0000FF);
  f.button.SetCaption("設定");
  controls::FontDesc bold = controls::DesignFont();
  bold.Weight = 700;
  f.button.SetFont(bold);
  EXPECT_EQ(f.button.Font(), bold);
  EXPECT_EQ(f.port.ops, (Ops{"report:Visible", "Normal", "report:Visible", "Normal",
                             "report:FontColour", "report:Caption", "report:Font"}));
}

TEST(CommandProperties, CaptionChangeMovesNothingUntilTheNextPaint) {
  Fixture f;
  const controls::CaptionLayout before = f.button.label().layout;
  f.button.SetCaption("ずっと長いキャプション");
  EXPECT_EQ(f.button.label().layout.pixels, before.pixels);
  EXPECT_GT(f.port.lookChanges, 0);  // the label redraws its text where it stands
  f.button.Resize(120, 40, 96);
  EXPECT_EQ(f.button.label().layout.pixels.width, 120);
}

TEST(CommandProperties, ARefusedColourFailsTheSetterSoftly) {
  Fixture f;
  f.button.SetFontColour(0x00123456);
  f.port.clear();
  f.button.SetFontColour(0x12345678);  // neither RGB nor a system colour
  EXPECT_EQ(f.button.label().colour, 0x00123456);
  EXPECT_EQ(f.port.ops, Ops{"Normal"});  // repainted, not reported
  f.button.SetFontColour(static_cast<int32_t>(0x80000012u));  // COLOR_BTNTEXT
  EXPECT_EQ(f.button.label().colour, static_cast<int32_t>(0x80000012u));
}

TEST(CommandProperties, FirstRunRule) {
  // A newly placed instance: disabled, FirstRun 0, until something asks for Enabled.
  Recorder port;
  CommandModel b(port);
  b.Resize(77, 25, 96);
  EXPECT_EQ(port.ops, Ops{"Disable"});
  port.clear();
  EXPECT_TRUE(b.Enabled());
  EXPECT_EQ(b.state().FirstRun, 1);
  EXPECT_EQ(port.ops, Ops{"Normal"});  // RepaintNormal first did nothing: still disabled
  controls::PropertyBag bag;
  b.WriteProperties(bag, controls::DesignFont());
  EXPECT_FALSE(bag.Contains("Enabled"));
  EXPECT_FALSE(bag.Contains("FirstRun"));

  // While FirstRun is 0, an enabled control's repaint turns the caption black again.
  Recorder port2;
  CommandModel c(port2);
  c.SetEnabled(true);
  c.SetFontColour(0x0000FF);
  EXPECT_EQ(c.label().colour, 0);
  EXPECT_EQ(c.state().FirstRun, 0);
  EXPECT_EQ(c.FontColour(), 0);
}

TEST(CommandProperties, FontColourGetterReturnsTheColourBeforeTheRepaintResetsIt) {
  // Stored FirstRun 0 with a disabled control keeps the colour; enabling and reading
  // hands it out once, then the repaint turns it black.
  Recorder port;
  CommandModel b(port);
  b.ReadProperties({{"FirstRun", int32_t{0}}, {"FontColour", int32_t{0xFF}}, {"Enabled", false}},
                   controls::DesignFont());
  EXPECT_EQ(b.label().colour, 0xFF);
  b.SetEnabled(true);  // ShowEnabledState paints Normal; RepaintNormal does not run
  EXPECT_EQ(b.label().colour, 0xFF);
  EXPECT_EQ(b.FontColour(), 0xFF);
  EXPECT_EQ(b.label().colour, 0);
}
