// The settings dialog's focus, without its windows: each rule as a row of one table
// (the value before, the event, the value after, and what the shell is to do).
#include <gtest/gtest.h>

#include <ostream>

#include "dialog/dialog_focus.h"

namespace dialog {

// Readable failures.
void PrintTo(const Focus& f, std::ostream* os) {
  *os << StopName(f.stop) << (f.here ? " here" : " away") << ", cue " << CueName(f.cue);
}
void PrintTo(const FocusEffects& e, std::ostream* os) {
  if (e.moveTo) *os << "move to " << StopName(*e.moveTo) << "; ";
  if (e.tellBar) *os << "tell the bar; ";
  if (e.holdBar) *os << "hold the bar; ";
  if (e.redraw) *os << "redraw; ";
  if (e.announce) *os << "announce " << StopName(*e.announce) << "; ";
  *os << "(effects)";
}

namespace {

using K = FocusEventKind;
using S = Stop;

Focus Here(Stop s, Cue c = Cue::Shown) { return {s, true, c}; }
Focus Away(Stop s, Cue c = Cue::Shown) { return {s, false, c}; }

FocusEvent Event(K kind, Stop stop = kFirstStop, bool cuesShown = true, StopsEnabled enabled = {true, true}) {
  return {kind, stop, cuesShown, enabled};
}
constexpr bool kCuesOff = false;

struct Fx {
  FocusEffects e;
  Fx& move(Stop s) { e.moveTo = s; return *this; }
  Fx& tell() { e.tellBar = true; return *this; }
  Fx& hold() { e.holdBar = true; return *this; }
  Fx& redraw() { e.redraw = true; return *this; }
  Fx& announce(Stop s) { e.announce = s; return *this; }
};

struct Row {
  const char* rule;
  Focus before;
  FocusEvent event;
  Focus after;
  FocusEffects effects;
};

TEST(DialogFocus, EachEventMovesTheFocusAsTheTableSays) {
  const Focus opened{};
  const Row rows[] = {
      // The opening: the first stop, its caret held until the keyboard or a click is used.
      {"the first activation goes to the first stop", opened, Event(K::Activated), opened, Fx().move(S::DegreeBar).e},
      {"the opening's focus holds the caret even with cues on", opened, Event(K::Arrived, S::DegreeBar),
       Here(S::DegreeBar, Cue::Opening), Fx().hold().e},
      {"a request for where it is does nothing", Here(S::DegreeBar, Cue::Opening), Event(K::Requested, S::DegreeBar),
       Here(S::DegreeBar, Cue::Opening), {}},
      {"the first key shows the caret", Here(S::DegreeBar, Cue::Opening), Event(K::KeyPressed),
       Here(S::DegreeBar), Fx().tell().e},
      {"the first key with the cues off leaves it to them", Here(S::DegreeBar, Cue::Opening),
       Event(K::KeyPressed, S::DegreeBar, kCuesOff), Here(S::DegreeBar, Cue::CuesOff), {}},
      {"a click on the bar shows the caret", Here(S::DegreeBar, Cue::Opening), Event(K::BarPressed),
       Here(S::DegreeBar), Fx().tell().e},
      {"a click on the bar with the cues off leaves it to them", Here(S::DegreeBar, Cue::Opening),
       Event(K::BarPressed, S::DegreeBar, kCuesOff), Here(S::DegreeBar, Cue::CuesOff), {}},
      {"the cues alone do not end the opening's quiet", Here(S::DegreeBar, Cue::Opening), Event(K::CuesChanged),
       Here(S::DegreeBar, Cue::Opening), {}},
      {"the bar that loses the focus loses the quiet", Here(S::DegreeBar, Cue::Opening), Event(K::Left, S::DegreeBar),
       Away(S::DegreeBar), {}},
      {"a key before the bar had the focus ends the quiet", opened, Event(K::KeyPressed), Away(S::DegreeBar), {}},
      {"a key later changes nothing", Here(S::Set), Event(K::KeyPressed), Here(S::Set), {}},

      // The bar's caret and the keyboard cues.
      {"the bar given the focus with cues on shows it", Away(S::Set), Event(K::Arrived, S::DegreeBar),
       Here(S::DegreeBar), {}},
      {"the bar given the focus with cues off waits", Away(S::Set), Event(K::Arrived, S::DegreeBar, kCuesOff),
       Here(S::DegreeBar, Cue::CuesOff), Fx().hold().e},
      {"the cues coming on tell the waiting bar", Here(S::DegreeBar, Cue::CuesOff), Event(K::CuesChanged),
       Here(S::DegreeBar), Fx().tell().e},
      {"the cues going off tell nothing", Here(S::DegreeBar, Cue::CuesOff),
       Event(K::CuesChanged, S::DegreeBar, kCuesOff), Here(S::DegreeBar, Cue::CuesOff), {}},
      {"a key leaves the waiting bar to the cues", Here(S::DegreeBar, Cue::CuesOff), Event(K::KeyPressed),
       Here(S::DegreeBar, Cue::CuesOff), {}},
      {"a click on the waiting bar tells it once the cues show", Here(S::DegreeBar, Cue::CuesOff),
       Event(K::BarPressed), Here(S::DegreeBar), Fx().tell().e},
      {"a click on a bar that shows its caret changes nothing", Here(S::DegreeBar), Event(K::BarPressed),
       Here(S::DegreeBar), {}},

      // Tab through the stops: the value follows the control that takes the focus.
      {"Tab asks the next control", Here(S::DegreeBar), Event(K::Requested, S::MusicSource), Here(S::DegreeBar),
       Fx().move(S::MusicSource).e},
      {"the source choice framed and announced", Away(S::DegreeBar), Event(K::Arrived, S::MusicSource),
       Here(S::MusicSource), Fx().redraw().announce(S::MusicSource).e},
      {"its frame goes with the focus", Here(S::MusicSource), Event(K::Left, S::MusicSource), Away(S::MusicSource),
       Fx().redraw().e},
      {"a button takes it", Away(S::MusicSource), Event(K::Arrived, S::Cancel), Here(S::Cancel), {}},
      {"the web address is marked before the window takes the focus", Here(S::Cancel),
       Event(K::Requested, S::WebLink), Away(S::WebLink), Fx().move(S::WebLink).announce(S::WebLink).e},
      {"the control it leaves no longer counts", Away(S::WebLink), Event(K::Left, S::Cancel), Away(S::WebLink), {}},
      {"the window's focus is the address when asked for", Away(S::WebLink), Event(K::WindowFocused),
       Here(S::WebLink), Fx().redraw().e},
      {"asked again, the address is only announced", Here(S::WebLink), Event(K::Requested, S::WebLink),
       Here(S::WebLink), Fx().announce(S::WebLink).e},
      {"from the address Tab goes round to the bar", Here(S::WebLink), Event(K::Requested, S::DegreeBar),
       Here(S::WebLink), Fx().move(S::DegreeBar).e},
      {"the address loses its frame with the window's focus", Here(S::WebLink), Event(K::Left, S::WebLink),
       Away(S::WebLink), Fx().redraw().e},
      {"the window's focus not asked for goes on to the first stop", Away(S::Set), Event(K::WindowFocused),
       Away(S::Set), Fx().move(S::DegreeBar).e},

      // Another window active, then the dialog again: the focus comes back where it was.
      {"deactivated, the stop is kept", Here(S::Set), Event(K::Deactivated), Away(S::Set), {}},
      {"deactivated, the frame goes", Here(S::MusicSource), Event(K::Deactivated), Away(S::MusicSource),
       Fx().redraw().e},
      {"activated, back to the button", Away(S::Set), Event(K::Activated), Away(S::Set), Fx().move(S::Set).e},
      {"activated, back to the address", Away(S::WebLink), Event(K::Activated), Away(S::WebLink),
       Fx().move(S::WebLink).e},
      {"activated, a stop that cannot take it now gives the first", Away(S::FileButton),
       Event(K::Activated, kFirstStop, true, {true, false}), Away(S::FileButton), Fx().move(S::DegreeBar).e},
      {"activated with the focus in the dialog already", Here(S::Set), Event(K::Activated), Here(S::Set), {}},

      // Another row chosen: a control about to be disabled hands the focus to the sources.
      {"the track box going out of use hands it on", Here(S::Repeat),
       Event(K::StopsChanging, kFirstStop, true, {false, true}), Here(S::Repeat), Fx().move(S::MusicSource).e},
      {"so does the file button", Here(S::FileButton), Event(K::StopsChanging, kFirstStop, true, {false, false}),
       Here(S::FileButton), Fx().move(S::MusicSource).e},
      {"away, it comes back to the sources", Away(S::Repeat), Event(K::StopsChanging, kFirstStop, true, {false, true}),
       Away(S::MusicSource), {}},
      {"a control still in use keeps it", Here(S::Repeat), Event(K::StopsChanging, kFirstStop, true, {true, false}),
       Here(S::Repeat), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    const FocusStep step = NextFocus(row.before, row.event);
    EXPECT_EQ(step.focus, row.after);
    EXPECT_EQ(step.effects, row.effects);
  }
}

TEST(DialogFocus, AwayTheKeysAndTheFramesSeeTheFirstStop) {
  EXPECT_EQ(FocusedStop(Here(S::WebLink)), S::WebLink);
  EXPECT_EQ(FocusedStop(Away(S::WebLink)), kFirstStop);
}

}  // namespace
}  // namespace dialog
