#include "show/desk.h"

#include <algorithm>

namespace show {

DeskRect Intersect(const DeskRect& a, const DeskRect& b) {
  const DeskRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
  return r.empty() ? DeskRect{} : r;
}

DeskLayout LayOutDesk(const DeskRect& virtualScreen, std::span<const DeskRect> monitors) {
  std::vector<DeskRect> shown;
  for (const DeskRect& m : monitors) {
    if (m.empty() || std::find(shown.begin(), shown.end(), m) != shown.end()) continue;
    shown.push_back(m);
  }
  if (shown.empty() && !virtualScreen.empty()) shown.push_back(virtualScreen);

  DeskLayout layout;
  if (shown.empty()) return layout;
  DeskRect box = virtualScreen.empty() ? shown.front() : virtualScreen;
  for (const DeskRect& m : shown) {
    box.left = std::min(box.left, m.left);
    box.top = std::min(box.top, m.top);
    box.right = std::max(box.right, m.right);
    box.bottom = std::max(box.bottom, m.bottom);
  }
  layout.window = box;
  for (const DeskRect& m : shown) layout.monitors.push_back({m, m.left - box.left, m.top - box.top});
  return layout;
}

std::vector<CarriedPiece> CarryOver(std::span<const MonitorPlace> before, std::span<const MonitorPlace> after) {
  std::vector<CarriedPiece> pieces;
  for (size_t to = 0; to < after.size(); ++to) {
    for (size_t from = 0; from < before.size(); ++from) {
      const DeskRect common = Intersect(before[from].screen, after[to].screen);
      if (common.empty()) continue;
      pieces.push_back({from, to, common.left - before[from].screen.left, common.top - before[from].screen.top,
                        common.left - after[to].screen.left, common.top - after[to].screen.top, common.width(),
                        common.height()});
    }
  }
  return pieces;
}

DeskChange PlanDeskChange(std::span<const MonitorPlace> before, std::span<const MonitorPlace> after) {
  DeskChange change;
  for (const MonitorPlace& now : after) {
    const auto same = std::find_if(before.begin(), before.end(),
                                   [&](const MonitorPlace& old) { return old.screen == now.screen; });
    change.keeps.push_back(same == before.end() ? std::nullopt
                                                : std::optional<size_t>(size_t(same - before.begin())));
  }
  for (const CarriedPiece& piece : CarryOver(before, after)) {
    if (!change.keeps[piece.to]) change.pieces.push_back(piece);
  }
  return change;
}

std::vector<bool> FallBackMonitors(std::span<const Capture> captures) {
  const bool anyDesktop = std::find(captures.begin(), captures.end(), Capture::Desktop) != captures.end();
  std::vector<bool> fallBack;
  fallBack.reserve(captures.size());
  for (const Capture c : captures) {
    fallBack.push_back(c == Capture::CopyFailed || (c == Capture::OneColour && !anyDesktop));
  }
  return fallBack;
}

}  // namespace show
