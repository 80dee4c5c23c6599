// Which way up the rows of each picture the effects library has met lie. A DIB section's
// row order never changes, so it is found out once per picture (the library reads or
// rewrites pixels through GDI to learn it) and kept for as long as the picture lives:
// every picture of the show, two for each monitor of a desk of any size, is looked at
// once, not on every frame.
//
// A picture is known by its bitmap handle, its bits and its size; a handle that comes back
// for another bitmap therefore misses. The table grows with the pictures alive at once:
// before it grows, the pictures that are gone (the caller says which) are dropped.
#pragma once
#include <cstddef>
#include <optional>
#include <vector>

namespace effects {

class RowOrders {
 public:
  struct Picture {
    const void* bitmap = nullptr;
    const void* bits = nullptr;
    int width = 0;
    int height = 0;
    bool operator==(const Picture&) const = default;
  };

  // True for rows top-down in memory, false for bottom-up; nothing when not known.
  std::optional<bool> Find(const Picture& picture) const {
    for (const Entry& e : entries_) {
      if (e.picture == picture) return e.topDown;
    }
    return std::nullopt;
  }

  // Keeps a picture's order. `alive(picture)` says whether a picture kept earlier still
  // exists as it was; it is asked only when the table is full. May throw std::bad_alloc.
  template <typename Alive>
  void Remember(const Picture& picture, bool topDown, Alive&& alive) {
    for (Entry& e : entries_) {
      if (e.picture.bitmap == picture.bitmap) {  // the handle now names another picture
        e = {picture, topDown};
        return;
      }
    }
    if (entries_.size() == entries_.capacity()) {
      std::erase_if(entries_, [&](const Entry& e) { return !alive(e.picture); });
    }
    entries_.push_back({picture, topDown});
  }

  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    Picture picture;
    bool topDown;
  };
  std::vector<Entry> entries_;
};

}  // namespace effects
