#include "dialog/dialog_keys.h"

#include <algorithm>

namespace dialog {

namespace {

constexpr std::array<Stop, kStopCount> kReadingOrder{Stop::DegreeBar, Stop::MusicSource,
                                                     Stop::Repeat,    Stop::FileButton,
                                                     Stop::Set,       Stop::Cancel,
                                                     Stop::WebLink};

bool IsButton(Stop stop) {
  return stop == Stop::FileButton || stop == Stop::Set || stop == Stop::Cancel;
}

}  // namespace

std::string_view StopName(Stop stop) {
  switch (stop) {
    case Stop::DegreeBar: return "HS_Doai";
    case Stop::MusicSource: return "Img_BGM";
    case Stop::Repeat: return "BGM_Repeat";
    case Stop::FileButton: return "Cmd_File";
    case Stop::Set: return "Cmd_Set";
    case Stop::Cancel: return "Cmd_Can";
    case Stop::WebLink: return "lbl_URL";
  }
  return "?";
}

StopsEnabled StopsFor(const MusicKindView& view) { return {view.repeatEnabled, view.fileEnabled}; }

bool CanFocus(Stop stop, StopsEnabled enabled) {
  if (stop == Stop::Repeat) return enabled.repeat;
  if (stop == Stop::FileButton) return enabled.file;
  return true;
}

std::vector<Stop> TabOrder(StopsEnabled enabled) {
  std::vector<Stop> order;
  for (Stop s : kReadingOrder) {
    if (CanFocus(s, enabled)) order.push_back(s);
  }
  return order;
}

Stop NextStop(Stop from, bool backward, StopsEnabled enabled) {
  const auto at = std::find(kReadingOrder.begin(), kReadingOrder.end(), from);
  int i = at == kReadingOrder.end() ? 0 : static_cast<int>(at - kReadingOrder.begin());
  // The degree bar, the source choice and the buttons are always there: this ends.
  for (;;) {
    i = (i + (backward ? kStopCount - 1 : 1)) % kStopCount;
    const Stop s = kReadingOrder[static_cast<size_t>(i)];
    if (CanFocus(s, enabled)) return s;
  }
}

int SourceAfterArrow(int kind, bool down) {
  const auto at = std::find(kRowsTopDown.begin(), kRowsTopDown.end(), kind);
  if (at == kRowsTopDown.end()) return down ? kRowsTopDown.front() : kRowsTopDown.back();
  const int i = static_cast<int>(at - kRowsTopDown.begin());
  const int n = static_cast<int>(kRowsTopDown.size());
  return kRowsTopDown[static_cast<size_t>((i + (down ? 1 : n - 1)) % n)];
}

KeyDecision DecideKey(Key key, const KeyContext& c) {
  using K = KeyCommand;
  if (c.released) {
    // Only a Space let go on a button means something: its click.
    if (key == Key::Space && IsButton(c.focus)) return {K::ReleaseFocused};
    return {K::PassOn};
  }
  // An open list keeps its own keys: Enter takes the entry, Esc closes the list, Tab too.
  if (c.focus == Stop::Repeat && c.listOpen) return {K::PassOn};
  switch (key) {
    case Key::Tab: return {c.shift ? K::PreviousStop : K::NextStop};
    case Key::Escape: return {K::Cancel};
    case Key::Enter:
      if (IsButton(c.focus)) return {K::ClickFocused};
      if (c.focus == Stop::WebLink) return {K::OpenLink};
      return {K::Confirm};
    default: break;
  }
  switch (c.focus) {
    case Stop::DegreeBar:
      switch (key) {
        case Key::Left: case Key::Up: return {K::Scroll, ScrollAction::LineLeft};
        case Key::Right: case Key::Down: return {K::Scroll, ScrollAction::LineRight};
        case Key::PageUp: return {K::Scroll, ScrollAction::PageLeft};
        case Key::PageDown: return {K::Scroll, ScrollAction::PageRight};
        case Key::Home: return {K::Scroll, ScrollAction::ToLeft};
        case Key::End: return {K::Scroll, ScrollAction::ToRight};
        default: return {K::Swallow};
      }
    case Stop::MusicSource:
      if (key == Key::Up || key == Key::Left) return {K::SourceUp};
      if (key == Key::Down || key == Key::Right) return {K::SourceDown};
      return {K::Swallow};
    case Stop::FileButton:
    case Stop::Set:
    case Stop::Cancel:
      return {key == Key::Space ? K::PressFocused : K::Swallow};
    case Stop::Repeat:
      return {K::PassOn};  // typing, the arrows through the entries, F4 and Alt+Down
    case Stop::WebLink:
      return {K::Swallow};
  }
  return {K::PassOn};
}

}  // namespace dialog
