// A click handler that rebuilds the submenu holding its own item: the item and its
// handler live until the click returns; clicks queued for a cleared item are dropped.
#include <gtest/gtest.h>

#include "platform/ui/headless/headless_ui.h"
#include "platform/ui/ui.h"

namespace {

TEST(MenuRebuild, TheClickedItemOutlivesItsOwnSubmenusRebuild) {
  ui::Form form("F");
  auto& menu = form.Create<ui::MenuItem>("Menu");
  std::vector<std::string> seen;
  std::function<void()> build = [&] {
    menu.Clear();
    for (const char* caption : {"A", "B"}) {
      ui::MenuItem& item = menu.CreateItem();
      item.SetCaption(caption);
      item.SetAutoCheck(true);
      item.OnClick = [&, caption = std::string(caption)](ui::Component& sender) {
        const auto selfToken = static_cast<ui::MenuItem&>(sender).AliveToken();
        build();  // destroys the item that is running, unless the toolkit keeps it
        ASSERT_FALSE(selfToken.expired()) << "destroyed inside its own click";
        auto& self = static_cast<ui::MenuItem&>(sender);
        seen.push_back(caption + " " + self.Caption() + (self.Checked() ? " ticked" : ""));
      };
    }
  };
  build();
  ui::MenuItem* first = menu.Items()[0];
  auto token = first->AliveToken();
  first->Click();
  EXPECT_EQ(seen, std::vector<std::string>{"A A ticked"});
  EXPECT_TRUE(token.expired()) << "released once the click returned";
  ASSERT_EQ(menu.Items().size(), 2u);
  EXPECT_NE(menu.Items()[0], nullptr);
  EXPECT_FALSE(menu.Items()[0]->Checked()) << "the new entries are new";

  // A nested click (from messages the handler lets run) keeps both alive until the outer ends.
  ui::MenuItem* outer = menu.Items()[1];
  auto outerToken = outer->AliveToken();
  ui::MenuItem* inner = nullptr;
  outer->OnClick = [&](ui::Component&) {
    build();
    inner = menu.Items()[0];
    auto innerToken = inner->AliveToken();
    inner->Click();
    EXPECT_FALSE(innerToken.expired()) << "kept while the outer click runs";
    EXPECT_FALSE(outerToken.expired());
  };
  outer->Click();
  EXPECT_TRUE(outerToken.expired());
  EXPECT_EQ(seen.back(), "A A ticked");
}

TEST(MenuRebuild, AClickQueuedForAClearedItemIsDropped) {
  ui::headless::Backend backend;
  ui::Application app;
  ui::Form form("F");
  auto& menu = form.Create<ui::MenuItem>("Menu");
  int clicks = 0;
  ui::MenuItem& item = menu.CreateItem();
  item.OnClick = [&](ui::Component&) { ++clicks; };
  ui::PopupMenu::ItemChosen(item);  // queued, as after a menu closes
  menu.Clear();
  app.RunQueued();
  EXPECT_EQ(clicks, 0);
}

}  // namespace
