// The largest desk the show covers without a black monitor: the real Veskar_S loaded on a
// scripted desk of many monitors of one size (a grid, so that the window stays within
// what X can make), with the process's own limits on memory. The pictures are made
// primary first, two for each monitor; the first monitor whose pair cannot be made shows
// black, and so does every one after it that does not fit.
//   show_desk_limit_win <monitor width> <monitor height> <monitors>
// Loads that desk and counts the monitors that got pictures. When some did not, the
// largest desk that showed (that count) is loaded again, run for a few frames with the
// real library and changed (one monitor moved: its pictures made anew), and then one
// monitor more is loaded, to show what happens beyond it.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "app/session.h"
#include "show/show_win.h"
#include "win/module.h"

namespace {

std::vector<show::DeskRect> g_desk;

void LayOut(int monitors, int width, int height) {
  const int columns = int(std::ceil(std::sqrt(double(monitors))));
  g_desk.clear();
  for (int i = 0; i < monitors; ++i) {
    const int x = (i % columns) * width, y = (i / columns) * height;
    g_desk.push_back({x, y, x + width, y + height});
  }
}

struct Shown {
  int monitors = 0;
  int withPictures = 0;
  int firstBlack = -1;  // the first monitor without pictures, in the order they were made
};

Shown Count(const show::Veskar_S& form) {
  Shown s;
  for (const auto& m : form.monitors()) {
    if (m.hasPictures()) {
      ++s.withPictures;
    } else if (s.firstBlack < 0) {
      s.firstBlack = s.monitors;
    }
    ++s.monitors;
  }
  return s;
}

void Report(const char* what, const Shown& s, int width, int height) {
  const double pixels = double(s.withPictures) * width * height;
  std::printf("%-34s %2d of %2d monitors shown: %6.1f M monitor pixels, pictures %6.0f MiB", what, s.withPictures,
              s.monitors, pixels / 1e6, pixels * 8 / (1 << 20));
  if (s.firstBlack >= 0) std::printf("; black from monitor %d", s.firstBlack + 1);
  std::printf("\n");
}

// The show over the scripted desk; null when its window could not be made.
std::unique_ptr<show::Veskar_S> LoadDesk(app::Session& session, int monitors, int width, int height) {
  LayOut(monitors, width, height);
  auto form = std::make_unique<show::Veskar_S>(session, show::kEffectLibrary,
                                               [] { return show::LayOutDesk({}, g_desk); });
  if (!form->Load(false)) return nullptr;
  return form;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: show_desk_limit_win <monitor width> <monitor height> <monitors>\n");
    return 2;
  }
  const int width = _wtoi(argv[1]), height = _wtoi(argv[2]), monitors = _wtoi(argv[3]);
  app::Session session;
  session.ArgumentString = "/s";
  session.programFolder = win::ProgramFolder();

  int fits = 0;
  {
    const auto form = LoadDesk(session, monitors, width, height);
    if (!form) return 1;
    const Shown s = Count(*form);
    Report("a desk of all the monitors", s, width, height);
    if (s.withPictures == s.monitors) return 0;
    fits = s.withPictures;
  }
  if (fits > 0) {
    const auto form = LoadDesk(session, fits, width, height);
    if (!form) return 1;
    Report("the largest desk shown", Count(*form), width, height);
    for (int level : {1, 20, 40}) form->Frame(level);
    // One monitor moves: its pictures are made anew, the others kept.
    show::DeskRect& last = g_desk.back();
    last = {last.left, last.top + height, last.right, last.bottom + height};
    SendMessageW(form->hwnd(), WM_DISPLAYCHANGE, 32, 0);
    for (int level : {1, 20, 40}) form->Frame(level);
    Report("  ... after one monitor moved", Count(*form), width, height);
  }
  {
    const auto form = LoadDesk(session, fits + 1, width, height);
    if (!form) return 1;
    for (int level : {1, 20, 40}) form->Frame(level);
    Report("one monitor more", Count(*form), width, height);
  }
  return 0;
}
