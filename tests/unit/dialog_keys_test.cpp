// The settings dialog from the keyboard, without its windows: the stops Tab goes through
// as the music kind enables and disables them, which row an arrow chooses, what each key
// does at each stop; and the skinned button's Space and Enter.
#include <gtest/gtest.h>

#include <vector>

#include "controls/command_model.h"
#include "dialog/dialog_keys.h"
#include "support/command_recorder.h"

using namespace dialog;

namespace {

using Stops = std::vector<Stop>;

TEST(DialogKeys, TabOrderFollowsReadingOrderAndLeavesOutDisabledControls) {
  const Stops all{Stop::DegreeBar, Stop::MusicSource, Stop::Repeat, Stop::FileButton,
                  Stop::Set,       Stop::Cancel,      Stop::WebLink};
  EXPECT_EQ(TabOrder({true, true}), all);
  // Each music kind enables at most one of the two.
  EXPECT_EQ(TabOrder(StopsFor(ShowMusicKind(1))),
            (Stops{Stop::DegreeBar, Stop::MusicSource, Stop::Repeat, Stop::Set, Stop::Cancel, Stop::WebLink}));
  EXPECT_EQ(TabOrder(StopsFor(ShowMusicKind(2))),
            (Stops{Stop::DegreeBar, Stop::MusicSource, Stop::FileButton, Stop::Set, Stop::Cancel, Stop::WebLink}));
  EXPECT_EQ(TabOrder(StopsFor(ShowMusicKind(0))),
            (Stops{Stop::DegreeBar, Stop::MusicSource, Stop::Set, Stop::Cancel, Stop::WebLink}));
  EXPECT_EQ(TabOrder(StopsFor(ShowMusicKind(5))), TabOrder(StopsFor(ShowMusicKind(0))));
}

TEST(DialogKeys, TabAndShiftTabGoRoundTheEnabledStops) {
  for (const StopsEnabled enabled : {StopsEnabled{}, StopsEnabled{true, false}, StopsEnabled{false, true},
                                     StopsEnabled{true, true}}) {
    const Stops order = TabOrder(enabled);
    for (size_t i = 0; i < order.size(); ++i) {
      SCOPED_TRACE(StopName(order[i]));
      EXPECT_EQ(NextStop(order[i], false, enabled), order[(i + 1) % order.size()]);
      EXPECT_EQ(NextStop(order[i], true, enabled), order[(i + order.size() - 1) % order.size()]);
    }
  }
  // From a control disabled while it had the focus: on to the nearest enabled stop.
  EXPECT_EQ(NextStop(Stop::Repeat, false, {}), Stop::Set);
  EXPECT_EQ(NextStop(Stop::Repeat, true, {}), Stop::MusicSource);
  EXPECT_EQ(NextStop(Stop::FileButton, false, {true, false}), Stop::Set);
}

TEST(DialogKeys, ArrowsGoThroughTheSourceRowsFromTheTopAndRoundTheEnds) {
  // The rows stand CD (1), none (0), file (2).
  EXPECT_EQ(SourceAfterArrow(1, true), 0);
  EXPECT_EQ(SourceAfterArrow(0, true), 2);
  EXPECT_EQ(SourceAfterArrow(2, true), 1);
  EXPECT_EQ(SourceAfterArrow(2, false), 0);
  EXPECT_EQ(SourceAfterArrow(0, false), 1);
  EXPECT_EQ(SourceAfterArrow(1, false), 2);
  // No row chosen (a stored kind of 5): the first row down, the last up.
  EXPECT_EQ(SourceAfterArrow(5, true), 1);
  EXPECT_EQ(SourceAfterArrow(-1, false), 2);
}

KeyDecision At(Stop focus, Key key, bool shift = false, bool listOpen = false, bool released = false) {
  KeyContext c;
  c.focus = focus;
  c.shift = shift;
  c.listOpen = listOpen;
  c.released = released;
  return DecideKey(key, c);
}

TEST(DialogKeys, EnterIsTheDefaultButtonEscIsCancelExceptWhereAControlOwnsThem) {
  using K = KeyCommand;
  for (Stop s : {Stop::DegreeBar, Stop::MusicSource, Stop::Repeat}) {
    SCOPED_TRACE(StopName(s));
    EXPECT_EQ(At(s, Key::Enter).command, K::Confirm);
    EXPECT_EQ(At(s, Key::Escape).command, K::Cancel);
    EXPECT_EQ(At(s, Key::Tab).command, K::NextStop);
    EXPECT_EQ(At(s, Key::Tab, /*shift=*/true).command, K::PreviousStop);
  }
  for (Stop s : {Stop::FileButton, Stop::Set, Stop::Cancel}) {
    SCOPED_TRACE(StopName(s));
    EXPECT_EQ(At(s, Key::Enter).command, K::ClickFocused);
    EXPECT_EQ(At(s, Key::Space).command, K::PressFocused);
    EXPECT_EQ(At(s, Key::Space, false, false, /*released=*/true).command, K::ReleaseFocused);
    EXPECT_EQ(At(s, Key::Escape).command, K::Cancel);
  }
  EXPECT_EQ(At(Stop::WebLink, Key::Enter).command, K::OpenLink);
  EXPECT_EQ(At(Stop::WebLink, Key::Escape).command, K::Cancel);
  // The track box's open list keeps Enter, Esc and Tab; closed, it keeps only its typing.
  for (Key k : {Key::Enter, Key::Escape, Key::Tab, Key::Down}) {
    EXPECT_EQ(At(Stop::Repeat, k, false, /*listOpen=*/true).command, K::PassOn);
  }
  EXPECT_EQ(At(Stop::Repeat, Key::Down).command, K::PassOn);
  EXPECT_EQ(At(Stop::Repeat, Key::Space).command, K::PassOn);
  // A released key other than a button's Space is nobody's business here.
  EXPECT_EQ(At(Stop::MusicSource, Key::Space, false, false, true).command, K::PassOn);
  EXPECT_EQ(At(Stop::DegreeBar, Key::Enter, false, false, true).command, K::PassOn);
}

TEST(DialogKeys, TheBarStepsAndTheSourceRowsMoveWithTheArrows) {
  using K = KeyCommand;
  const struct {
    Key key;
    ScrollAction action;
    int from100;
  } bar[] = {{Key::Left, ScrollAction::LineLeft, 99},    {Key::Up, ScrollAction::LineLeft, 99},
             {Key::Right, ScrollAction::LineRight, 101}, {Key::Down, ScrollAction::LineRight, 101},
             {Key::PageUp, ScrollAction::PageLeft, 90},  {Key::PageDown, ScrollAction::PageRight, 110},
             {Key::Home, ScrollAction::ToLeft, 0},       {Key::End, ScrollAction::ToRight, 255}};
  for (const auto& c : bar) {
    const KeyDecision d = At(Stop::DegreeBar, c.key);
    EXPECT_EQ(d, (KeyDecision{K::Scroll, c.action}));
    EXPECT_EQ(ScrollTo(100, d.scroll), c.from100);
  }
  EXPECT_EQ(At(Stop::DegreeBar, Key::Space).command, K::Swallow);
  EXPECT_EQ(At(Stop::MusicSource, Key::Up).command, K::SourceUp);
  EXPECT_EQ(At(Stop::MusicSource, Key::Left).command, K::SourceUp);
  EXPECT_EQ(At(Stop::MusicSource, Key::Down).command, K::SourceDown);
  EXPECT_EQ(At(Stop::MusicSource, Key::Right).command, K::SourceDown);
  EXPECT_EQ(At(Stop::Set, Key::Down).command, K::Swallow);
}

using Ops = std::vector<std::string>;

struct Button {
  testing_support::CommandRecorder port;
  controls::CommandModel model{port};
  Button() {
    model.ReadProperties({}, controls::DesignFont());
    model.Resize(77, 25, 96);
    model.Initialize();
    model.GotFocus();
    port.ops.clear();
  }
};

TEST(CommandKeys, SpaceShowsPressedWhileHeldAndClicksOnReleaseEnterClicksAtOnce) {
  Button b;
  b.model.SpaceDown();
  b.model.SpaceDown();  // the key repeat
  EXPECT_EQ(b.port.ops, (Ops{"Pressed"}));
  b.model.SpaceUp();
  EXPECT_EQ(b.port.ops, (Ops{"Pressed", "Selected", "click"}));
  b.port.ops.clear();
  b.model.SpaceUp();  // a release with no press here
  b.model.EnterPressed();
  EXPECT_EQ(b.port.ops, (Ops{"click"}));
  EXPECT_EQ(b.model.state().ButtonState, controls::kFocused);
}

TEST(CommandKeys, SpaceReleasedAfterTheFocusLeftOrOnADisabledButtonClicksNothing) {
  Button b;
  b.model.SpaceDown();
  b.model.LostFocus();
  b.port.ops.clear();
  b.model.SpaceUp();
  EXPECT_TRUE(b.port.ops.empty());
  b.model.SetEnabled(false);
  b.port.ops.clear();
  b.model.SpaceDown();
  b.model.SpaceUp();
  b.model.EnterPressed();
  EXPECT_TRUE(b.port.ops.empty());
}

}  // namespace
