// Form::FitTexts: captions get the room their text takes. Fonts differ from the design's
// (Wine's stand-ins for Segoe UI, larger text) and translations differ in length, so the
// room is measured, not assumed.
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "platform/ui/backend.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace ui {

namespace {

// What a control takes besides its text, in pixels at 96 DPI: the box and its gap for
// check boxes and radio buttons, the frame's inset on both sides of a group's caption, a
// button's margins, and for every text two pixels where a last letter's ink may reach past
// its advance.
constexpr int kInk = 2;
constexpr int kBoxAndGap = 20;
constexpr int kGroupInsets = 20;
constexpr int kButtonMargins = 16;

int Px(int v, int dpi) { return (v * dpi + 48) / 96; }

// The width a control's text needs, or nothing for a control whose width is not about its
// text: no caption, a caption filled at run time (empty in the design: the longest it will
// show is not known, so it keeps its width), a wrapped or self-sizing label.
std::optional<int> Need(Backend& backend, const Control& c, int dpi, const std::set<const Control*>& runTime) {
  const auto* captioned = dynamic_cast<const CaptionedControl*>(&c);
  if (!captioned || captioned->Caption().empty() || runTime.count(&c)) return std::nullopt;
  int chrome = 0;
  switch (c.GetKind()) {
    case Kind::Label: {
      const auto& label = static_cast<const Label&>(c);
      if (label.WordWrap() || label.AutoSize()) return std::nullopt;
      break;
    }
    case Kind::CheckBox:
    case Kind::RadioButton: chrome = kBoxAndGap; break;
    case Kind::GroupBox: chrome = kGroupInsets; break;
    case Kind::Button: chrome = kButtonMargins; break;
    default: return std::nullopt;
  }
  return backend.TextWidth(c, captioned->Caption()) + Px(chrome + kInk, dpi);
}

struct Item {
  Control* control;
  int width;
  std::optional<int> need;
  int Wants() const { return need ? std::max(*need, 0) : width; }
};
using Row = std::vector<Item>;

// The placed children of a container in rows: controls whose heights overlap, left to right.
std::vector<Row> RowsOf(Backend& backend, const Control& parent, int dpi, const std::set<const Control*>& runTime) {
  std::vector<Control*> placed;
  for (Control* c : parent.Children())
    if (c->GetAlign() == Align::None) placed.push_back(c);
  std::stable_sort(placed.begin(), placed.end(), [](Control* a, Control* b) { return a->Top() < b->Top(); });
  std::vector<Row> rows;
  int rowBottom = 0;
  for (Control* c : placed) {
    if (rows.empty() || c->Top() >= rowBottom) {
      rows.emplace_back();
      rowBottom = c->Top() + c->Height();
    }
    rowBottom = std::max(rowBottom, c->Top() + c->Height());
    rows.back().push_back({c, c->Width(), Need(backend, *c, dpi, runTime)});
  }
  // Labels one above the other with the same place (a column of titles) keep one width,
  // so their texts stay aligned: each needs what the widest of them needs.
  std::map<std::pair<int, int>, int> column;
  for (const Row& row : rows)
    for (const Item& i : row)
      if (i.need && i.control->GetKind() == Kind::Label) {
        int& n = column[{i.control->Left(), i.control->Width()}];
        n = std::max(n, *i.need);
      }
  for (Row& row : rows) {
    for (Item& i : row)
      if (i.need && i.control->GetKind() == Kind::Label) i.need = column[{i.control->Left(), i.control->Width()}];
    std::stable_sort(row.begin(), row.end(), [](const Item& a, const Item& b) { return a.control->Left() < b.control->Left(); });
  }
  return rows;
}

bool Fits(const Row& row) {
  return std::all_of(row.begin(), row.end(), [](const Item& i) { return !i.need || *i.need <= i.width; });
}

// How much wider the row must be as a whole: what its controls want over what they have.
double Shortfall(const Row& row) {
  if (Fits(row)) return 1.0;
  long wants = 0, has = 0;
  for (const Item& i : row) wants += i.Wants(), has += i.width;
  return has > 0 ? double(wants) / double(has) : 1.0;
}

// Captions that lack room take it from the captions of the same row that have some to
// spare, in proportion to what they spare; the gaps between the controls stay.
void ShareRow(Row& row) {
  if (Fits(row)) return;
  long lack = 0, spare = 0;
  for (const Item& i : row) {
    if (!i.need) continue;
    if (*i.need > i.width) lack += *i.need - i.width;
    else spare += i.width - *i.need;
  }
  const long give = std::min(lack, spare);
  std::vector<int> widths;
  long given = 0;
  for (const Item& i : row) {
    int w = i.width;
    if (i.need && *i.need > i.width) w = *i.need;
    if (i.need && *i.need < i.width && spare > 0) {
      const int share = int(give * (i.width - *i.need) / spare);
      w -= share;
      given += share;
    }
    widths.push_back(w);
  }
  // What the rounding left: from the controls with the most to spare, a pixel each.
  for (long rest = give - given; rest > 0;) {
    int best = -1, most = 0;
    for (std::size_t k = 0; k < row.size(); ++k)
      if (row[k].need && widths[k] - *row[k].need > most) best = int(k), most = widths[k] - *row[k].need;
    if (best < 0) break;
    --widths[std::size_t(best)];
    --rest;
  }
  int left = row.front().control->Left();
  for (std::size_t k = 0; k < row.size(); ++k) {
    Control& c = *row[k].control;
    const int gap = k + 1 < row.size() ? row[k + 1].control->Left() - (c.Left() + c.Width()) : 0;
    c.SetBounds(left, c.Top(), widths[k], c.Height());
    left += widths[k] + gap;
  }
}

template <class F>
void ForEachContainer(Control& root, const F& f) {
  f(root);
  for (Control* c : root.Children())
    if (!c->Children().empty()) ForEachContainer(*c, f);
}

}  // namespace

void Form::FitTexts() {
  Backend* backend = Backend::Current();
  if (!fitTexts_ || !backend) return;
  std::vector<Control*> controls;
  for (Component* c : order_)
    if (auto* control = dynamic_cast<Control*>(c)) controls.push_back(control);
  auto scaled = [&](int v) { return static_cast<int>((static_cast<long long>(v) * dpi_ + designDpi_ / 2) / designDpi_); };
  if (designDpi_ == 0) {
    designDpi_ = dpi_;
    designClientWidth_ = clientWidth_;
    for (Control* c : controls) {
      const auto* captioned = dynamic_cast<const CaptionedControl*>(c);
      design_.push_back({c, c->BoundsRect(), captioned && captioned->Caption().empty()});
    }
  } else {
    // Every fit starts from the design, so a shorter translation gives the room back.
    SetClientSize(scaled(designClientWidth_), clientHeight_);
    for (const DesignPlace& d : design_)
      if (d.control->GetAlign() == Align::None)
        d.control->SetBounds(scaled(d.bounds.left), d.control->Top(), scaled(d.bounds.right) - scaled(d.bounds.left), d.control->Height());
    Realign();
  }

  // A row too narrow as a whole widens the window and everything in it in proportion
  // (rounded up, with a pixel per control to spare for the rounding of the parts).
  std::set<const Control*> runTime;
  for (const DesignPlace& d : design_)
    if (d.runTimeText) runTime.insert(d.control);
  double factor = 1.0;
  ForEachContainer(*this, [&](Control& parent) {
    for (const Row& row : RowsOf(*backend, parent, dpi_, runTime)) {
      const double f = Shortfall(row);
      if (f > 1.0) factor = std::max(factor, f + double(row.size()) / std::max(1, clientWidth_));
    }
  });
  if (factor > 1.0) {
    auto wider = [&](int v) { return static_cast<int>(std::ceil(v * factor)); };
    SetClientSize(wider(clientWidth_), clientHeight_);
    for (Control* c : controls)
      if (c->GetAlign() == Align::None) {
        const int left = wider(c->Left());
        c->SetBounds(left, c->Top(), wider(c->Left() + c->Width()) - left, c->Height());
      }
    Realign();
  }
  ForEachContainer(*this, [&](Control& parent) {
    for (Row& row : RowsOf(*backend, parent, dpi_, runTime)) ShareRow(row);
  });
}

}  // namespace ui
